#pragma once

#include "browsercontrolsite.h"
#include "logthrottle.h"
#include "newwindowgate.h"
#include "planpage.h"
#include "recentevents.h"

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QTimer>

#include <exdisp.h>
#include <wrl/client.h>

namespace zq {

class BrowserControlHost;

// The plan page in the system's own browser control (the WebBrowser control, whose engine
// is part of every Windows), hosted in a native child window of the plan area. The page
// globals are read through the document's Script object (ScriptBridge), the same way the
// service's page was written to be read.
class BrowserControlPlanPage final : public PlanPage, private BrowserControlEvents, private QAbstractNativeEventFilter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrowserControlPlanPage)

public:
    // The page with its control in a new widget inside `parentWidget`; null, with the reason
    // in `why`, when the control cannot be created or embedded (then nothing is left behind).
    static BrowserControlPlanPage *create(QWidget *parentWidget, QString *why);
    ~BrowserControlPlanPage() override;

    QWidget *widget() override;
    void navigate(const QString &url) override;
    void readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context,
                         GlobalsCallback done) override;
    void runScript(const QString &script) override;

    // Script dialogs are answered without a window, certificate problems refused, and new
    // windows open in the default browser (web addresses only).
    void setSilent(bool silent) override;
    bool isSilent() const override { return m_silent; }

    // The control's own window, and the control, for tests.
    HWND controlWindow() const;
    IWebBrowser2 *browser() const { return m_browser.Get(); }

private:
    explicit BrowserControlPlanPage(QWidget *parentWidget);
    bool embed(QString *why);
    void release();
    // The document's Script object; null while there is none.
    Microsoft::WRL::ComPtr<IDispatch> pageScript() const;
    // Whether reads may see the page: a document of the current navigation, parsed.
    bool isReadable() const;
    bool isTopFrame(IDispatch *frame) const;
    void finishLoad(bool ok);

    // BrowserControlEvents
    bool beforeNavigate(IDispatch *frame, const QString &url) override;
    void navigateComplete(IDispatch *frame) override;
    void documentComplete(IDispatch *frame) override;
    bool navigateError(IDispatch *frame, const QString &url, long status) override;
    bool newWindow(const QString &url, bool userInitiated) override;
    bool showMessage(const QString &text, DWORD type, LRESULT *result) override;
    HWND containerWindow() const override;
    void positionChanged(const RECT &rect) override;

    // QAbstractNativeEventFilter: keys for the page go through the control first, so that
    // Tab, Backspace, Enter and the clipboard keys work in its fields; and the user's clicks
    // and keys in the page are what lets it open a window.
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    friend class BrowserControlHost;
    void hostResized();
    void hostShown(bool shown);

    QPointer<BrowserControlHost> m_host;
    Microsoft::WRL::ComPtr<BrowserControlSite> m_site;
    Microsoft::WRL::ComPtr<IOleObject> m_object;
    Microsoft::WRL::ComPtr<IWebBrowser2> m_browser;
    Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> m_activeObject;
    Microsoft::WRL::ComPtr<IConnectionPoint> m_events;
    DWORD m_eventsCookie = 0;
    bool m_oleInitialised = false;
    bool m_silent = false;
    bool m_loading = false;
    // The current navigation's document exists (NavigateComplete2 of the top frame).
    bool m_documentArrived = false;
    // The control began the navigation asked for last (BeforeNavigate2 let it through); the
    // watch gives up on one that has not begun in time.
    bool m_navigationStarted = false;
    QTimer m_startWatch;
    static constexpr std::chrono::seconds navigationStartTimeout{10};
    // Set by the top frame's error, so that a completion of that same navigation does not
    // count as a page.
    bool m_failed = false;
    // Moves on with every navigation, so that reads asked for one document are not
    // answered from the next.
    quint64 m_generation = 0;
    NewWindowGate m_newWindows;
    // The lines the page's dialogs make the program log, and how many came lately.
    LogThrottle m_pageLog;
    RecentEvents m_dialogs{dialogFloodSpan};
};

} // namespace zq
