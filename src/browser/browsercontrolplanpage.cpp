#include "browsercontrolplanpage.h"

#include "browserlogging.h"
#include "desktop/comsupport_win.h"
#include "desktop/links.h"
#include "scriptbridge.h"
#include "text/webaddress.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <mshtml.h>

using namespace Qt::StringLiterals;

namespace zq {

using Microsoft::WRL::ComPtr;

// The native child window the control is embedded in. Qt draws nothing into it: the control
// covers it edge to edge, sized in device pixels from the native window's own size, so that
// it fits on any scale of display.
class BrowserControlHost final : public QWidget
{
public:
    BrowserControlHost(BrowserControlPlanPage *page, QWidget *parent) : QWidget(parent), m_page(page)
    {
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        setAttribute(Qt::WA_PaintOnScreen);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    Q_DISABLE_COPY_MOVE(BrowserControlHost)

    QPaintEngine *paintEngine() const override { return nullptr; }

protected:
    bool nativeEvent(const QByteArray &, void *message, qintptr *) override
    {
        if (static_cast<const MSG *>(message)->message == WM_SIZE)
            m_page->hostResized();
        return false;
    }
    void showEvent(QShowEvent *) override { m_page->hostShown(true); }
    void hideEvent(QHideEvent *) override { m_page->hostShown(false); }

private:
    // The page deletes this widget before it goes itself.
    BrowserControlPlanPage *const m_page;
};

BrowserControlPlanPage::BrowserControlPlanPage(QWidget *parentWidget)
    : PlanPage(parentWidget), m_newWindows([](const QString &line) { qCInfo(lcBrowser).noquote() << line; }),
      m_pageLog([](const QString &line) { qCDebug(lcBrowser).noquote() << line; })
{
    m_host = new BrowserControlHost(this, parentWidget);
    m_host->setObjectName(u"zq_main_web_control"_s);
    m_startWatch.setSingleShot(true);
    m_startWatch.setInterval(navigationStartTimeout);
    connect(&m_startWatch, &QTimer::timeout, this, [this] {
        if (m_navigationStarted || !m_loading)
            return;
        qCInfo(lcBrowser) << "the browser control did not begin the navigation";
        m_loading = false;
        finishLoad(false);
    });
}

BrowserControlPlanPage *BrowserControlPlanPage::create(QWidget *parentWidget, QString *why)
{
    auto *page = new BrowserControlPlanPage(parentWidget);
    QString reason;
    if (!page->embed(&reason)) {
        delete page;
        if (why)
            *why = reason;
        return nullptr;
    }
    return page;
}

BrowserControlPlanPage::~BrowserControlPlanPage()
{
    release();
    delete m_host.data();
}

bool BrowserControlPlanPage::embed(QString *why)
{
    // The control lives in the single-threaded apartment with OLE; Qt's windows platform
    // normally has it set up already, and then this only counts once more.
    const HRESULT ole = OleInitialize(nullptr);
    m_oleInitialised = SUCCEEDED(ole);
    if (!m_oleInitialised) {
        *why = u"OLE could not be set up on the window's thread: "_s + hresultText(ole);
        return false;
    }
    const HWND container = reinterpret_cast<HWND>(m_host->winId());
    if (!IsWindow(container)) {
        *why = u"the plan area has no native window (platform %1)"_s.arg(QGuiApplication::platformName());
        return false;
    }
    HRESULT result = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_object));
    if (FAILED(result)) {
        *why = u"the browser control could not be created: "_s + hresultText(result);
        return false;
    }
    m_site.Attach(new BrowserControlSite(this));
    result = m_object->SetClientSite(m_site.Get());
    if (SUCCEEDED(result))
        result = OleSetContainedObject(m_object.Get(), TRUE);
    RECT area = {};
    GetClientRect(container, &area);
    if (SUCCEEDED(result))
        result = m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_site.Get(), 0, container, &area);
    if (SUCCEEDED(result))
        result = m_object.As(&m_browser);
    if (FAILED(result)) {
        *why = u"the browser control could not be embedded: "_s + hresultText(result);
        release();
        return false;
    }
    m_object.As(&m_activeObject);

    ComPtr<IConnectionPointContainer> points;
    result = m_object.As(&points);
    if (SUCCEEDED(result))
        result = points->FindConnectionPoint(DIID_DWebBrowserEvents2, &m_events);
    if (SUCCEEDED(result))
        result = m_events->Advise(static_cast<IDispatch *>(m_site.Get()), &m_eventsCookie);
    if (FAILED(result)) {
        // Without its events the page would never finish loading and could not be guarded.
        *why = u"the browser control's events are not available: "_s + hresultText(result);
        m_events.Reset();
        release();
        return false;
    }

    m_browser->put_Silent(m_silent ? VARIANT_TRUE : VARIANT_FALSE);
    // A file dropped onto the page would be opened in it.
    m_browser->put_RegisterAsDropTarget(VARIANT_FALSE);
    m_browser->put_Visible(m_host->isVisible() ? VARIANT_TRUE : VARIANT_FALSE);
    hostResized();
    QCoreApplication::instance()->installNativeEventFilter(this);
    qCDebug(lcBrowser) << "browser control embedded";
    return true;
}

