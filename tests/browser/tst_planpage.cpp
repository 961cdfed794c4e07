#include "browser/deferredplanpage.h"
#include "browser/logthrottle.h"
#include "browser/plancopy.h"
#include "browser/recoveringplanpage.h"
#include "browser/webengineplanpage.h"
#include "loopbackserver.h"
#include "planpagereads.h"
#include "testfiles.h"
#include "urlrecorder.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMutex>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>

#include <atomic>
#include <memory>

#if defined(Q_OS_WIN)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <signal.h>
#endif

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
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

// Everything the program logs, whatever the category, level or thread; debug lines begin "D ".
QMutex capturedMutex;
QStringList *captured = nullptr;

void captureEverything(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QMutexLocker lock(&capturedMutex);
    if (captured)
        captured->append((type == QtDebugMsg ? u"D "_s : u"- "_s) +
                         QString::fromLatin1(context.category ? context.category : "") + u": "_s + message);
}

// Captures the log from construction to destruction under the given rules.
class LogCapture final
{
public:
    explicit LogCapture(const QString &rules)
    {
        const QMutexLocker lock(&capturedMutex);
        captured = &m_lines;
        QLoggingCategory::setFilterRules(rules);
        m_previous = qInstallMessageHandler(captureEverything);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
        const QMutexLocker lock(&capturedMutex);
        captured = nullptr;
    }
    Q_DISABLE_COPY_MOVE(LogCapture)

    QStringList lines() const
    {
        const QMutexLocker lock(&capturedMutex);
        return m_lines;
    }

private:
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

QByteArray htmlPage(const QByteArray &body)
{
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>" + body + "</body></html>";
}

LoopbackServer::Answer htmlAnswer(const QByteArray &body, int status = 200)
{
    return {status, "text/html; charset=utf-8", htmlPage(body)};
}

// The engine's view: the page's widget, or inside the plan area's holder.
QWebEngineView *engineView(PlanPage *page)
{
    QWidget *widget = page->widget();
    if (auto *view = qobject_cast<QWebEngineView *>(widget))
        return view;
    return widget->findChild<QWebEngineView *>();
}

// Ends the page's process from outside, as the system ends one that runs out of memory.
bool killPageProcess(PlanPage *page)
{
    QWebEngineView *view = engineView(page);
    const qint64 pid = view ? view->page()->renderProcessPid() : 0;
    if (pid <= 0)
        return false;
#if defined(Q_OS_WIN)
    const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid));
    const bool ended = process && TerminateProcess(process, 9);
    if (process)
        CloseHandle(process);
    return ended;
#else
    return ::kill(pid_t(pid), SIGKILL) == 0;
#endif
}

// On screen, where the user's clicks reach it.
bool showPage(QWidget *host, PlanPage *page)
{
    host->resize(640, 480);
    page->widget()->setGeometry(host->rect());
    page->widget()->show();
    host->show();
    return QTest::qWaitForWindowExposed(host);
}

// What a test page counts the user's clicks with.
const QString clickCounter =
    u"<script>var clicks = 0; document.addEventListener('mousedown', function () { clicks++; }, true);</script>"_s;

// A click of the user's into the page (which counts them with clickCounter), where the engine
// takes it from the window system; made again until the page has seen it, since the engine
// drops the input that comes before it has drawn the page.
bool clickInPage(PlanPage &page)
{
    const int before = readNow(page, {u"clicks"_s}).value(0).toInt();
    for (int attempt = 0; attempt < 20; ++attempt) {
        QWidget *surface = engineView(&page)->focusProxy();
        QTest::mouseClick(surface, Qt::LeftButton, {}, surface->rect().center());
        if (QTest::qWaitFor([&] { return readNow(page, {u"clicks"_s}).value(0).toInt() > before; }, 500))
            return true;
    }
    return false;
}

