#include "browser/plancopy.h"
#include "browser/webengineplanpage.h"
#include "loopbackserver.h"
#include "planpagereads.h"
#include "testfiles.h"
#include "urlrecorder.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QMutex>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <memory>

using namespace Qt::StringLiterals;
using namespace zq;
using zq::PlanPage;
using zq::WebEnginePlanPage;

namespace {

const QString codesCopied = u"号码已复制到剪切板，请直接ctrl+v粘贴即可"_s;
const QString noCodes = u"没有发现可以复制的投注号码，请先组号！"_s;
const QString planCopied = u"计划方案已复制到剪切板，请直接ctrl+v粘贴即可"_s;
const QString noPlan = u"没有发现计划方案，请先组号！"_s;

// A text as a JavaScript literal, whatever it holds.
QString jsText(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Everything the program logs, whatever the category, level or thread.
QMutex capturedMutex;
QStringList *captured = nullptr;

void captureEverything(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    const QMutexLocker lock(&capturedMutex);
    if (captured)
        captured->append(QString::fromLatin1(context.category ? context.category : "") + u": "_s + message);
}

} // namespace

class TestPlanPage final : public QObject
{
    Q_OBJECT

private:
    // The page is served over HTTP from the loopback server: the plan page opens web pages only.
    QUrl writePage(const QString &name, const QString &body)
    {
        const QString path = m_dir.filePath(name);
        const QByteArray page = u"<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>"_s.toUtf8() +
                                body.toUtf8() + "</body></html>";
        return TestFiles::write(path, page) ? QUrl(m_server.base() + name) : QUrl();
    }

    // A fresh bridge on its own host widget, with `url` loaded.
    std::unique_ptr<QWidget> openPage(const QUrl &url, WebEnginePlanPage **page)
    {
        auto host = std::make_unique<QWidget>();
        *page = new WebEnginePlanPage(host.get());
        (*page)->setSilent(true);
        QSignalSpy loaded(*page, &PlanPage::loadFinished);
        (*page)->navigate(url.toString());
        if (!loaded.wait(30000))
            return nullptr;
        return host;
    }

    QTemporaryDir m_dir;
    LoopbackServer m_server;
    QUrl m_globalsUrl;
    std::unique_ptr<QWidget> m_globalsHost;
    WebEnginePlanPage *m_globalsPage = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString folder = m_dir.path();
        m_server.setHandler([folder](const LoopbackServer::Received &request, int) {
            QFile file(folder + QString::fromLatin1(request.path));
            if (!file.open(QIODevice::ReadOnly))
                return LoopbackServer::Answer{404, "text/plain", "not here"};
            return LoopbackServer::Answer{200, "text/html; charset=utf-8", file.readAll()};
        });
        m_globalsUrl = writePage(u"globals.html"_s, u"<script>"
                                                    "var tzIss = '20240101-001期';"
                                                    "var tzNums = '01 02,03*04';"
                                                    "let lexicalPlan = 'let 声明';"
                                                    "const constNumber = 42;"
                                                    "var emptyText = '';"
                                                    "var objectValue = {a: 1};"
                                                    "var listValue = ['x'];"
                                                    "var nullValue = null;"
                                                    "var boolValue = true;"
                                                    "var functionValue = function () { return 'x'; };"
                                                    "Object.defineProperty(window, 'throwing', {get: function () {"
                                                    "  throw new Error('unreadable'); }});"
                                                    "var r = 'page r', k = 'page k', f = 'page f', v = 'page v',"
                                                    "    t = 'page t', i = 'page i', e = 'page e';"
                                                    "var hostile = 'a\\u0000b\\r\\n\\'\"<\\/script>';"
                                                    "</script>"_s);
        m_globalsHost = openPage(m_globalsUrl, &m_globalsPage);
        QVERIFY(m_globalsHost);
    }

    void cleanupTestCase() { m_globalsHost.reset(); }

