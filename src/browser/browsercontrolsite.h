#pragma once

#include <QString>

#include <mshtmhst.h>
#include <objbase.h>
#include <oleidl.h>
#include <servprov.h>
#include <urlmon.h>

namespace zq {

// What the browser control tells its container, as the plan page on it takes it. Every
// call comes on the window's thread, from inside the control.
class BrowserControlEvents
{
public:
    // The frame (the control itself for the top frame) is about to navigate to `url`;
    // false cancels the navigation.
    virtual bool beforeNavigate(IDispatch *frame, const QString &url) = 0;
    // The frame's new document exists.
    virtual void navigateComplete(IDispatch *frame) = 0;
    virtual void documentComplete(IDispatch *frame) = 0;
    // The frame's navigation failed; true cancels the control's own error page.
    virtual bool navigateError(IDispatch *frame, const QString &url, long status) = 0;
    // The page asks for a new window (`userInitiated`: the control's word that a click or a
    // key started it); true cancels it.
    virtual bool newWindow(const QString &url, bool userInitiated) = 0;
    // A script dialog (alert, confirm); true when answered with `*result`, false to let the
    // control show it.
    virtual bool showMessage(const QString &text, DWORD type, LRESULT *result) = 0;
    // Whether the page may open dialogs of its own (a certificate's question among them).
    virtual bool isSilent() const = 0;
    // The container's native window.
    virtual HWND containerWindow() const = 0;
    // The control moved or resized itself.
    virtual void positionChanged(const RECT &rect) = 0;

protected:
    ~BrowserControlEvents() = default;
};

// The container side of the browser control, written without ATL: the client and in-place
// site the control is embedded with, the frame it asks for, the host of its script dialogs
// and certificate questions, and the receiver of its events (DWebBrowserEvents2). One COM
// object with one reference count; `detach` cuts it off from the page before the page goes,
// since the control may keep a reference to it a little longer.
class BrowserControlSite final : public IOleClientSite,
                                 public IOleInPlaceSite,
                                 public IOleInPlaceFrame,
                                 public IDocHostShowUI,
                                 public IServiceProvider,
                                 public IHttpSecurity,
                                 public IDispatch
{
public:
    explicit BrowserControlSite(BrowserControlEvents *events);
    BrowserControlSite(const BrowserControlSite &) = delete;
    BrowserControlSite &operator=(const BrowserControlSite &) = delete;

    void detach() { m_events = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD whichMoniker, IMoniker **moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer **container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override;
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) override;
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

    // IOleWindow, for the site and the frame alike
    HRESULT STDMETHODCALLTYPE GetWindow(HWND *window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override;
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame **frame, IOleInPlaceUIWindow **document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE extent) override;
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) override;
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override;

    // IOleInPlaceUIWindow, IOleInPlaceFrame: no menus, tool space or accelerators of ours
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT border) override;
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject *object, LPCOLESTR name) override;
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU menu, LPOLEMENUGROUPWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU menu, HOLEMENU shared, HWND activeObject) override;
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU menu) override;
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR text) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, WORD id) override;

    // IDocHostShowUI
    HRESULT STDMETHODCALLTYPE ShowMessage(HWND window, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                                          DWORD helpContext, LRESULT *result) override;
    HRESULT STDMETHODCALLTYPE ShowHelp(HWND window, LPOLESTR helpFile, UINT command, DWORD data, POINT mouse,
                                       IDispatch *hit) override;

    // IServiceProvider: the certificate questions of the control's downloads come here
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void **object) override;

    // IWindowForBindingUI, IHttpSecurity
    HRESULT STDMETHODCALLTYPE GetWindow(REFGUID reason, HWND *window) override;
    HRESULT STDMETHODCALLTYPE OnSecurityProblem(DWORD problem) override;

    // IDispatch: the control's events, and its questions for ambient properties
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID locale, DISPID *ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS *parameters,
                                     VARIANT *result, EXCEPINFO *exception, UINT *argumentError) override;

private:
    ~BrowserControlSite() = default;

    LONG m_references = 1;
    BrowserControlEvents *m_events;
};

} // namespace zq
