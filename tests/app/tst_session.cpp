// The account session against the stand-in service: login, registration, the clock and
// the online report, and the mirror of the plan page.
#include "app/registrationflow.h"
#include "app/sessionclock.h"
#include "app/window/clickablelabel.h"
#include "desktop/machineid.h"
#include "devservice.h"
#include "digest/md5calc.h"
#include "loopbackserver.h"
#include "net/webclient.h"
#include "programtexts.h"
#include "settings/cfglocation.h"
#include "text/texthelpers.h"
#include "urlrecorder.h"
#include "windowharness.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

QList<QJsonObject> requestsFor(const DevService &service, const QString &action)
{
    QList<QJsonObject> found;
    for (const QJsonObject &entry : service.log()) {
        if (entry.value(u"query"_s).toString().startsWith(u"a="_s + action + u'&'))
            found.append(entry);
    }
    return found;
}

int softinfoRequests(const DevService &service)
{
    int count = 0;
    for (const QJsonObject &entry : service.log())
        count += entry.value(u"path"_s).toString().endsWith(u"caieventhandle.php"_s) ? 1 : 0;
    return count;
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

    DevService m_service;

    std::unique_ptr<WindowHarness>
    startedWindow(const QByteArray &cfg = QByteArrayLiteral("[daili]\r\ncode=zq_softinfo\r\n"))
    {
        auto h = std::make_unique<WindowHarness>(m_service.baseUrl(), m_service.baseUrl(), cfg);
        if (!h->startUp())
            qWarning("start-up did not end");
        return h;
    }

    // Opens the login box, types and presses 登录, and waits until the login has been handled
    // (false when it was not within 30 s).
    static bool login(WindowHarness &h, const QString &account, const QString &password)
    {
        const Controls c = h.controls();
        h.click(u"tips_label(1)"_s);
        c.loginUser->setText(account);
        c.loginPass->setText(password);
        QTest::mouseClick(c.loginButton, Qt::LeftButton);
        return QTest::qWaitFor([&h] { return !h.loginFlow().signingIn(); }, 30000);
    }

    // Presses 提交 and waits until the registration has been handled.
    static bool submitRegistration(WindowHarness &h)
    {
        QTest::mouseClick(h.controls().registerButton, Qt::LeftButton);
        return QTest::qWaitFor([&h] { return !h.registrationFlow().registering(); }, 30000);
    }

    // Waits for the clock reading under way (the start timer's, or the report's last step).
    static bool clockRead(QSignalSpy &read, int before)
    {
        return QTest::qWaitFor([&read, before] { return read.size() > before; }, 30000);
    }

    static QString machineHash() { return md5Hex(getMacAddress()); }

private Q_SLOTS:
    void initTestCase()
    {
        // The user's own settings folder is a test folder, never the real one.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_service.start());
    }
    void init() { QVERIFY(m_service.clear()); }

    void login_savesTypedTextsAndSwitchesToTheSignedInLayout()
    {
        auto h = startedWindow();
        // A settings file everyone may read, as a copied or installed one is.
        QVERIFY(QFile::setPermissions(h->cfgPath(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        h->window->show();
        QVERIFY(login(*h, u" demo  "_s, u" demo123 "_s));

        QCOMPARE(h->loginFlow().session().account, u"demo"_s);
        QCOMPARE(h->loginFlow().session().password, u"demo123"_s);
        QCOMPARE(h->logSecrets.scrub(u"console: demo123"_s), u"console: ***"_s);
        QVERIFY(h->shownTexts().isEmpty());
        QCOMPARE(h->window->windowTitle(), programName() + u"(v1.7) - demo"_s);
        const QByteArray cfg = h->cfgBytes();
        QVERIFY(cfg.contains("[vip_user_info]\r\nlogin_user= demo  \r\nlogin_pass= demo123 \r\n"));
        QVERIFY(cfg.startsWith("[daili]\r\ncode=zq_softinfo\r\n"));
#ifdef Q_OS_UNIX
        // The password is its owner's only.
        QCOMPARE(QFile::permissions(h->cfgPath()) & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                                     QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
                 QFile::Permissions());
#endif
        h->verifySignedInAsDemo();
        if (QTest::currentTestFailed())
            return;

        const QList<QJsonObject> sent = requestsFor(m_service, u"login_2016"_s);
        QCOMPARE(sent.size(), 1);
        // Qt writes "|" as %7C on the wire; the value the service reads is the same.
        const QString decoded = QUrl::fromPercentEncoding(sent[0].value(u"query"_s).toString().toLatin1());
        QVERIFY(decoded.endsWith(u"&code=zq_softinfo&ver=v1.7|(20180330)|"_s));
        QVERIFY(sent[0].value(u"query"_s).toString().contains(u"&hash="_s + machineHash()));
    }

    void login_answers_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("status"); // of mode "text"
        QTest::addColumn<QString>("shown");
        const QString noAnswer = u"登录失败，可能是网络问题，请稍候重试即可。"_s;
        QTest::newRow("ok without bar") << u"text"_s << u"ok"_s << 200 << u"ok"_s;
        QTest::newRow("capital OK") << u"text"_s << u"OK|x"_s << 200 << u"OK|x"_s;
        QTest::newRow("line break") << u"text"_s << u"密码错误[br]请重试"_s << 200 << u"密码错误\r\n请重试"_s;
        QTest::newRow("null") << u"text"_s << u" null "_s << 200 << noAnswer;
        QTest::newRow("empty") << u"empty"_s << QString() << 0 << noAnswer;
        // A server's error page is no answer of the service's, whatever it says.
        QTest::newRow("500 that reads as a success") << u"text"_s << u"ok|server error page"_s << 500 << noAnswer;
        // A box shows at most 2,000 characters of the service's text, then "…"; it never cuts
        // a character beyond 16 bits or a line break in two.
        const QString x1999(1999, u'x');
        QTest::newRow("2,000 characters: shown whole") << u"text"_s << x1999 + u'y' << 200 << x1999 + u'y';
        QTest::newRow("2,001 characters: the first 2,000 and …")
            << u"text"_s << x1999 + u"yz"_s << 200 << x1999 + u"y…"_s;
        QTest::newRow("a character beyond 16 bits at the cut: left out whole")
            << u"text"_s << x1999 + u"😀z"_s << 200 << x1999 + u"…"_s;
        QTest::newRow("a line break at the cut: left out whole")
            << u"text"_s << x1999 + u"[br]z"_s << 200 << x1999 + u"…"_s;
    }
    void login_answers()
    {
        QFETCH(QString, mode);
        QFETCH(QString, body);
        QFETCH(int, status);
        QFETCH(QString, shown);
        auto h = startedWindow();
        QVERIFY(m_service.setFault(u"login"_s, mode, body, 0, status));
        const QByteArray cfgBefore = h->cfgBytes();
        QVERIFY(login(*h, u"demo"_s, u"demo123"_s));
        QCOMPARE(h->shownTexts(), QStringList{shown});
        // A refused login keeps the attempt, saves nothing and leaves the box open.
        QCOMPARE(h->loginFlow().session().account, u"demo"_s);
        // The password was sent all the same: no log line shows it, not even in a path.
        QCOMPARE(h->logSecrets.scrub(u"load failed: http://h/plan/demo/demo123/"_s),
                 u"load failed: http://h/plan/demo/***/"_s);
        QCOMPARE(h->cfgBytes(), cfgBefore);
        QVERIFY(h->controls().loginBox->isVisibleTo(h->window.get()));
        QVERIFY(h->controls().loginButton->isEnabled());
    }

    void buttons_disabledWhileTheirRequestWaits_data()
    {
        QTest::addColumn<bool>("registration");
        QTest::newRow("login: vip_login and vip_gotoreg") << false;
        QTest::newRow("registration: vip_reg and vip_reg_undo") << true;
    }
    void buttons_disabledWhileTheirRequestWaits()
    {
        QFETCH(bool, registration);
        auto h = startedWindow();
        h->web().setDeadline(std::chrono::milliseconds(1000));
        const Controls c = h->controls();
        QPushButton *send = registration ? c.registerButton : c.loginButton;
        QPushButton *other = registration ? c.registrationCancelButton : c.goToRegistrationButton;
        if (registration) {
            c.regUser->setText(u"u1"_s);
            c.regPass->setText(u"p1"_s);
            c.regPlatformAccount->setText(u"s1"_s);
        } else {
            c.loginUser->setText(u"demo"_s);
            c.loginPass->setText(u"demo123"_s);
        }
        // The service holds its answer back; the client waits until its deadline.
        QVERIFY(m_service.setFault(registration ? u"reg"_s : u"login"_s, u"silent"_s));
        QList<bool> enabledDuringTheWait;
        QTimer::singleShot(300, h->window.get(), [&] {
            enabledDuringTheWait = {send->isEnabled(), other->isEnabled()};
            // Pressed again meanwhile, by the mouse and by Enter: one request all the same.
            QTest::mouseClick(send, Qt::LeftButton);
            QTest::keyClick(registration ? c.regUser : c.loginPass, Qt::Key_Return);
        });
        QTest::mouseClick(send, Qt::LeftButton);
        const auto busy = [&h, registration] {
            return registration ? h->registrationFlow().registering() : h->loginFlow().signingIn();
        };
        QVERIFY(busy());
        QVERIFY(QTest::qWaitFor([&busy] { return !busy(); }, 10000));
        QCOMPARE(enabledDuringTheWait, (QList<bool>{false, false}));
        QVERIFY(send->isEnabled() && other->isEnabled());
        QCOMPARE(requestsFor(m_service, registration ? u"reg"_s : u"login_2016"_s).size(), 1);
    }

    void login_okAnywhereWithABarSucceeds()
    {
        auto h = startedWindow();
        QVERIFY(m_service.setFault(u"login"_s, u"text"_s, u"welcome|book"_s));
        QVERIFY(login(*h, u"demo"_s, u"demo123"_s));
        QVERIFY(h->window->windowTitle().endsWith(u"- demo"_s));
    }

    void login_blankAccountSendsNothing()
    {
        auto h = startedWindow();
        QVERIFY(login(*h, u"   "_s, u"x"_s));
        QCOMPARE(h->shownTexts(), QStringList{u"请输入用户名和密码以登陆软件"_s});
        QVERIFY(requestsFor(m_service, u"login_2016"_s).isEmpty());
        QVERIFY(h->loginFlow().session().account.isEmpty());
    }

    void typedValues_cannotBreakOutOfTheirPlaceInTheUrl()
    {
        auto h = startedWindow();
        const QString account = u"a&b=c#d 用户"_s;
        QVERIFY(login(*h, account, u"p&w=1"_s));
        const QString query = requestsFor(m_service, u"login_2016"_s).value(0).value(u"query"_s).toString();
        QVERIFY(query.startsWith(u"a=login_2016&u="_s + urlEncode(account) + u"&p=p%26w%3D1&hash="_s));

        // Registered whole: the service keeps the account exactly as typed.
        const Controls c = h->controls();
        h->click(u"tips_label(2)"_s);
        c.regUser->setText(account);
        c.regPass->setText(u"pw"_s);
        c.regEmail->setText(u"a@b.c"_s);
        c.regPlatformAccount->setText(u"u#1"_s);
        QVERIFY(submitRegistration(*h));
        bool found = false;
        for (const QJsonValue &entry : m_service.accounts())
            found = found || entry.toObject().value(u"account"_s).toString() == account;
        QVERIFY2(found, "the service did not keep the account whole");
        QCOMPARE(c.loginUser->text(), account);
    }

    void registration_fillsTheLoginBoxAndTheNewAccountCanSignIn()
    {
        auto h = startedWindow();
        h->window->show();
        const Controls c = h->controls();
        QVERIFY(c.regPlatform->count() >= 2);
        QTest::mouseClick(c.tipsLabel(TipsLabel::RegistrationLink), Qt::LeftButton);
        QVERIFY(c.registrationBox->isVisible());
        QTest::keyClicks(c.regUser, u" newbie "_s);
        QTest::keyClicks(c.regPass, u"s3cret"_s);
        QTest::keyClicks(c.regEmail, u"me@example.com"_s); // after the "@" already there
        QTest::keyClicks(c.regPlatformAccount, u"plat01"_s);
        // The service lists it as "好运 来|102": shown without its blank, it still sends its own value.
        QCOMPARE(c.regPlatform->itemText(1), u"好运来"_s);
        c.regPlatform->setCurrentIndex(1);
        QVERIFY(submitRegistration(*h));

        QVERIFY2(h->shownTexts().isEmpty(), qPrintable(h->shownTexts().join(u'/')));
        QCOMPARE(c.loginUser->text(), u"newbie"_s);
        QCOMPARE(c.loginPass->text(), u"s3cret"_s);
        QVERIFY(c.loginBox->isVisible() && !c.registrationBox->isVisible());
        // Both fields filled: the keys go to the password, where Enter signs in.
        QCOMPARE(h->window->focusWidget(), c.loginPass);
        QVERIFY(c.registerButton->isEnabled() && c.registrationCancelButton->isEnabled());
        // Nothing is saved and nobody signs in until the user presses the login button.
        QVERIFY(!h->cfgBytes().contains("newbie"));
        QVERIFY(requestsFor(m_service, u"login_2016"_s).isEmpty());

        const QString query = requestsFor(m_service, u"reg"_s).value(0).value(u"query"_s).toString();
        QVERIFY2(query.contains(u"&pt=102&s=plat01&"_s), qPrintable(query));
        QVERIFY(query.contains(u"&mac="_s + getMacAddress() + u"&hash="_s));
        // QUrl writes the unreserved "." as itself rather than %2E; the value read is the same.
        QVERIFY2(query.endsWith(u"&e=%40me%40example.com"_s), qPrintable(query));

        QTest::mouseClick(c.loginButton, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&h] { return !h->loginFlow().signingIn(); }, 30000));
        QVERIFY(h->window->windowTitle().endsWith(u"- newbie"_s));
    }

    void registration_failures_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("shown");
        QTest::newRow("null") << u"text"_s << u"null"_s << u"注册失败，可能是网络问题，请重试！"_s;
        QTest::newRow("empty") << u"empty"_s << QString() << u"注册失败，可能是网络问题，请重试！"_s;
        QTest::newRow("refusal") << u"text"_s << u"账号已存在[br]请换一个"_s << u"账号已存在\r\n请换一个"_s;
        QTest::newRow("a refusal of 2,001 characters: the first 2,000 and …")
            << u"text"_s << QString(2001, u'x') << QString(2000, u'x') + u'…';
    }
    void registration_failures()
    {
        QFETCH(QString, mode);
        QFETCH(QString, body);
        QFETCH(QString, shown);
        auto h = startedWindow();
        const Controls c = h->controls();
        h->click(u"tips_label(2)"_s);
        c.regUser->setText(u"u1"_s);
        c.regPass->setText(u"p1"_s);
        c.regPlatformAccount->setText(u"s1"_s);
        QVERIFY(m_service.setFault(u"reg"_s, mode, body));
        QVERIFY(submitRegistration(*h));
        QCOMPARE(h->shownTexts(), QStringList{shown});
        QVERIFY(c.registrationBox->isVisibleTo(h->window.get()));
        QVERIFY(c.registerButton->isEnabled() && c.registrationCancelButton->isEnabled());
    }

    // The service's refusal in the real box, as the user gets it: as text, whatever markup it
    // holds, with no link to follow, and in a box that stays on the screen.
    void refusal_isShownAsTextInABoxOnTheScreen_data()
    {
        QTest::addColumn<bool>("registration");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("shown"); // null: a part of the answer, cut, and "…"
        const QString file = u"请<a href=\"file:///etc/passwd\">点此续费</a>"_s;
        QTest::newRow("login: a link to a local file") << false << file << file;
        const QString share = u"账号已存在，<a href='smb://192.0.2.1/share'>点此</a>找回<b>密码</b>"_s;
        QTest::newRow("registration: a link to a network share") << true << share << share;
        QTest::newRow("login: 3 MB on one line") << false << u"请续费"_s.repeated(333'334) << QString();
        QString lines;
        for (int i = 0; i < 100'000; ++i)
            lines += u"第"_s + QString::number(i) + u"行[br]"_s;
        QTest::newRow("registration: 100,000 lines") << true << lines << QString();
    }
    void refusal_isShownAsTextInABoxOnTheScreen()
    {
        QFETCH(bool, registration);
        QFETCH(QString, answer);
        QFETCH(QString, shown);
        LoopbackServer service;
        service.setHandler([body = answer.toUtf8()](const LoopbackServer::Received &, int) {
            LoopbackServer::Answer reply;
            reply.contentType = "text/plain; charset=utf-8";
            reply.body = body;
            return reply;
        });
        WindowHarness h(service.base());
        QVERIFY(h.startUp());
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        const Controls c = h.controls();
        if (registration) {
            h.click(u"tips_label(2)"_s);
            c.regUser->setText(u"u1"_s);
            c.regPass->setText(u"p1"_s);
            c.regPlatformAccount->setText(u"s1"_s);
            // No software information from this service: one platform to choose all the same.
            c.regPlatform->addItem(u"好运来"_s, u"102"_s);
        } else {
            h.click(u"tips_label(1)"_s);
            c.loginUser->setText(u"demo"_s);
            c.loginPass->setText(u"demo123"_s);
        }
        // The real box this time: it is read, clicked all over and closed.
        h.dialogs().setScriptedAnswer(std::nullopt);
        UrlRecorder browser;
        bool seen = false;
        Qt::TextFormat format = Qt::AutoText;
        QString text;
        QRect box;
        QRect screen;
        QTimer boxWatch;
        boxWatch.setInterval(10);
        connect(&boxWatch, &QTimer::timeout, this, [&] {
            auto *messageBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!messageBox || !messageBox->isVisible())
                return;
            boxWatch.stop();
            seen = true;
            box = messageBox->frameGeometry();
            screen = messageBox->screen()->availableGeometry();
            if (auto *label = messageBox->findChild<QLabel *>(u"qt_msgbox_label"_s)) {
                format = label->textFormat();
                text = label->text();
                // Wherever the user clicks on the text, nothing opens.
                const QRect area = label->rect() & QRect(0, 0, 800, 120);
                for (int y = area.top() + 1; y < area.bottom() && browser.urls.isEmpty(); y += 3)
                    for (int x = area.left() + 1; x < area.right() && browser.urls.isEmpty(); x += 3)
                        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(x, y));
            }
            messageBox->button(QMessageBox::Ok)->click();
        });
        boxWatch.start();
        QTest::mouseClick(registration ? c.registerButton : c.loginButton, Qt::LeftButton);
        // The box comes with the answer, and the request is handled once it is closed.
        QVERIFY(QTest::qWaitFor(
            [&] { return seen && !h.loginFlow().signingIn() && !h.registrationFlow().registering(); }, 30000));
        boxWatch.stop();

        QVERIFY(seen);
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(browser.urls, QList<QUrl>{});
        if (!shown.isNull()) {
            QCOMPARE(text, shown);
        } else {
            const QString message = QString(answer).replace(u"[br]"_s, u"\r\n"_s);
            QVERIFY2(text.endsWith(u'…') && text.size() <= 2001, qPrintable(text.right(40)));
            QVERIFY(message.startsWith(text.chopped(1)));
        }
        QVERIFY2(screen.contains(box), qPrintable(u"box %1,%2 %3x%4 on a screen of %5x%6"_s.arg(box.x())
                                                      .arg(box.y())
                                                      .arg(box.width())
                                                      .arg(box.height())
                                                      .arg(screen.width())
                                                      .arg(screen.height())));
        QVERIFY(c.loginButton->isEnabled() && c.registerButton->isEnabled());
    }

    void registration_blankFieldSendsNothing()
    {
        auto h = startedWindow();
        const Controls c = h->controls();
        c.regUser->setText(u"u1"_s);
        c.regPass->setText(u"  "_s);
        c.regPlatformAccount->setText(u"s1"_s);
        h->registrationFlow().onRegisterClicked();
        QCOMPARE(h->shownTexts().size(), 1);
        QVERIFY(h->shownTexts().first().contains(u"注册"_s));
        QVERIFY(requestsFor(m_service, u"reg"_s).isEmpty());
        QVERIFY(c.registerButton->isEnabled());
    }

    void clock_fromTheDateHeader_reportsOnTheTickThatReachesIt()
    {
        auto h = startedWindow();
        QVERIFY(m_service.setFault(u"time"_s, u"date"_s, u"Tue, 08 Dec 2026 04:15:37 GMT"_s));
        SessionClock &clock = h->clock();
        // The ticks are the test's own.
        h->controls().countDown->stop();
        QSignalSpy read(&clock, &SessionClock::clockRead);
        clock.onStartTimer();
        QVERIFY(read.wait());
        QCOMPARE(clock.clockText(), u"2026-12-08 12:15:37"_s);
        QCOMPARE(clock.nextReportText(), u"2026-12-08 12:25:37"_s);
        QVERIFY(h->controls().browser->isVisibleTo(h->window.get()));
        QVERIFY(!h->controls().tipsLabel(TipsLabel::StartUpNotice)->isVisibleTo(h->window.get()));
        // Anonymous: the plan page opens with empty account and password.
        QVERIFY(h->page->navigations.last().endsWith(u"/plan.php?u=&p="_s));

        const int softinfoBefore = softinfoRequests(m_service);
        for (int tick = 1; tick < 600; ++tick)
            clock.onCountDownTick();
        QCOMPARE(clock.clockText(), u"2026-12-08 12:25:36"_s);
        QVERIFY(!clock.reporting());
        QVERIFY(requestsFor(m_service, u"online"_s).isEmpty());
        clock.onCountDownTick();
        // The report ends with its clock reading.
        QVERIFY(clockRead(read, 1));
        const QList<QJsonObject> reports = requestsFor(m_service, u"online"_s);
        QCOMPARE(reports.size(), 1);
        // Before any login the account is empty; the doubled "&&" stays as the service expects.
        const QString query = reports[0].value(u"query"_s).toString();
        QVERIFY(query.contains(u"&u=&con="_s + machineHash() + u"&mac="_s));
        QVERIFY(QUrl::fromPercentEncoding(query.toLatin1()).contains(u"&&ver=v1.7|(20180330)|&t="_s));
        QCOMPARE(query.section(u"&t="_s, 1).size(), 14);
        // The report asks for the software information again and reads the clock anew.
        QCOMPARE(softinfoRequests(m_service), softinfoBefore + 1);
        QCOMPARE(clock.clockText(), u"2026-12-08 12:15:37"_s);
        QVERIFY(h->exits.isEmpty());
    }

    void failedStart_keepsItsNoticeUntilAPlanPageAddressComes_data()
    {
        QTest::addColumn<QString>("then");   // after the start timer: nothing, an online report or a login
        QTest::addColumn<bool>("answered");  // the software information answered by then
        QTest::addColumn<int>("asked");      // software-information requests after the start timer
        QTest::addColumn<QString>("opened"); // how the one plan page opened ends, if one opened
        QTest::newRow("the start timer only") << u"nothing"_s << false << 0 << QString();
        QTest::newRow("a report, then an answer") << u"report"_s << true << 1 << u"/plan.php?u=&p="_s;
        QTest::newRow("a report, still no answer") << u"report"_s << false << 2 << QString();
        QTest::newRow("a login, then an answer") << u"login"_s << true << 1 << u"/plan.php?u=demo&p=demo123"_s;
        QTest::newRow("a login, still no answer") << u"login"_s << false << 2 << QString();
    }
    void failedStart_keepsItsNoticeUntilAPlanPageAddressComes()
    {
        QFETCH(QString, then);
        QFETCH(bool, answered);
        QFETCH(int, asked);
        QFETCH(QString, opened);
        // Both tries of the start fail; the later ones are answered, or fail alike.
        QVERIFY(m_service.setFault(u"softinfo"_s, u"empty"_s, QString(), answered ? 2 : 0));
        auto h = startedWindow();
        const QWidget *window = h->window.get();
        const Controls c = h->controls();
        const ClickableLabel *notice = c.tipsLabel(TipsLabel::StartUpNotice);
        QCOMPARE(notice->text(), u"软件初始化失败，请重新启动软件试试看！"_s);

        SessionClock &clock = h->clock();
        QSignalSpy read(&clock, &SessionClock::clockRead);
        clock.onStartTimer();
        QVERIFY(notice->isVisibleTo(window));
        QVERIFY(!c.browser->isVisibleTo(window));
        QVERIFY(h->page->navigations.isEmpty());
        // The rest of the start timer runs as ever.
        QCOMPARE(clock.reportPeriod(), qint16(600));
        QVERIFY(read.wait());
        QVERIFY(!clock.clockText().isEmpty());

        const int before = softinfoRequests(m_service);
        if (then == u"report"_s) {
            clock.sendOnlineReport();
            QVERIFY(clockRead(read, 1));
        } else if (then == u"login"_s) {
            QVERIFY(login(*h, u"demo"_s, u"demo123"_s));
        }
        QCOMPARE(softinfoRequests(m_service) - before, asked);
        const bool shown = !opened.isEmpty();
        QCOMPARE(c.browser->isVisibleTo(window), shown);
        QCOMPARE(notice->isVisibleTo(window), !shown);
        QCOMPARE(h->page->navigations.size(), shown ? 1 : 0);
        if (shown)
            QVERIFY2(h->page->navigations.first().endsWith(opened), qPrintable(h->page->navigations.first()));
        if (then == u"login"_s) {
            // Signed in, with or without the page.
            QVERIFY(h->shownTexts().isEmpty());
            QVERIFY(h->window->windowTitle().endsWith(u"- demo"_s));
            QVERIFY(c.outplan->isVisibleTo(window));
            QVERIFY(c.tipsLabel(TipsLabel::CopyNumbersLink)->isVisibleTo(window));
            QVERIFY(!c.loginBox->isVisibleTo(window));
        }
    }

    void report_kickEndsTheProgram_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("ends");
        QTest::newRow("kick") << u"kick"_s << true;
        QTest::newRow("kick inside") << u"you are kicked out"_s << true;
        QTest::newRow("capitals") << u"KICK"_s << false;
        QTest::newRow("anything else") << u"online ok"_s << false;
    }
    void report_kickEndsTheProgram()
    {
        QFETCH(QString, answer);
        QFETCH(bool, ends);
        auto h = startedWindow();
        // Only the report reads the clock.
        h->controls().startTimer->stop();
        QVERIFY(m_service.setFault(u"online"_s, u"text"_s, answer));
        QSignalSpy read(&h->clock(), &SessionClock::clockRead);
        h->clock().sendOnlineReport();
        // Handled: the program ends, or the report has come to its last step, the clock reading.
        QVERIFY(QTest::qWaitFor([&] { return !h->exits.isEmpty() || !read.isEmpty(); }, 30000));
        QCOMPARE(h->exits.size(), ends ? 1 : 0);
        QCOMPARE(h->shownTexts().contains(u"您已经被踢下线，您的栖木账号在其它软件中重复登录！"_s), ends);
        QCOMPARE(h->tray->calls.last() == u"hide"_s, ends);
        QCOMPARE(h->tray->visible, !ends);
    }

    void report_secondLoginElsewhereIsKicked()
    {
        auto h = startedWindow();
        QVERIFY(login(*h, u"demo"_s, u"demo123"_s));
        // The same account signs in from another machine.
        QNetworkAccessManager nam;
        QNetworkReply *other = nam.get(QNetworkRequest(QUrl(
            m_service.baseUrl() + u"spcenter/zqsso.php?a=login_2016&u=demo&p=demo123&hash=OTHER&code=zq_softinfo"_s)));
        QTRY_VERIFY(other->isFinished());
        other->deleteLater();
        h->clock().sendOnlineReport();
        QTRY_COMPARE(h->exits, QList<int>{0});
    }

    void report_doesNotOverlapWithItself()
    {
        auto h = startedWindow();
        // The ticks are the test's own, and only the test reads the clock.
        h->controls().countDown->stop();
        h->controls().startTimer->stop();
        h->web().setDeadline(std::chrono::milliseconds(1500));
        QVERIFY(m_service.setFault(u"online"_s, u"silent"_s));
        QVERIFY(m_service.setFault(u"time"_s, u"date"_s, u"Tue, 08 Dec 2026 04:15:37 GMT"_s));
        SessionClock &clock = h->clock();
        QSignalSpy read(&clock, &SessionClock::clockRead);
        clock.synchroniseClock();
        QVERIFY(read.wait());
        clock.setNextReportDue(clock.clock());
        int ticksDuringWait = 0;
        // Ticks that come while the report waits find it due again; none may start another.
        QTimer ticker;
        ticker.setInterval(100);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (clock.reporting()) {
                ++ticksDuringWait;
                clock.onCountDownTick();
            }
        });
        ticker.start();
        clock.onCountDownTick();
        QVERIFY(clock.reporting());
        QVERIFY(clockRead(read, 1));
        ticker.stop();
        QVERIFY(ticksDuringWait >= 3);
        QCOMPARE(requestsFor(m_service, u"online"_s).size(), 1);
    }

    void report_stoppedWhileWaiting_sendsNothingMore()
    {
        auto h = startedWindow();
        h->web().setDeadline(std::chrono::milliseconds(1000));
        QVERIFY(m_service.setFault(u"online"_s, u"silent"_s));
        const int softinfoBefore = softinfoRequests(m_service);
        QSignalSpy read(&h->clock(), &SessionClock::clockRead);
        QTimer::singleShot(200, h->window.get(), [&h] { h->window->closeByProgram(); });
        h->clock().sendOnlineReport();
        QTRY_COMPARE(h->exits, QList<int>{0});
        // Nothing follows, not even once the report's deadline has passed.
        QVERIFY(!read.wait(1500));
        QCOMPARE(softinfoRequests(m_service), softinfoBefore);
        for (const QJsonObject &entry : m_service.log())
            QVERIFY(entry.value(u"path"_s).toString() != u"/"_s); // no time-source reading
        QVERIFY(h->shownTexts().isEmpty());
    }

    void clock_withoutAReadableDateRunsFromLocalTime_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("date");
        QTest::newRow("no complete answer") << u"drop"_s << QString();
        QTest::newRow("a date that is none") << u"date"_s << u"Tue, 31 Feb 2026 04:15:37 GMT"_s;
        // The next report would fall after 9999-12-31 23:59:59, and no clock ever reaches it.
        QTest::newRow("a date too late for the next report") << u"date"_s << u"Fri, 31 Dec 9999 15:58:00 GMT"_s;
    }
    void clock_withoutAReadableDateRunsFromLocalTime()
    {
        QFETCH(QString, mode);
        QFETCH(QString, date);
        auto h = startedWindow();
        h->web().setDeadline(std::chrono::milliseconds(1000));
        QVERIFY(m_service.setFault(u"time"_s, mode, date));
        QSignalSpy read(&h->clock(), &SessionClock::clockRead);
        h->clock().onStartTimer();
        QVERIFY(read.wait());
        // Scheduled all the same, so that the service can still end a session signed in twice.
        const QDateTime clock = QDateTime::fromString(h->clock().clockText(), u"yyyy-MM-dd HH:mm:ss"_s);
        QVERIFY(clock.isValid());
        QVERIFY(qAbs(clock.secsTo(QDateTime::currentDateTime())) < 5);
        QCOMPARE(clock.secsTo(QDateTime::fromString(h->clock().nextReportText(), u"yyyy-MM-dd HH:mm:ss"_s)), 600);
    }

    void report_keepsItsRhythmWhenTheTimeSourceGoesAway()
    {
        auto h = startedWindow();
        // The ticks are the test's own.
        h->controls().countDown->stop();
        h->web().setDeadline(std::chrono::milliseconds(1000));
        QVERIFY(m_service.setFault(u"time"_s, u"date"_s, u"Tue, 08 Dec 2026 04:15:37 GMT"_s));
        SessionClock &clock = h->clock();
        QSignalSpy read(&clock, &SessionClock::clockRead);
        clock.onStartTimer();
        QVERIFY(read.wait());
        QVERIFY(m_service.setFault(u"time"_s, u"drop"_s));
        clock.setNextReportDue(clock.clock());
        // The tick that sends the report, and, once the report has read the clock, three more.
        clock.onCountDownTick();
        QVERIFY(clockRead(read, 1));
        for (int tick = 1; tick < 4; ++tick)
            clock.onCountDownTick();
        QCOMPARE(requestsFor(m_service, u"online"_s).size(), 1);
        QCOMPARE(clock.clockText(), u"2026-12-08 12:15:41"_s);
        QCOMPARE(clock.nextReportText(), u"2026-12-08 12:25:38"_s);
    }

    void countDown_mirrorsThePageIntoOutplan()
    {
        auto h = startedWindow();
        QPlainTextEdit *outplan = h->controls().outplan;
        h->page->globals = {{u"tzIss"_s, u"20261208-042期"_s}, {u"tzNums"_s, u"01 02a,03*04 五\n05"_s}};
        h->clock().onCountDownTick();
        QTRY_COMPARE(outplan->toPlainText(), u"投注期:20261208-042期\n01 02,03*04 \n05 \n"_s);

        h->page->globals = {{u"tzNums"_s, u"7"_s}};
        h->clock().onCountDownTick();
        QTRY_COMPARE(outplan->toPlainText(), u"投注期:0001-9999期:\n7 \n"_s);

        h->page->globals.clear();
        h->clock().onCountDownTick();
        QTRY_COMPARE(outplan->toPlainText(), u"没有发现可以复制的投注号码，请先组号！"_s);
        // Before the first clock reading a tick only mirrors the page.
        QVERIFY(h->clock().clockText().isEmpty());
        QVERIFY(requestsFor(m_service, u"online"_s).isEmpty());
    }

    // The mirror reads a bounded part of the page's texts, and outplan is set only when what it
    // would show changes: a tick that finds the page as before leaves the box alone.
    void countDown_setsOutplanOnlyWhenItsTextChanges_data()
    {
        QTest::addColumn<bool>("page");
        QTest::addColumn<QString>("tzIss");
        QTest::addColumn<QString>("tzNums");
        QTest::addColumn<QString>("outplan");
        QTest::newRow("the same numbers on every tick")
            << true << u"042期"_s << u"01 02"_s << u"投注期:042期\n01 02 \n"_s;
        QTest::newRow("a carriage return alone between the numbers")
            << true << u"042期"_s << u"01\r02"_s << u"投注期:042期\n01\n02 \n"_s;
        QTest::newRow("no page yet") << false << QString() << QString() << u"没有发现可以复制的投注号码，请先组号！"_s;
        QTest::newRow("numbers of 1 MiB: their first 4,096 characters")
            << true << u"042期"_s << u"01a "_s.repeated(1 << 18)
            << u"投注期:042期\n"_s + u"01 "_s.repeated(1024) + u" \n"_s;
        QTest::newRow("a period of 1 MiB: its first 4,096 characters")
            << true << u"期"_s.repeated(1 << 20) << u"7"_s << u"投注期:"_s + u"期"_s.repeated(4096) + u"\n7 \n"_s;
    }
    void countDown_setsOutplanOnlyWhenItsTextChanges()
    {
        QFETCH(bool, page);
        QFETCH(QString, tzIss);
        QFETCH(QString, tzNums);
        QFETCH(QString, outplan);
        // Before start-up the window has no page to read.
        auto h = page ? startedWindow() : std::make_unique<WindowHarness>(m_service.baseUrl(), m_service.baseUrl());
        if (page)
            h->page->globals = {{u"tzIss"_s, tzIss}, {u"tzNums"_s, tzNums}};
        QPlainTextEdit *box = h->controls().outplan;
        QSignalSpy changes(box, &QPlainTextEdit::textChanged);
        qsizetype afterFirstTick = 0;
        for (int tick = 0; tick < 3; ++tick) {
            const int answered = page ? h->page->answered : 0;
            h->clock().onCountDownTick();
            if (page)
                QTRY_COMPARE(h->page->answered, answered + 1);
            QCOMPARE(box->toPlainText(), outplan);
            if (tick == 0)
                afterFirstTick = changes.size();
        }
        QVERIFY(afterFirstTick > 0);
        QCOMPARE(changes.size(), afterFirstTick);
    }

    void savedLogin_survivesTheNextStart_data()
    {
        QTest::addColumn<QString>("cfg");   // what cfg/cfg.ini is
        QTest::addColumn<bool>("userCopy"); // the saved login is kept in the user's own copy
        QTest::newRow("writable program folder: the file beside the program") << u"file"_s << false;
        QTest::newRow("read-only program folder: the user's own copy") << u"read-only"_s << true;
        QTest::newRow("a link to the user's own file: written there") << u"own link"_s << false;
        QTest::newRow("a link to another user's file: the user's own copy") << u"other's link"_s << true;
        QTest::newRow("a link that leads nowhere: the user's own copy") << u"dangling link"_s << true;
    }
    void savedLogin_survivesTheNextStart()
    {
        QFETCH(QString, cfg);
        QFETCH(bool, userCopy);
        const bool link = cfg.endsWith(u"link"_s);
#ifdef Q_OS_WIN
        if (link)
            QSKIP("symbolic links are made by the POSIX tests only");
#else
        if (cfg == u"other's link"_s && geteuid() != 0)
            QSKIP("only root can give a file to another user");
#endif
        const QString copyPath = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + u"/cfg.ini"_s;
        QFile::remove(copyPath);
        WindowHarness h(m_service.baseUrl(), m_service.baseUrl());
        const QString cfgFolder = h.programDir() + u"/cfg"_s;
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(cfgFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QFile::setPermissions(h.cfgPath(), QFile::ReadOwner | QFile::WriteOwner);
            QFile::remove(copyPath);
        });
        // A link's target lies outside the program folder, as /etc or another user's home would.
        QTemporaryDir outside;
        QVERIFY(outside.isValid());
        const QString target = outside.filePath(u"cfg.ini"_s);
        if (link) {
            if (cfg == u"dangling link"_s)
                QVERIFY(QFile::remove(h.cfgPath()));
            else
                QVERIFY(QFile::rename(h.cfgPath(), target));
            QVERIFY(QFile::link(target, h.cfgPath()));
        }