    void readGlobals_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("texts in the order asked")
            << QStringList{u"tzNums"_s, u"tzIss"_s} << QStringList{u"01 02,03*04"_s, u"20240101-001期"_s};
        QTest::newRow("let and const globals")
            << QStringList{u"lexicalPlan"_s, u"constNumber"_s} << QStringList{u"let 声明"_s, u"42"_s};
        QTest::newRow("non-text values") << QStringList{u"objectValue"_s, u"listValue"_s,     u"nullValue"_s,
                                                        u"boolValue"_s,   u"functionValue"_s, u"emptyText"_s}
                                         << QStringList{QString(), QString(), QString(),
                                                        u"true"_s, QString(), QString()};
        QTest::newRow("missing and throwing spoil only themselves")
            << QStringList{u"missingGlobal"_s, u"throwing"_s, u"tzNums"_s}
            << QStringList{QString(), QString(), u"01 02,03*04"_s};
        QTest::newRow("page globals named like the reader's own")
            << QStringList{u"r"_s, u"k"_s, u"f"_s, u"v"_s, u"t"_s, u"i"_s, u"e"_s}
            << QStringList{u"page r"_s, u"page k"_s, u"page f"_s, u"page v"_s, u"page t"_s, u"page i"_s, u"page e"_s};
        QTest::newRow("names that are not identifiers read nothing")
            << QStringList{u"tzNums;alert(1)"_s, u"tz Nums"_s, u"this"_s, u"1abc"_s, u"return"_s, QString(), u"tzIss"_s}
            << QStringList{QString(), QString(), QString(), QString(), QString(), QString(), u"20240101-001期"_s};
        QTest::newRow("control characters and quotes pass unchanged")
            << QStringList{u"hostile"_s} << QStringList{u"a"_s + QChar(0) + u"b\r\n'\"</script>"_s};
        QTest::newRow("nothing asked") << QStringList{} << QStringList{};
    }

    void readGlobals()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        QCOMPARE(readNow(*m_globalsPage, names), expected);
    }

    void readGlobalsUpTo_cutsTextsOnly()
    {
        QStringList values{u"<no answer>"_s};
        m_globalsPage->readGlobalsUpTo({u"tzNums"_s, u"tzIss"_s, u"constNumber"_s, u"emptyText"_s}, 5, this,
                                       [&](const QStringList &read) { values = read; });
        QTRY_COMPARE(values, (QStringList{u"01 02"_s, u"20240"_s, u"42"_s, QString()}));
    }

    void readGlobals_isNeverAnsweredInsideTheCall()
    {
        bool called = false;
        m_globalsPage->readGlobals({u"tzNums"_s}, this, [&](const QStringList &) { called = true; });
        QVERIFY(!called);
        QTRY_VERIFY(called);

        WebEnginePlanPage unloaded(nullptr);
        bool unloadedCalled = false;
        unloaded.readGlobals({u"tzNums"_s}, this, [&](const QStringList &) { unloadedCalled = true; });
        QVERIFY(!unloadedCalled);
        QTRY_VERIFY(unloadedCalled);
    }

    void unloadedPage_readsEmpty_andHasNoEngineYet()
    {
        QWidget host;
        WebEnginePlanPage page(&host);
        QCOMPARE(page.widget()->parentWidget(), &host);
        QVERIFY(page.widget()->isHidden());
        // The engine starts with the first navigation, not with the window.
        QVERIFY(page.widget()->findChildren<QWidget *>().isEmpty());
        QCOMPARE(readNow(page, {u"tzIss"_s, u"tzNums"_s}), (QStringList{QString(), QString()}));
        page.runScript(u"window.zqTouched = 1;"_s);
    }

    void readWhileLoading_givesEmpty()
    {
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(m_globalsUrl, &page);
        QVERIFY(host);
        QSignalSpy loaded(page, &PlanPage::loadFinished);
        page->navigate(m_globalsUrl.toString());
        // Asked before the new document is there: the old one must not answer for it.
        QCOMPARE(readNow(*page, {u"tzNums"_s}), QStringList{QString()});
        QVERIFY(loaded.count() > 0 || loaded.wait(30000));
        QCOMPARE(readNow(*page, {u"tzNums"_s}), QStringList{u"01 02,03*04"_s});
    }

    void fragmentOnlyNavigation_keepsThePageReadable()
    {
        WebEnginePlanPage *page = nullptr;
        QUrl first = m_globalsUrl;
        first.setFragment(u"acc=a"_s);
        auto host = openPage(first, &page);
        QVERIFY(host);
        QUrl second = m_globalsUrl;
        second.setFragment(u"acc=b"_s);
        page->navigate(second.toString());
        QTRY_COMPARE(readNow(*page, {u"tzNums"_s}), QStringList{u"01 02,03*04"_s});
    }

    void readAnsweredAfterNavigating_givesEmpty()
    {
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(m_globalsUrl, &page);
        QVERIFY(host);
        QStringList values{u"<no answer>"_s};
        page->readGlobals({u"tzNums"_s}, this, [&](const QStringList &read) { values = read; });
        page->navigate(writePage(u"other.html"_s, u"<script>var tzNums = 'other';</script>"_s).toString());
        QTRY_COMPARE(values, QStringList{QString()});
    }

    void invalidAddress_leavesABlankPage_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("empty") << QString();
        QTest::newRow("script") << u"javascript:var tzNums='injected'"_s;
        QTest::newRow("not an address") << u"::"_s;
        // Pages that would define tzNums, were they opened.
        QTest::newRow("local file") << QUrl::fromLocalFile(m_dir.filePath(u"globals.html"_s)).toString();
        QTest::newRow("data") << u"data:text/html,<script>var tzNums='injected';</script>"_s;
    }

    void invalidAddress_leavesABlankPage()
    {
        QFETCH(QString, address);
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(m_globalsUrl, &page);
        QVERIFY(host);
        QSignalSpy loaded(page, &PlanPage::loadFinished);
        page->navigate(address);
        QVERIFY(loaded.wait(30000));
        QCOMPARE(readNow(*page, {u"tzNums"_s}), QStringList{QString()});
    }

    void failedLoad_logsNoSecret()
    {
        // A port nothing listens on any more: the load is refused.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        const QString secret = u"hunter2secret"_s;

        QStringList log;
        {
            const QMutexLocker lock(&capturedMutex);
            captured = &log;
        }
        QLoggingCategory::setFilterRules(u"*=true"_s);
        const QtMessageHandler previous = qInstallMessageHandler(captureEverything);
        {
            QWidget host;
            WebEnginePlanPage page(&host);
            page.setSilent(true);
            QSignalSpy loaded(&page, &PlanPage::loadFinished);
            page.navigate(u"http://127.0.0.1:%1/plan.php?u=someone&p=%2#p=%2"_s.arg(port).arg(secret));
            QVERIFY(loaded.wait(30000));
            QCOMPARE(loaded.at(0).at(0).toBool(), false);
            page.navigate(u"data:text/html,%1"_s.arg(secret));
            QVERIFY(loaded.wait(30000));
            // A page that quotes its own address in a console message.
            const QUrl quoting =
                writePage(u"quoting.html"_s, u"<script>console.warn('at ' + location.href);</script>"_s);
            page.navigate(quoting.toString() + u"?u=someone&p=%1"_s.arg(secret));
            QVERIFY(loaded.wait(30000));
            QTRY_VERIFY([&] {
                const QMutexLocker lock(&capturedMutex);
                return log.join(u'\n').contains(u"at "_s + quoting.toString());
            }());
        }
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        {
            const QMutexLocker lock(&capturedMutex);
            captured = nullptr;
        }

        const QString all = log.join(u'\n');
        QVERIFY2(!all.contains(secret), qPrintable(all.mid(all.indexOf(secret) - 300, 600)));
        // The failure is still logged, with the address up to its query.
        QVERIFY2(all.contains(u"page load failed: http://127.0.0.1:%1/plan.php"_s.arg(port)),
                 qPrintable(all.left(4000)));
    }

    void deletedContext_isNotCalled()
    {
        auto *gone = new QObject;
        bool goneCalled = false;
        m_globalsPage->readGlobals({u"tzNums"_s}, gone, [&](const QStringList &) { goneCalled = true; });
        delete gone;
        // Answers come in order, so once the later read is answered the earlier one would have been.
        QCOMPARE(readNow(*m_globalsPage, {u"tzIss"_s}), QStringList{u"20240101-001期"_s});
        QVERIFY(!goneCalled);
    }

    void deletedPage_callsNothing()
    {
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(m_globalsUrl, &page);
        QVERIFY(host);
        QObject context;
        int calls = 0;
        page->readGlobals({u"tzNums"_s}, &context, [&](const QStringList &) { ++calls; });
        copyCodes(*page, &context, [&](const QString &) { ++calls; });
        delete page;
        QCOMPARE(calls, 0);
        // Whatever the engine still delivers must find nobody.
        QCOMPARE(readNow(*m_globalsPage, {u"tzIss"_s}), QStringList{u"20240101-001期"_s});
        QCOMPARE(calls, 0);
    }

    void scriptDialogs_answeredSilently()
    {
        const QUrl url = writePage(u"dialogs.html"_s, u"<script>"
                                                      "alert('提示');"
                                                      "var confirmAnswer = String(confirm('确定吗？'));"
                                                      "var promptAnswer = String(prompt('输入', '默认'));"
                                                      "var afterDialogs = 'reached';"
                                                      "</script>"_s);
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(url, &page);
        QVERIFY(host);
        QCOMPARE(readNow(*page, {u"confirmAnswer"_s, u"promptAnswer"_s, u"afterDialogs"_s}),
                 (QStringList{u"false"_s, u"null"_s, u"reached"_s}));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY2(!qobject_cast<QDialog *>(window), qPrintable(window->objectName()));
    }

    void newWindows_goToTheDefaultBrowser()
    {
        UrlRecorder browser;
        const QUrl url = writePage(
            u"popup.html"_s, u"<a id=\"blank\" target=\"_blank\" href=\"https://example.invalid/linked?q=2\">x</a>"
                             "<script>"
                             "window.open('http://example.invalid/plan?x=1');"
                             "window.open('file:///etc/passwd');"
                             "document.getElementById('blank').click();"
                             "</script>"_s);
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(url, &page);
        QVERIFY(host);
        QTRY_COMPARE(browser.urls.size(), 2);
        QCOMPARE(browser.urls.at(0), QUrl(u"http://example.invalid/plan?x=1"_s));
        QCOMPARE(browser.urls.at(1), QUrl(u"https://example.invalid/linked?q=2"_s));
    }

    void copy_data()
    {
        QTest::addColumn<bool>("plan");
        QTest::addColumn<QString>("pageScript");
        QTest::addColumn<QString>("expectedClipboard");
        QTest::addColumn<QString>("expectedNotice");
        QTest::addColumn<QString>("expectedCalls");

        const QString zqMain = u"var zqCodesCopyCalls = 0, zqPlanCopyCalls = 0;"
                               "var zqMain = {"
                               "  codesCopy: function () { zqCodesCopyCalls++; tzNums = 'changed by the page'; },"
                               "  planCopy: function () { zqPlanCopyCalls++; tzPlan = 'changed by the page'; } };"_s;
        const QString sentinel = u"clipboard before"_s;

        QTest::newRow("numbers copied as read before the page script")
            << false << zqMain + u"var tzNums = '01 02,03*04 | 05';"_s << u"01 02,03*04 | 05"_s << codesCopied
            << u"1"_s;
        QTest::newRow("empty numbers: clipboard untouched")
            << false << zqMain + u"var tzNums = '';"_s << sentinel << noCodes << u"0"_s;
        QTest::newRow("no numbers at all") << false << zqMain << sentinel << noCodes << u"0"_s;
        QTest::newRow("page without zqMain still copies")
            << false << u"var tzNums = '7 8 9'; var zqCodesCopyCalls = 'none';"_s << u"7 8 9"_s << codesCopied
            << u"none"_s;
        const QString multiLine = u"第1期 01 02 03\r\n第2期 04 05\n\n末行\t制表 "_s;
        QTest::newRow("plan with several lines copied exactly")
            << true << zqMain + u"var tzPlan = "_s + jsText(multiLine) + u";"_s << multiLine << planCopied << u"1"_s;
        QTest::newRow("empty plan") << true << zqMain + u"var tzPlan = '';"_s << sentinel << noPlan << u"0"_s;
    }

    void copy()
    {
        QFETCH(bool, plan);
        QFETCH(QString, pageScript);
        QFETCH(QString, expectedClipboard);
        QFETCH(QString, expectedNotice);
        QFETCH(QString, expectedCalls);

        WebEnginePlanPage *page = nullptr;
        auto host = openPage(writePage(u"copy.html"_s, u"<script>"_s + pageScript + u"</script>"_s), &page);
        QVERIFY(host);
        QGuiApplication::clipboard()->setText(u"clipboard before"_s);

        QStringList notices;
        const auto showNotice = [&](const QString &notice) { notices.append(notice); };
        if (plan)
            copyPlan(*page, host.get(), showNotice);
        else
            copyCodes(*page, host.get(), showNotice);
        QTRY_COMPARE(notices, QStringList{expectedNotice});
        QCOMPARE(QGuiApplication::clipboard()->text(), expectedClipboard);
        QCOMPARE(readNow(*page, {plan ? u"zqPlanCopyCalls"_s : u"zqCodesCopyCalls"_s}), QStringList{expectedCalls});
    }

    void copyBeforeAnyPage_showsFailureNotices()
    {
        QWidget host;
        WebEnginePlanPage page(&host);
        QGuiApplication::clipboard()->setText(u"clipboard before"_s);
        QStringList notices;
        copyCodes(page, &host, [&](const QString &notice) { notices.append(notice); });
        copyPlan(page, &host, [&](const QString &notice) { notices.append(notice); });
        QTRY_COMPARE(notices.size(), 2);
        QCOMPARE(notices, (QStringList{noCodes, noPlan}));
        QCOMPARE(QGuiApplication::clipboard()->text(), u"clipboard before"_s);
    }

    void copyForAGoneWindow_doesNothing()
    {
        auto *window = new QObject;
        int notices = 0;
        QGuiApplication::clipboard()->setText(u"clipboard before"_s);
        copyCodes(*m_globalsPage, window, [&](const QString &) { ++notices; });
        delete window;
        QCOMPARE(readNow(*m_globalsPage, {u"tzIss"_s}), QStringList{u"20240101-001期"_s});
        QCOMPARE(notices, 0);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"clipboard before"_s);
    }

    // Last: the page ties up its renderer for a while.
    void hungPage_answersEmptyOnce()
    {
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(m_globalsUrl, &page);
        QVERIFY(host);
        const int busyMs = WebEnginePlanPage::readTimeoutMs + 2000;
        page->runScript(u"var zqEnd = Date.now() + %1; while (Date.now() < zqEnd) {}"_s.arg(busyMs));
        QList<QStringList> answers;
        page->readGlobals({u"tzNums"_s}, this, [&](const QStringList &read) { answers.append(read); });
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 1, WebEnginePlanPage::readTimeoutMs + 1000);
        QCOMPARE(answers.at(0), QStringList{QString()});
        // The page's late answer to the first read must not make a second call.
        QCOMPARE(readNow(*page, {u"tzNums"_s}), QStringList{u"01 02,03*04"_s});
        QCOMPARE(answers.size(), 1);
    }
};

QTEST_MAIN(TestPlanPage)
#include "tst_planpage.moc"