void BrowserControlPlanPage::release()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeNativeEventFilter(this);
    if (m_events) {
        m_events->Unadvise(m_eventsCookie);
        m_events.Reset();
    }
    if (m_object) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(m_object.As(&inPlace)))
            inPlace->InPlaceDeactivate();
        m_object->Close(OLECLOSE_NOSAVE);
        m_object->SetClientSite(nullptr);
    }
    m_activeObject.Reset();
    m_browser.Reset();
    m_object.Reset();
    if (m_site) {
        // The control may still hold the site for a moment; it finds nobody behind it.
        m_site->detach();
        m_site.Reset();
    }
    if (m_oleInitialised) {
        OleUninitialize();
        m_oleInitialised = false;
    }
}

QWidget *BrowserControlPlanPage::widget()
{
    return m_host;
}

HWND BrowserControlPlanPage::controlWindow() const
{
    ComPtr<IOleWindow> window;
    HWND handle = nullptr;
    if (m_object && SUCCEEDED(m_object.As(&window)))
        window->GetWindow(&handle);
    return handle;
}

HWND BrowserControlPlanPage::containerWindow() const
{
    return m_host ? reinterpret_cast<HWND>(m_host->winId()) : nullptr;
}

void BrowserControlPlanPage::hostResized()
{
    if (!m_object || !m_host)
        return;
    RECT area = {};
    GetClientRect(containerWindow(), &area);
    positionChanged(area);
}

void BrowserControlPlanPage::positionChanged(const RECT &rect)
{
    ComPtr<IOleInPlaceObject> inPlace;
    if (m_object && SUCCEEDED(m_object.As(&inPlace)))
        inPlace->SetObjectRects(&rect, &rect);
}

void BrowserControlPlanPage::hostShown(bool shown)
{
    if (m_browser)
        m_browser->put_Visible(shown ? VARIANT_TRUE : VARIANT_FALSE);
}

void BrowserControlPlanPage::setSilent(bool silent)
{
    m_silent = silent;
    if (m_browser)
        m_browser->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE);
}

void BrowserControlPlanPage::navigate(const QString &url)
{
    if (!m_browser)
        return;
    // The address comes from the network; only a web page is opened. The control gets the
    // text itself, so that it encodes the address as it always has for the service's page.
    QString target = url;
    if (!isWebUrl(QUrl(url))) {
        qCWarning(lcBrowser).noquote() << "not a web page address, showing a blank page instead:" << loggableUrl(url);
        target = u"about:blank"_s;
    }
    m_loading = true;
    m_failed = false;
    m_documentArrived = false;
    m_navigationStarted = false;
    ++m_generation;
    Variant address;
    V_VT(address.get()) = VT_BSTR;
    V_BSTR(address.get()) = SysAllocStringLen(reinterpret_cast<const OLECHAR *>(target.utf16()), UINT(target.size()));
    const HRESULT result = m_browser->Navigate2(address.get(), nullptr, nullptr, nullptr, nullptr);
    if (FAILED(result)) {
        qCWarning(lcBrowser).noquote() << "the browser control did not navigate:" << hresultText(result);
        m_loading = false;
        finishLoad(false);
        return;
    }
    // The control asks its container before it leaves the document; a navigation it never
    // begins (held back by the page) must not leave the page loading for ever.
    if (!m_navigationStarted)
        m_startWatch.start();
}