#ifndef Q_OS_WIN
        if (cfg == u"other's link"_s) {
            // Group may read it, as a shared file of another user's; 65534 is nobody's.
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
            QCOMPARE(chown(QFile::encodeName(target).constData(), 65534, 65534), 0);
        }
        struct stat targetBefore = {};
        const bool targetExisted = stat(QFile::encodeName(target).constData(), &targetBefore) == 0;
#endif
        const QByteArray shipped = h.cfgBytes();
        if (cfg == u"read-only"_s) {
            QVERIFY(QFile::setPermissions(h.cfgPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            QVERIFY(QFile::setPermissions(cfgFolder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                         QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
            // An administrator writes into a read-only folder all the same: only then is the
            // check's answer given.
            if (CfgLocation::canWrite(h.cfgPath()))
                h.cfgWritable = [](const QString &) { return false; };
        }
        const QString expectedPath = userCopy ? copyPath : h.cfgPath();
        // A link the program does not write through is named in the log, with why, at each start.
        const QRegularExpression refused(u"cfg/cfg.ini is a symbolic link .* - the saved login is kept in "_s +
                                         QRegularExpression::escape(copyPath) + u'$');
        if (link && userCopy)
            QTest::ignoreMessage(QtWarningMsg, refused);

        QVERIFY(h.startUp());
        QCOMPARE(QFile::exists(copyPath), userCopy);
        if (userCopy) {
            QFile copy(copyPath);
#ifdef Q_OS_WIN
            // In the user's own local application data (%LOCALAPPDATA%\<program>, not the roaming
            // profile), which only the user can read; in test mode Qt puts qttest between.
            const QString local = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
            const QString folder = local + u"/qttest/"_s + QCoreApplication::applicationName();
            QVERIFY2(!local.isEmpty() && QFileInfo(copyPath).absolutePath().compare(folder, Qt::CaseInsensitive) == 0,
                     qPrintable(copyPath));
#else
            QCOMPARE(copy.permissions() & ~(QFile::ReadUser | QFile::WriteUser), QFile::ReadOwner | QFile::WriteOwner);
#endif
            QVERIFY(copy.open(QIODevice::ReadOnly));
            // Made from the shipped file; never from another user's, which may hold a login of theirs.
            QCOMPARE(copy.readAll(), link ? QByteArray() : shipped);
        }
        QVERIFY(login(h, u"demo"_s, u"demo123"_s));
        QVERIFY(h.window->windowTitle().endsWith(u"- demo"_s));
        QCOMPARE(h.cfgBytes() == shipped, userCopy);
        // cfg_path: the login is saved where the program keeps its settings.
        QVERIFY(TestFiles::read(expectedPath).contains("login_user=demo\r\nlogin_pass=demo123\r\n"));

        if (link && userCopy)
            QTest::ignoreMessage(QtWarningMsg, refused);
        h.reopen();
        QVERIFY(h.startUp());
        // Read back from there at the next start.
        QCOMPARE(h.controls().loginUser->text(), u"demo"_s);
        QCOMPARE(h.controls().loginPass->text(), u"demo123"_s);
        QVERIFY(TestFiles::read(expectedPath).contains("login_user=demo\r\nlogin_pass=demo123\r\n"));
        QCOMPARE(h.cfgBytes() == shipped, userCopy);
#ifndef Q_OS_WIN
        if (link) {
            QVERIFY(QFileInfo(h.cfgPath()).isSymLink());
            struct stat targetAfter = {};
            const bool targetExists = stat(QFile::encodeName(target).constData(), &targetAfter) == 0;
            // Nothing made where a link points to nothing; another user's file just as it was.
            QCOMPARE(targetExists, targetExisted);
            if (cfg == u"other's link"_s) {
                QCOMPARE(targetAfter.st_ino, targetBefore.st_ino);
                QCOMPARE(targetAfter.st_mode, targetBefore.st_mode);
                QCOMPARE(targetAfter.st_uid, targetBefore.st_uid);
                QCOMPARE(TestFiles::read(target), shipped);
            }
        }
#endif
    }

    void savedLogin_isRestoredButNotSent()
    {
        auto h = startedWindow(QByteArrayLiteral("[vip_user_info]\r\nlogin_user=demo\r\nlogin_pass=demo123\r\n"));
        QCOMPARE(h->controls().loginUser->text(), u"demo"_s);
        QCOMPARE(h->controls().loginPass->text(), u"demo123"_s);
        QVERIFY(requestsFor(m_service, u"login_2016"_s).isEmpty());
        // Not sent, but in the box and the file: no log line shows it.
        QCOMPARE(h->logSecrets.scrub(u"p=demo123"_s), u"p=***"_s);
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
