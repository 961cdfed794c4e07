// The plan page on the system's browser control, under Wine: the script bridge against a real
// script engine (JScript, whose global object answers as a document's Script object does),
// the control embedded in a real native window, its navigations seen by the stand-in service,
// and the setting that gives the control its document mode. Wine here has no HTML engine
// (Gecko): the control fetches its page but every navigation ends in an error and no document
// exists, which is what the control's rows rely on.
#include "browser/browsercontrolplanpage.h"
#include "browser/browseremulation.h"
#include "browser/deferredplanpage.h"
#include "browser/recoveringplanpage.h"
#include "browser/scriptbridge.h"
#include "desktop/comsupport_win.h"
#include "devservice.h"
#include "planpagereads.h"

#include <QEventLoop>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <activscp.h>
#include <memory>
#include <wrl/client.h>

using namespace Qt::StringLiterals;
using namespace zq;
using Microsoft::WRL::ComPtr;

namespace {

// JScript's class, as the system registers it.
const CLSID jscriptClass = {0xf414c260, 0x6ac0, 0x11cf, {0xb6, 0xd1, 0x00, 0xaa, 0x00, 0xbb, 0xbb, 0x58}};
// Wine's JScript speaks ECMAScript 5 (getters, Object.defineProperty) when asked for this
// version: ECMAScript 5 (0x102) as for a page (0x400), what it runs a modern document's
// scripts with. The system's own JScript refuses it, and its getter row is skipped there.
constexpr long scriptVersionEs5 = 0x502;

// The host side of a JScript engine: it counts the errors the engine reports.
class ScriptSite final : public IActiveScriptSite
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == __uuidof(IActiveScriptSite)) {
            *object = static_cast<IActiveScriptSite *>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack, longer than the engine.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetLCID(LCID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR, DWORD, IUnknown **, ITypeInfo **) override
    {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT *, const EXCEPINFO *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError *) override
    {
        ++errors;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

    int errors = 0;
};

// A page's scripts in a JScript engine of their own; global() is its global object.
class ScriptPage final
{
public:
    explicit ScriptPage(const QString &source)
    {
        if (FAILED(CoCreateInstance(jscriptClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_engine))))
            return;
        ComPtr<IActiveScriptProperty> properties;
        if (SUCCEEDED(m_engine.As(&properties))) {
            VARIANT version;
            V_VT(&version) = VT_I4;
            V_I4(&version) = scriptVersionEs5;
            m_es5 = SUCCEEDED(properties->SetProperty(SCRIPTPROP_INVOKEVERSIONING, nullptr, &version));
        }
        ComPtr<IActiveScriptParse> parser;
        if (FAILED(m_engine.As(&parser)) || FAILED(m_engine->SetScriptSite(&m_site)) || FAILED(parser->InitNew()))
            return;
        const std::wstring text = source.toStdWString();
        EXCEPINFO exception = {};
        if (FAILED(parser->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0, 0, 0, nullptr, &exception)))
            return;
        m_engine->SetScriptState(SCRIPTSTATE_CONNECTED);
        m_engine->GetScriptDispatch(nullptr, &m_global);
    }
    ~ScriptPage()
    {
        m_global.Reset();
        if (m_engine)
            m_engine->Close();
    }
    Q_DISABLE_COPY_MOVE(ScriptPage)

    IDispatch *global() const { return m_global.Get(); }
    bool speaksEs5() const { return m_es5; }
    int reportedErrors() const { return m_site.errors; }

private:
    ScriptSite m_site;
    ComPtr<IActiveScript> m_engine;
    ComPtr<IDispatch> m_global;
    bool m_es5 = false;
};

const QString pageScript = uR"(
var tzIss = "20240101-001期";
var tzNums = "01 02,03*04";
var tzPlan = "栖木计划 第0001期\n万位：01 02 03\r\n千位：04 05";
var hostile = "a\u0000b\r\n'\"</script>";
var emptyText = "";
var integer = 42, negative = -7, fraction = 1.5, tiny = 1e-7, smallest = 0.000001, huge = 1e21,
    belowHuge = 123456789012345680000, inexact = 0.1 + 0.2, negativeTiny = -2.5e-7, beyondInt = 2147483647 + 1,
    minusZero = -0, notANumber = 0 / 0, minusInfinity = -1 / 0;