// The page's counter `ticks` once it has moved on by `by` from now.
bool waitForTicks(PlanPage &page, int by)
{
    const int from = readNow(page, {u"ticks"_s}).value(0).toInt();
    return QTest::qWaitFor([&] { return readNow(page, {u"ticks"_s}).value(0).toInt() >= from + by; }, 20000);
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

    // A fresh bridge on its own host widget, with `url` loaded; on screen where `shown`.
    std::unique_ptr<QWidget> openPage(const QUrl &url, WebEnginePlanPage **page, bool shown = false)
    {
        auto host = std::make_unique<QWidget>();
        *page = new WebEnginePlanPage(host.get());
        (*page)->setSilent(true);
        if (shown && !showPage(host.get(), *page))
            return nullptr;
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
        // The plan area as the program makes it: the engine's page is made on the first navigation.
        QWidget host;
        DeferredPlanPage::Engine engine;
        engine.createPage = [](QWidget *holder, QString *) -> PlanPage * { return new WebEnginePlanPage(holder); };
        DeferredPlanPage page(&host, engine);
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

    // New windows open in the default browser only when the user's click started them, a few a
    // minute at most; a page that opens them in a loop opens none.
    void newWindows_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("opened");
        QTest::addColumn<QUrl>("first");

        const QString loop = u"<script>var ticks = 0; setInterval(function () { ticks++;"
                             " window.open('http://example.invalid/plan?x=' + ticks); }, 20);</script>"_s;
        const QString ticking = u"<script>var ticks = 0; setInterval(function () { ticks++; }, 20);</script>"_s;
        const QString filling = u"style=\"display:block;position:fixed;left:0;top:0;width:100%;height:100%\""_s;
        QTest::newRow("a page opening windows in a loop, no click") << loop << 0 << 0 << QUrl();
        QTest::newRow("a click: one of them") << loop << 1 << 1 << QUrl();
        QTest::newRow("five clicks: three a minute") << loop << 5 << 3 << QUrl();
        QTest::newRow("a click on a link to a new window")
            << u"<a "_s + filling + u" target=\"_blank\" href=\"https://example.invalid/linked?q=2\">x</a>"_s + ticking
            << 1 << 1 << QUrl(u"https://example.invalid/linked?q=2"_s);
        QTest::newRow("a click that opens a file: nothing")
            << u"<div "_s + filling + u" onclick=\"window.open('file:///etc/passwd')\"></div>"_s + ticking << 1 << 0
            << QUrl();
    }

    void newWindows()
    {
        QFETCH(QString, body);
        QFETCH(int, clicks);
        QFETCH(int, opened);
        QFETCH(QUrl, first);

        UrlRecorder browser;
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(writePage(u"popup.html"_s, clickCounter + body), &page, true);
        QVERIFY(host);
        for (int i = 0; i < clicks; ++i) {
            QVERIFY(clickInPage(*page));
            // The click's window is asked for before the next click.
            QVERIFY(waitForTicks(*page, 3));
        }
        // Long enough for a loop to have asked for many more.
        QVERIFY(waitForTicks(*page, 50));
        QCOMPARE(browser.urls.size(), opened);
        for (const QUrl &url : std::as_const(browser.urls))
            QVERIFY2(url.toString().startsWith(u"http://example.invalid/plan?x="_s) || url == first,
                     qPrintable(url.toString()));
        if (!first.isEmpty())
            QCOMPARE(browser.urls.value(0), first);
    }

    // What a page makes the program log is debug text, a few lines a second and the count of the rest.
    void pageMessages_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("messages");
        QTest::newRow("console") << u"for (var i = 0; i < 1000; i++) console.log('zq-line ' + i);"_s << 1000;
        QTest::newRow("console errors") << u"for (var i = 0; i < 1000; i++) console.error('zq-line ' + i);"_s << 1000;
        // Fewer than a page that opens dialogs without end.
        QTest::newRow("alerts") << u"for (var i = 0; i < 40; i++) alert('zq-line ' + i);"_s << 40;
        QTest::newRow("confirms") << u"for (var i = 0; i < 40; i++) confirm('zq-line ' + i);"_s << 40;
        QTest::newRow("prompts") << u"for (var i = 0; i < 40; i++) prompt('zq-line ' + i, 'x');"_s << 40;
    }

    void pageMessages()
    {
        QFETCH(QString, script);
        QFETCH(int, messages);
        LogCapture log(u"zq.browser.debug=true"_s);
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(writePage(u"messages.html"_s, u"<script>"_s + script + u"</script>"_s), &page);
        QVERIFY(host);
        static const QRegularExpression leftOut(u"(\\d+) more lines from the page not logged"_s);
        QTRY_VERIFY([&] { return log.lines().join(u'\n').contains(leftOut); }());

        QStringList pageLines;
        qint64 counted = 0;
        for (const QString &line : log.lines()) {
            if (line.contains(u"zq-line"_s))
                pageLines.append(line);
            const QRegularExpressionMatch told = leftOut.match(line);
            if (told.hasMatch())
                counted += told.captured(1).toLongLong();
        }
        // One window, or two where the page's messages spanned the end of one.
        QVERIFY2(pageLines.size() <= 2 * LogThrottle::defaultLines, qPrintable(pageLines.join(u'\n')));
        QVERIFY2(pageLines.size() + counted >= messages, qPrintable(QString::number(pageLines.size() + counted)));
        for (const QString &line : std::as_const(pageLines))
            QVERIFY2(line.startsWith(u"D zq.browser: "_s), qPrintable(line));
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

    // The program's navigation happens whatever the page's beforeunload says, silent or not:
    // nobody is asked.
    void leavePage_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::newRow("silent") << true;
        QTest::newRow("not silent") << false;
    }

    void leavePage()
    {
        QFETCH(bool, silent);
        const QUrl url =
            writePage(u"leave.html"_s, clickCounter + u"<script>var tzNums = 'stay';"
                                                      "window.addEventListener('beforeunload', function (e) {"
                                                      "  e.preventDefault(); e.returnValue = 'stay'; });</script>"_s);
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(url, &page, true);
        QVERIFY(host);
        page->setSilent(silent);
        // The engine asks before leaving only a page that the user has clicked in.
        QVERIFY(clickInPage(*page));
        QCOMPARE(readNow(*page, {u"tzNums"_s}), QStringList{u"stay"_s});

        // Were the question shown, the user would answer it: stay.
        int shown = 0;
        QTimer user;
        connect(&user, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                ++shown;
                box->reject();
            }
        });
        user.start(20);
        page->navigate(m_globalsUrl.toString());
        QTRY_COMPARE_WITH_TIMEOUT(readNow(*page, {u"tzNums"_s}), QStringList{u"01 02,03*04"_s},
                                  int(WebEnginePlanPage::startLimit.count()) + 5000);
        QCOMPARE(shown, 0);
    }

    // An address the engine takes as no address at all starts no navigation: the page stays as it
    // was, readable, instead of loading for ever.
    void navigationThatNeverStarts_leavesThePageReadable()
    {
        WebEnginePlanPage *page = nullptr;
        auto host = openPage(m_globalsUrl, &page);
        QVERIFY(host);
        page->navigate(u"http://1.2.3.4.5/plan.php"_s);
        QTRY_COMPARE_WITH_TIMEOUT(readNow(*page, {u"tzNums"_s}), QStringList{u"01 02,03*04"_s},
                                  int(WebEnginePlanPage::startLimit.count()) + 5000);
    }

    // A navigation of the page's own that comes to nothing (a download, an empty answer) leaves the
    // plan page as it was: nothing to come back from.
    void pagesOwnNavigationToNothing_isNoFailure_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("an empty answer") << QByteArray("/empty");
        QTest::newRow("a download") << QByteArray("/file.bin");
    }

    void pagesOwnNavigationToNothing_isNoFailure()
    {
        QFETCH(QByteArray, path);
        LoopbackServer server;
        server.setAnswer("/plan.html", htmlAnswer("<script>var tzNums = 'plan';</script>"));
        server.setAnswer("/empty", {204, "text/html", ""});
        LoopbackServer::Answer download{200, "application/octet-stream", "bytes"};
        download.headers = {{"Content-Disposition", "attachment; filename=file.bin"}};
        server.setAnswer("/file.bin", download);
        QWidget host;
        auto *engine = new WebEnginePlanPage(&host);
        RecoveringPlanPage page{std::unique_ptr<PlanPage>(engine)};
        page.setSilent(true);
        QSignalSpy loaded(&page, &PlanPage::loadFinished);
        page.navigate(server.url(u"/plan.html"_s));
        QVERIFY(loaded.wait(30000));
        QSignalSpy engineLoaded(engineView(&page)->page(), &QWebEnginePage::loadFinished);
        page.runScript(u"location.href = '"_s + QString::fromLatin1(path) + u"';"_s);
        QVERIFY(engineLoaded.wait(30000));
        QCOMPARE(engineLoaded.at(0).at(0).toBool(), false);
        QCoreApplication::processEvents();
        QVERIFY(!page.isDown());
        QVERIFY(!page.reloadPlanned());
        QCOMPARE(readNow(page, {u"tzNums"_s}), QStringList{u"plan"_s});
        QCOMPARE(server.receivedFor("/plan.html").size(), 1);
    }

    // Reads answer once the document is parsed and its scripts have run, while an image is
    // still on its way.
    void readsBeforeTheImages_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("a script before the image") << QByteArray("<script>var tzNums = 'ready';</script>"
                                                                 "<img src=\"/slow.png\">");
        QTest::newRow("a script after the image") << QByteArray("<img src=\"/slow.png\">"
                                                                "<script>var tzNums = 'ready';</script>");
        QTest::newRow("a DOMContentLoaded handler")
            << QByteArray("<img src=\"/slow.png\"><script>document.addEventListener('DOMContentLoaded',"
                          " function () { window.tzNums = 'ready'; });</script>");
    }

    void readsBeforeTheImages()
    {
        QFETCH(QByteArray, body);
        LoopbackServer server;
        server.setAnswer("/plan.html", htmlAnswer(body));
        LoopbackServer::Answer image{200, "image/png", "not yet"};
        // Held as long as the server holds anything (15 s): the read must not wait for it.
        image.holdUntil = "/never";
        server.setAnswer("/slow.png", image);

        QWidget host;
        WebEnginePlanPage page(&host);
        page.setSilent(true);
        QSignalSpy loaded(&page, &PlanPage::loadFinished);
        page.navigate(server.url(u"/plan.html"_s));
        QTRY_COMPARE_WITH_TIMEOUT(readNow(page, {u"tzNums"_s}), QStringList{u"ready"_s}, 10000);
        QCOMPARE(loaded.size(), 0);
    }

    // The page comes back by itself, reads and all, with nobody clicking anything.
    void comesBack_data()
    {
        QTest::addColumn<int>("firstStatus");
        QTest::addColumn<QByteArray>("firstBody");
        QTest::addColumn<bool>("killAfterLoad");
        QTest::newRow("the service answered 502, then 200")
            << 502 << QByteArray("<script>var tzNums = 'error page';</script>bad gateway") << false;
        QTest::newRow("its process killed") << 200 << QByteArray("<script>var tzNums = 'first';</script>") << true;
        QTest::newRow("a page that hangs")
            << 200 << QByteArray("<script>var tzNums = 'first'; setTimeout(function () { for (;;) {} }, 200);</script>")
            << false;
        QTest::newRow("a page that opens dialogs without end")
            << 200
            << QByteArray("<script>var tzNums = 'first';"
                          " setTimeout(function () { for (;;) { alert('again'); } }, 200);</script>")
            << false;
    }

    void comesBack()
    {
        QFETCH(int, firstStatus);
        QFETCH(QByteArray, firstBody);
        QFETCH(bool, killAfterLoad);
        LoopbackServer server;
        auto served = std::make_shared<std::atomic<int>>(0);
        server.setHandler([=](const LoopbackServer::Received &request, int) {
            if (request.path != "/plan.html")
                return LoopbackServer::Answer{404, "text/plain", "not here"};
            return served->fetch_add(1) == 0 ? htmlAnswer(firstBody, firstStatus)
                                             : htmlAnswer("<script>var tzNums = 'back';</script>");
        });
        QWidget host;
        auto *engine = new WebEnginePlanPage(&host);
        engine->setUnansweredLimit(2s);
        RecoveringPlanPage page{std::unique_ptr<PlanPage>(engine)};
        page.setSilent(true);
        QSignalSpy loaded(&page, &PlanPage::loadFinished);
        page.navigate(server.url(u"/plan.html"_s));
        QVERIFY(loaded.wait(30000));
        if (killAfterLoad) {
            QCOMPARE(readNow(page, {u"tzNums"_s}), QStringList{u"first"_s});
            QVERIFY(killPageProcess(&page));
        }
        QTRY_COMPARE_WITH_TIMEOUT(readNow(page, {u"tzNums"_s}), QStringList{u"back"_s}, 60000);
        // One reload, not a storm of them.
        QCOMPARE(served->load(), 2);
    }

    // A page that keeps failing is reloaded no faster than the waits allow (shortened here).
    void failingPage_reloadsByTheWaits()
    {
        LoopbackServer server;
        server.setHandler([](const LoopbackServer::Received &request, int) {
            return request.path == "/plan.html" ? htmlAnswer("down", 502) : htmlAnswer("not here", 404);
        });
        QWidget host;
        const RecoveringPlanPage::Schedule schedule{{0ms, 300ms, 600ms}, 900ms};
        RecoveringPlanPage page(std::make_unique<WebEnginePlanPage>(&host), schedule);
        page.setSilent(true);
        const auto loads = [&] { return server.receivedFor("/plan.html").size(); };
        QElapsedTimer clock;
        clock.start();
        page.navigate(server.url(u"/plan.html"_s));
        QTRY_COMPARE_WITH_TIMEOUT(loads(), 6, 30000);
        const qint64 elapsed = clock.elapsed();
        // The load, one at once, then one after each wait: 0 + 300 + 600 + 900 + 900 ms at least.
        QVERIFY2(elapsed >= 2700, qPrintable(QString::number(elapsed)));
        QCOMPARE(page.reloads(), 5);
        QVERIFY(page.isDown());
        QCOMPARE(readNow(page, {u"tzNums"_s}), QStringList{QString()});
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