bool BrowserControlPlanPage::isTopFrame(IDispatch *frame) const
{
    if (!frame || !m_browser)
        return false;
    ComPtr<IUnknown> frameIdentity;
    ComPtr<IUnknown> controlIdentity;
    return SUCCEEDED(frame->QueryInterface(IID_PPV_ARGS(&frameIdentity))) &&
           SUCCEEDED(m_browser.As(&controlIdentity)) && frameIdentity == controlIdentity;
}

void BrowserControlPlanPage::finishLoad(bool ok)
{
    // Events arrive from inside the control, sometimes inside the navigate() call itself;
    // the window hears of the end from the event loop, as from the other engine.
    QMetaObject::invokeMethod(
        this, [this, ok] { Q_EMIT loadFinished(ok); }, Qt::QueuedConnection);
}

bool BrowserControlPlanPage::beforeNavigate(IDispatch *frame, const QString &url)
{
    // The page may move itself and its frames to web pages, to a blank page and run its own
    // script addresses; a local file, a network share or another program's protocol is none
    // of those.
    const QUrl target(url);
    const QString scheme = target.scheme().toLower();
    const bool scriptAddress = scheme == u"javascript"_s;
    if (!isWebUrl(target) && scheme != u"about"_s && !scriptAddress) {
        qCWarning(lcBrowser).noquote() << "navigation refused, not a web page:" << loggableUrl(url);
        return false;
    }
    if (isTopFrame(frame) && !scriptAddress) {
        m_loading = true;
        m_failed = false;
        m_documentArrived = false;
        m_navigationStarted = true;
        m_startWatch.stop();
        ++m_generation;
    }
    return true;
}

void BrowserControlPlanPage::navigateComplete(IDispatch *frame)
{
    if (!isTopFrame(frame))
        return;
    m_documentArrived = true;
    if (!m_silent)
        return;
    // A prompt is the one script dialog the control asks its host nothing about; while silent
    // the new document's prompt answers as cancelled, before the page's own scripts run.
    runScript(u"window.prompt=function(){return null;};"_s);
}

void BrowserControlPlanPage::documentComplete(IDispatch *frame)
{
    if (!isTopFrame(frame) || m_failed)
        return;
    m_loading = false;
    ++m_generation;
    finishLoad(true);
}

bool BrowserControlPlanPage::navigateError(IDispatch *frame, const QString &url, long status)
{
    if (!isTopFrame(frame))
        return false;
    m_failed = true;
    m_loading = false;
    ++m_generation;
    qCInfo(lcBrowser).noquote() << "page load failed:" << loggableUrl(url) << hresultText(HRESULT(status));
    finishLoad(false);
    // The control's own error page is a local resource the page has no business in.
    return true;
}

bool BrowserControlPlanPage::newWindow(const QString &url, bool userInitiated)
{
    if (!m_silent)
        return false;
    // A page opening windows in a loop, or without the user's click, opens none.
    if (!m_newWindows.admit(userInitiated))
        return true;
    if (isWebUrl(QUrl(url))) {
        qCInfo(lcBrowser).noquote() << "new window sent to the default browser:" << loggableUrl(url);
        openUrl(url);
    } else {
        qCWarning(lcBrowser).noquote() << "new window refused, not a web page:" << loggableUrl(url);
    }
    return true;
}