var yes = true, no = false;
var nullValue = null, undefinedValue = undefined, objectValue = {a: 1}, listValue = ["x"];
var functionValue = function () { return "x"; };
var codesCopyCalls = 0, planCopyCalls = 0;
var zqMain = {
  codesCopy: function () { codesCopyCalls++; },
  planCopy: function () { planCopyCalls++; }
};
)"_s;

const QString throwingGetter =
    u"Object.defineProperty(this, 'throwing', {get: function () { throw new Error('unreadable'); }});"_s;

QSize clientSize(HWND window)
{
    RECT area = {};
    GetClientRect(window, &area);
    return {int(area.right - area.left), int(area.bottom - area.top)};
}

QString locationOf(IWebBrowser2 *browser)
{
    Bstr location;
    browser->get_LocationURL(location.out());
    return location.toString();
}

// The test window: a holder widget filling it, as the window's plan area.
struct HostWindow
{
    HostWindow()
    {
        window.resize(420, 300);
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(holder);
        holder->setLayout(new QVBoxLayout);
        holder->layout()->setContentsMargins(0, 0, 0, 0);
    }
    QWidget window;
    QWidget *holder = new QWidget(&window);
};

} // namespace

class TestBrowserControl final : public QObject
{
    Q_OBJECT

private:
    // A control in a shown test window, or null (with the test failed) when it cannot be made.
    std::unique_ptr<BrowserControlPlanPage> makePage(HostWindow &host)
    {
        QString why;
        std::unique_ptr<BrowserControlPlanPage> page(BrowserControlPlanPage::create(host.holder, &why));
        if (!page) {
            qWarning().noquote() << "no control:" << why;
            return nullptr;
        }
        host.holder->layout()->addWidget(page->widget());
        page->setSilent(true);
        host.window.show();
        return page;
    }

    DevService m_service;

private Q_SLOTS:
    void initTestCase()
    {
        if (!qEnvironmentVariableIsSet("ZQ_EXPECT_NO_CONTROL"))
            QVERIFY(m_service.start());
    }

