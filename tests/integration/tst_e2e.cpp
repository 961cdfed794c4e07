// One whole user journey through the real window, the real browser engine and the real
// stand-in service: start, register, log in, watch the numbers, copy them.
#include "app/window/clickablelabel.h"
#include "browser/webengineplanpage.h"
#include "devservice.h"
#include "windowharness.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

// The page's globals as the browser reads them right now.
QStringList readPage(PlanPage &page, const QStringList &names)
{
    QStringList values;
    bool answered = false;
    QObject context;
    page.readGlobals(names, &context, [&](const QStringList &v) {
        values = v;
        answered = true;
    });
    if (!QTest::qWaitFor([&answered] { return answered; }, 10000))
        qWarning("the page did not answer a read");
    return values;
}

// Chinese comes in through the input method, as it does when a user types it.
void typeChinese(QWidget *widget, const QString &text)
{
    widget->setFocus();
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(widget, &commit);
}

bool serviceSaw(const DevService &service, const QString &pathPart, const QString &queryPart = {})
{
    for (const QJsonObject &entry : service.log()) {
        if (entry.value(u"path"_s).toString().contains(pathPart) &&
            entry.value(u"query"_s).toString().contains(queryPart))
            return true;
    }
    return false;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newUser_registersLogsInWatchesAndCopiesTheNumbers()
    {
        DevService service;
        QVERIFY(service.start());
        PlanPage *planPage = nullptr;
        WindowHarness h(service.baseUrl(), service.baseUrl(), QByteArrayLiteral("[daili]\r\ncode=zq_softinfo\r\n"),
                        [&planPage](QWidget *parent) {
                            auto page = std::make_unique<WebEnginePlanPage>(parent);
                            planPage = page.get();
                            return page;
                        });
        MainWindow &window = *h.window;
        const Controls c = h.controls();

        // The window shows at once with its start-up notice, and the software information arrives.
        QSignalSpy started(&window, &MainWindow::startedUp);
        window.startUp();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(c.tipsLabel(TipsLabel::StartUpNotice)->isVisible());
        QVERIFY(started.wait(30000) || !started.isEmpty());
        QVERIFY(serviceSaw(service, u"caieventhandle.php"_s));
        QVERIFY(!c.tipsLabel(TipsLabel::NoticeLine)->text().isEmpty());
        QVERIFY(c.tipsLabel(TipsLabel::LinkPanelHeading)->text().endsWith(u"彩票平台开户："_s));
        QVERIFY(c.platformLink(0)->text().endsWith(u" |"_s));
        QVERIFY(c.regPlatform->count() > 0);

        // Two seconds later the plan page opens for an anonymous visitor.
        QTRY_VERIFY_WITH_TIMEOUT(c.browser->isVisible(), 5000);
        QVERIFY(!c.tipsLabel(TipsLabel::StartUpNotice)->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(serviceSaw(service, u"/plan.php"_s, u"u=&p="_s), 10000);

        // The user opens the registration box and registers.
        QTest::mouseClick(c.tipsLabel(TipsLabel::RegistrationLink), Qt::LeftButton);
        QVERIFY(c.registrationBox->isVisible());
        typeChinese(c.regUser, u"用户"_s);
        QTest::keyClicks(c.regUser, u"e2e"_s);
        QTest::keyClicks(c.regPass, u"pass 1"_s);
        QTest::keyClicks(c.regEmail, u"e2e@example.com"_s);
        QTest::keyClicks(c.regPlatformAccount, u"plat-7"_s);
        QTest::mouseClick(c.registerButton, Qt::LeftButton);

        // The login box comes back filled; the user logs in.
        QTRY_VERIFY(c.loginBox->isVisible());
        QVERIFY2(h.shownTexts().isEmpty(), qPrintable(h.shownTexts().join(u'|')));
        QCOMPARE(c.loginUser->text(), u"用户e2e"_s);
        QCOMPARE(c.loginPass->text(), u"pass 1"_s);
        QTest::mouseClick(c.loginButton, Qt::LeftButton);
        QTRY_VERIFY(!h.loginFlow().signingIn());
        QVERIFY2(h.shownTexts().isEmpty(), qPrintable(h.shownTexts().join(u'|')));
        QVERIFY(window.windowTitle().endsWith(u") - 用户e2e"_s));
        QVERIFY(c.outplan->isVisible() && c.tipsLabel(TipsLabel::CopyNumbersLink)->isVisible());

        // The plan page opens for the account.
        QTRY_VERIFY_WITH_TIMEOUT(serviceSaw(service, u"/plan.php"_s, u"p=pass+1"_s), 10000);

        // outplan follows the page: what it shows is the page's period and numbers, and it
        // changes when the page does.
        QVERIFY(planPage);
        PlanPage &page = *planPage;
        QTRY_VERIFY_WITH_TIMEOUT(c.outplan->toPlainText().startsWith(u"投注期:"_s), 10000);
        const QString first = c.outplan->toPlainText();
        QTRY_VERIFY_WITH_TIMEOUT(c.outplan->toPlainText() != first, 15000);
        const QStringList globals = readPage(page, {u"tzIss"_s, u"tzNums"_s});
        QTRY_VERIFY_WITH_TIMEOUT(c.outplan->toPlainText().startsWith(u"投注期:"_s + globals.value(0) + u'\n'), 5000);

        // The copy link puts the page's numbers on the clipboard and shows a balloon.
        QApplication::clipboard()->clear();
        const QString numbers = readPage(page, {u"tzNums"_s}).value(0);
        QVERIFY(!numbers.isEmpty());
        QTest::mouseClick(c.tipsLabel(TipsLabel::CopyNumbersLink), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::clipboard()->text().isEmpty(), 10000);
        // The page may move on between the two reads; what was copied is one of its values.
        const QString copied = QApplication::clipboard()->text();
        QVERIFY(copied == numbers || copied == readPage(page, {u"tzNums"_s}).value(0));
        QTRY_VERIFY(!h.tray->balloons.isEmpty() &&
                    h.tray->balloons.last().text == u"号码已复制到剪切板，请直接ctrl+v粘贴即可"_s);
        QTRY_VERIFY_WITH_TIMEOUT(serviceSaw(service, u"/_test/called"_s, u"fn=codesCopy"_s), 10000);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e.moc"