bool BrowserControlPlanPage::showMessage(const QString &text, DWORD type, LRESULT *result)
{
    if (!m_silent)
        return false;
    const char *how = "confirm answered silently with no:";
    switch (type & MB_TYPEMASK) {
    case MB_OK:
        how = "alert answered silently:";
        *result = IDOK;
        break;
    case MB_YESNO:
        *result = IDNO;
        break;
    default:
        *result = IDCANCEL;
        break;
    }
    if (lcBrowser().isDebugEnabled() && m_pageLog.admit())
        qCDebug(lcBrowser).noquote() << how << loggableText(text);
    // Each one is answered at once, so a page in a loop asks again at once. Its scripts run on
    // the window's thread, so the page cannot be ended as a process: it is given up and loaded
    // anew, as a lost page is.
    if (m_dialogs.add() > dialogFloodCount) {
        m_dialogs.clear();
        qCWarning(lcBrowser) << "the page opened more than" << dialogFloodCount << "dialogs in"
                             << dialogFloodSpan.count() / 1000 << "s: given up";
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT pageLost(); }, Qt::QueuedConnection);
    }
    return true;
}

bool BrowserControlPlanPage::isReadable() const
{
    if (!m_loading)
        return !m_failed;
    // Still loading, but the new document is parsed and its scripts have run: its globals are
    // there, whatever images and frames are still coming.
    if (!m_documentArrived || !m_browser)
        return false;
    ComPtr<IDispatch> document;
    ComPtr<IHTMLDocument2> html;
    Bstr state;
    if (FAILED(m_browser->get_Document(&document)) || !document || FAILED(document.As(&html)) ||
        FAILED(html->get_readyState(state.out())))
        return false;
    const QString readyState = state.toString();
    return readyState == u"interactive"_s || readyState == u"complete"_s;
}

ComPtr<IDispatch> BrowserControlPlanPage::pageScript() const
{
    ComPtr<IDispatch> document;
    ComPtr<IHTMLDocument> html;
    ComPtr<IDispatch> script;
    if (m_browser && SUCCEEDED(m_browser->get_Document(&document)) && document && SUCCEEDED(document.As(&html)))
        html->get_Script(&script);
    return script;
}

void BrowserControlPlanPage::readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context,
                                             GlobalsCallback done)
{
    if (!done)
        return;
    const QPointer<QObject> contextGuard(context);
    const bool hasContext = context != nullptr;
    const quint64 generation = m_generation;
    // Read from the event loop too: the page's getters run then, not inside the caller.
    QTimer::singleShot(0, this, [=, done = std::move(done)] {
        if (hasContext && !contextGuard)
            return;
        QStringList values(names.size());
        if (generation == m_generation && isReadable()) {
            if (const ComPtr<IDispatch> script = pageScript())
                values = ScriptBridge::readGlobals(script.Get(), names);
        }
        // In the program's own process already: cut here.
        if (maxLength >= 0)
            for (QString &value : values)
                value.truncate(maxLength);
        done(values);
    });
}

void BrowserControlPlanPage::runScript(const QString &script)
{
    const ComPtr<IDispatch> page = pageScript();
    if (!page || ScriptBridge::run(page.Get(), script))
        return;
    // A document without eval on its window (an old document mode): its own execScript.
    ComPtr<IDispatch> document;
    ComPtr<IHTMLDocument2> html;
    ComPtr<IHTMLWindow2> window;
    if (SUCCEEDED(m_browser->get_Document(&document)) && document && SUCCEEDED(document.As(&html)) &&
        SUCCEEDED(html->get_parentWindow(&window)) && window) {
        const Bstr code(script);
        const Bstr language(L"JScript");
        Variant result;
        window->execScript(code.get(), language.get(), result.get());
    }
}

bool BrowserControlPlanPage::nativeEventFilter(const QByteArray &, void *message, qintptr *)
{
    auto *msg = static_cast<MSG *>(message);
    const bool key = msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST;
    const bool press = msg->message == WM_LBUTTONDOWN || msg->message == WM_RBUTTONDOWN ||
                       msg->message == WM_MBUTTONDOWN || msg->message == WM_KEYDOWN;
    if ((!key && !press) || !m_activeObject)
        return false;
    const HWND control = controlWindow();
    if (!control || (msg->hwnd != control && !IsChild(control, msg->hwnd)))
        return false;
    if (press)
        m_newWindows.noteUserAction();
    return key && m_activeObject->TranslateAccelerator(msg) == S_OK;
}

} // namespace zq