    void bridge_readsGlobals_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("texts in the order asked")
            << QStringList{u"tzNums"_s, u"tzIss"_s} << QStringList{u"01 02,03*04"_s, u"20240101-001期"_s};
        QTest::newRow("a plan of several lines")
            << QStringList{u"tzPlan"_s} << QStringList{u"栖木计划 第0001期\n万位：01 02 03\r\n千位：04 05"_s};
        QTest::newRow("control characters and quotes pass unchanged")
            << QStringList{u"hostile"_s, u"emptyText"_s} << QStringList{u"a"_s + QChar(0) + u"b\r\n'\"</script>"_s, {}};
        // What the other engine's page gives for the same values: JavaScript's own String(x).
        QTest::newRow("numbers as JavaScript writes them")
            << QStringList{u"integer"_s,   u"negative"_s,   u"fraction"_s,     u"tiny"_s,         u"smallest"_s,
                           u"huge"_s,      u"belowHuge"_s,  u"inexact"_s,      u"negativeTiny"_s, u"beyondInt"_s,
                           u"minusZero"_s, u"notANumber"_s, u"minusInfinity"_s}
            << QStringList{u"42"_s,
                           u"-7"_s,
                           u"1.5"_s,
                           u"1e-7"_s,
                           u"0.000001"_s,
                           u"1e+21"_s,
                           u"123456789012345680000"_s,
                           u"0.30000000000000004"_s,
                           u"-2.5e-7"_s,
                           u"2147483648"_s,
                           u"0"_s,
                           u"NaN"_s,
                           u"-Infinity"_s};
        QTest::newRow("booleans") << QStringList{u"yes"_s, u"no"_s} << QStringList{u"true"_s, u"false"_s};
        QTest::newRow("values that are not text") << QStringList{u"nullValue"_s, u"undefinedValue"_s, u"objectValue"_s,
                                                                 u"listValue"_s, u"functionValue"_s,  u"zqMain"_s}
                                                  << QStringList(6);
        QTest::newRow("missing names and names that are not identifiers")
            << QStringList{u"missingGlobal"_s, u"tzNums;tzIss"_s, u"this"_s, QString(), u"1abc"_s, u"tzIss"_s}
            << QStringList{QString(), QString(), QString(), QString(), QString(), u"20240101-001期"_s};
        QTest::newRow("nothing asked") << QStringList{} << QStringList{};
    }
    void bridge_readsGlobals()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        const ScriptPage page(pageScript);
        QVERIFY(page.global());
        QCOMPARE(ScriptBridge::readGlobals(page.global(), names), expected);
    }

    void bridge_throwingGetterSpoilsOnlyItself()
    {
        const ScriptPage page(pageScript + throwingGetter);
        if (!page.speaksEs5())
            QSKIP("this JScript has no ECMAScript 5 version for getters");
        QVERIFY(page.global());
        QCOMPARE(ScriptBridge::readGlobals(page.global(), {u"throwing"_s, u"tzNums"_s}),
                 (QStringList{QString(), u"01 02,03*04"_s}));
    }

    void bridge_runsThePagesFunctions()
    {
        const ScriptPage page(pageScript);
        QVERIFY(page.global());
        // The copy links' own scripts.
        QVERIFY(ScriptBridge::run(page.global(), u"(function(){zqMain.codesCopy.call(this);})()"_s));
        QVERIFY(ScriptBridge::run(page.global(), u"(function(){zqMain.planCopy.call(this);})()"_s));
        QVERIFY(ScriptBridge::run(page.global(), u"(function(){zqMain.planCopy.call(this);})()"_s));
        QCOMPARE(ScriptBridge::readGlobals(page.global(), {u"codesCopyCalls"_s, u"planCopyCalls"_s}),
                 (QStringList{u"1"_s, u"2"_s}));
    }

    void bridge_keepsScriptErrorsInThePage()
    {
        const ScriptPage page(pageScript);
        QVERIFY(page.global());
        const QStringList failing = {u"throw new Error('broken')"_s, u"noSuchFunction()"_s, u"var x = ;"_s,
                                     u"zqMain.missing.call(this)"_s};
        for (const QString &script : failing)
            QVERIFY2(ScriptBridge::run(page.global(), script), qPrintable(script));
        QCOMPARE(page.reportedErrors(), failing.size());
        // The page goes on as before.
        QVERIFY(ScriptBridge::run(page.global(), u"zqMain.codesCopy()"_s));
        QCOMPARE(ScriptBridge::readGlobals(page.global(), {u"codesCopyCalls"_s, u"tzNums"_s}),
                 (QStringList{u"1"_s, u"01 02,03*04"_s}));
    }

    void bridge_withoutAScript_readsEmptyAndRunsNothing()
    {
        QCOMPARE(ScriptBridge::readGlobals(nullptr, {u"tzNums"_s, u"tzIss"_s}), QStringList(2));
        QVERIFY(!ScriptBridge::run(nullptr, u"zqMain.codesCopy()"_s));
    }

    void emulation_isSetForTheProgramsFileName()
    {
        const QString program = u"zq-emulation-test.exe"_s;
        QCOMPARE(BrowserEmulation::current(program), 0UL);
        QVERIFY(BrowserEmulation::set(program, 9000));
        QCOMPARE(BrowserEmulation::current(program), 9000UL);
        QVERIFY(BrowserEmulation::set(program, BrowserEmulation::ie11));
        QCOMPARE(BrowserEmulation::current(program), BrowserEmulation::ie11);
        QCOMPARE(BrowserEmulation::programFileName(), u"tst_browsercontrol.exe"_s);
        RegDeleteKeyValueW(HKEY_CURRENT_USER,
                           L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION",
                           L"zq-emulation-test.exe");
    }

    void control_isEmbeddedInThePlanArea()
    {
        if (qEnvironmentVariableIsSet("ZQ_EXPECT_NO_CONTROL"))
            QSKIP("this run has no browser control");
        HostWindow host;
        const auto page = makePage(host);
        QVERIFY(page);
        QVERIFY(QTest::qWaitForWindowExposed(&host.window));
        const HWND holder = reinterpret_cast<HWND>(page->widget()->winId());
        const HWND control = page->controlWindow();
        QVERIFY(IsWindow(control));
        QCOMPARE(GetAncestor(control, GA_PARENT), holder);
        // Device pixels: the test runs at a scale factor of 2.
        const qreal scale = page->widget()->devicePixelRatioF();
        const auto expectedSize = [&] { return (QSizeF(page->widget()->size()) * scale).toSize(); };
        QTRY_COMPARE(clientSize(control), expectedSize());
        host.window.resize(520, 360);
        QTRY_COMPARE(clientSize(control), expectedSize());
        QVERIFY(IsWindowVisible(control));
        VARIANT_BOOL silent = VARIANT_FALSE;
        QVERIFY(SUCCEEDED(page->browser()->get_Silent(&silent)));
        QCOMPARE(silent, VARIANT_TRUE);
        host.window.hide();
        QTRY_VERIFY(!IsWindowVisible(control));
    }

    void control_asksForThePlanPage()
    {
        if (qEnvironmentVariableIsSet("ZQ_EXPECT_NO_CONTROL"))
            QSKIP("this run has no browser control");
        QVERIFY(m_service.clear());
        HostWindow host;
        const auto page = makePage(host);
        QVERIFY(page);
        QSignalSpy loaded(page.get(), &PlanPage::loadFinished);
        page->navigate(m_service.baseUrl() + u"plan.php?u=demo&p=demo123"_s);
        QVERIFY(loaded.wait(20000));
        QTRY_VERIFY_WITH_TIMEOUT(!m_service.log().isEmpty(), 10000);
        const QList<QJsonObject> requests = m_service.log();
        QCOMPARE(requests.first().value(u"method"_s).toString(), u"GET"_s);
        QCOMPARE(requests.first().value(u"path"_s).toString(), u"/plan.php"_s);
        QCOMPARE(requests.first().value(u"query"_s).toString(), u"u=demo&p=demo123"_s);
    }

    void control_opensNothingButWebPages_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("local file") << u"file:///C:/windows/win.ini"_s;
        QTest::newRow("script") << u"javascript:location='%1_test/called?fn=injected'"_s;
        QTest::newRow("network share") << u"\\\\127.0.0.1\\share\\plan.html"_s;
        QTest::newRow("empty") << QString();
    }
    void control_opensNothingButWebPages()
    {
        if (qEnvironmentVariableIsSet("ZQ_EXPECT_NO_CONTROL"))
            QSKIP("this run has no browser control");
        QFETCH(QString, address);
        address.replace(u"%1"_s, m_service.baseUrl());
        QVERIFY(m_service.clear());
        HostWindow host;
        const auto page = makePage(host);
        QVERIFY(page);
        QSignalSpy loaded(page.get(), &PlanPage::loadFinished);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^not a web page address"_s));
        page->navigate(address);
        QVERIFY(loaded.wait(20000));
        QCOMPARE(locationOf(page->browser()), u"about:blank"_s);
        QCOMPARE(readNow(*page, {u"tzNums"_s}), QStringList{QString()});
        QVERIFY(m_service.log().isEmpty());
    }

    void control_cancelsAPagesOwnMoveToAnotherScheme()
    {
        if (qEnvironmentVariableIsSet("ZQ_EXPECT_NO_CONTROL"))
            QSKIP("this run has no browser control");
        HostWindow host;
        const auto page = makePage(host);
        QVERIFY(page);
        // As a page's link or script would move the control: past navigate(), straight to it.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^navigation refused, not a web page"_s));
        Variant address;
        V_VT(address.get()) = VT_BSTR;
        V_BSTR(address.get()) = SysAllocString(L"file:///C:/windows/win.ini");
        page->browser()->Navigate2(address.get(), nullptr, nullptr, nullptr, nullptr);
        QVERIFY(!locationOf(page->browser()).startsWith(u"file:"_s, Qt::CaseInsensitive));
    }

    void control_failedLoad_endsUnreadable()
    {
        if (qEnvironmentVariableIsSet("ZQ_EXPECT_NO_CONTROL"))
            QSKIP("this run has no browser control");
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        HostWindow host;
        const auto page = makePage(host);
        QVERIFY(page);
        QSignalSpy loaded(page.get(), &PlanPage::loadFinished);
        page->navigate(u"http://127.0.0.1:%1/plan.php?u=demo&p=secret"_s.arg(port));
        QVERIFY(loaded.wait(20000));
        QCOMPARE(loaded.first().first().toBool(), false);
        QCOMPARE(readNow(*page, {u"tzNums"_s, u"tzIss"_s}), QStringList(2));
    }

    // Under Wine every navigation fails (no HTML engine): the page comes back by the waits.
    void control_failingPage_reloadsByTheWaits()
    {
        if (qEnvironmentVariableIsSet("ZQ_EXPECT_NO_CONTROL"))
            QSKIP("this run has no browser control");
        QVERIFY(m_service.clear());
        HostWindow host;
        auto control = makePage(host);
        QVERIFY(control);
        using namespace std::chrono_literals;
        RecoveringPlanPage page(std::move(control), RecoveringPlanPage::Schedule{{0ms, 300ms, 600ms}, 1h});
        const auto loads = [&] {
            int count = 0;
            for (const QJsonObject &request : m_service.log())
                count += request.value(u"path"_s).toString() == u"/plan.php"_s;
            return count;
        };
        page.navigate(m_service.baseUrl() + u"plan.php?u=demo&p=demo123"_s);
        // The load, one reload at once, one after 300 ms and one after 600 ms; then an hour.
        QTRY_COMPARE_WITH_TIMEOUT(loads(), 4, 20000);
        QTRY_COMPARE(page.reloads(), 3);
        QVERIFY(page.isDown() || page.reloadPlanned());
        QTest::qWait(1500);
        QCOMPARE(loads(), 4);
        QCOMPARE(readNow(page, {u"tzNums"_s}), QStringList{QString()});
    }

    void control_readsWithoutADocument_answerEmptyLater()
    {
        if (qEnvironmentVariableIsSet("ZQ_EXPECT_NO_CONTROL"))
            QSKIP("this run has no browser control");
        HostWindow host;
        const auto page = makePage(host);
        QVERIFY(page);
        bool answered = false;
        QStringList values;
        page->readGlobals({u"tzNums"_s, u"tzIss"_s}, this, [&](const QStringList &read) {
            answered = true;
            values = read;
        });
        QVERIFY(!answered);
        QTRY_VERIFY(answered);
        QCOMPARE(values, QStringList(2));
        // A script with no document to run in is dropped.
        page->runScript(u"(function(){zqMain.codesCopy.call(this);})()"_s);
    }

    void control_thatCannotBeMade_showsTheNoticeOfAMissingEngine()
    {
        if (!qEnvironmentVariableIsSet("ZQ_EXPECT_NO_CONTROL"))
            QSKIP("runs where the control's library is switched off (tst_browsercontrol_missing)");
        HostWindow host;
        DeferredPlanPage::Engine engine;
        engine.createPage = &BrowserControlPlanPage::create;
        DeferredPlanPage page(host.holder, engine);
        host.holder->layout()->addWidget(page.widget());
        page.widget()->show();
        host.window.show();
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"^browser engine not loaded.*browser control could not be created"_s));
        page.navigate(u"http://127.0.0.1:9/plan.php"_s);
        QVERIFY(!page.engineLoaded());
        const auto *notice = page.widget()->findChild<QLabel *>(u"zq_main_web_notice"_s);
        QVERIFY(notice);
        QCOMPARE(notice->text(), DeferredPlanPage::noEngineNotice());
        QCOMPARE(readNow(page, {u"tzNums"_s}), QStringList{QString()});
    }
};

QTEST_MAIN(TestBrowserControl)
#include "tst_browsercontrol.moc"
