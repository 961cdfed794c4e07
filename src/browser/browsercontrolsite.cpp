#include "browsercontrolsite.h"

#include "browserlogging.h"

#include <exdisp.h>
#include <exdispid.h>
#include <shobjidl.h>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

// An event's argument as the control passes it: by value, or by reference to a VARIANT.
const VARIANT *argumentValue(const VARIANT &argument)
{
    if (V_VT(&argument) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&argument))
        return V_VARIANTREF(&argument);
    return &argument;
}

QString textArgument(const VARIANT &argument)
{
    const VARIANT *value = argumentValue(argument);
    if (V_VT(value) != VT_BSTR || !V_BSTR(value))
        return {};
    return QString::fromWCharArray(V_BSTR(value), int(SysStringLen(V_BSTR(value))));
}

IDispatch *frameArgument(const VARIANT &argument)
{
    const VARIANT *value = argumentValue(argument);
    return V_VT(value) == VT_DISPATCH ? V_DISPATCH(value) : nullptr;
}

long numberArgument(const VARIANT &argument)
{
    const VARIANT *value = argumentValue(argument);
    if (V_VT(value) == VT_UI4)
        return long(V_UI4(value));
    return V_VT(value) == VT_I4 ? V_I4(value) : 0;
}

void setCancel(const VARIANT &argument, bool cancel)
{
    if (V_VT(&argument) == (VT_BYREF | VT_BOOL) && V_BOOLREF(&argument))
        *V_BOOLREF(&argument) = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

} // namespace

BrowserControlSite::BrowserControlSite(BrowserControlEvents *events) : m_events(events) {}

HRESULT BrowserControlSite::QueryInterface(REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == __uuidof(IOleClientSite))
        *object = static_cast<IOleClientSite *>(this);
    else if (iid == __uuidof(IOleWindow) || iid == __uuidof(IOleInPlaceSite))
        *object = static_cast<IOleInPlaceSite *>(this);
    else if (iid == __uuidof(IOleInPlaceUIWindow) || iid == __uuidof(IOleInPlaceFrame))
        *object = static_cast<IOleInPlaceFrame *>(this);
    else if (iid == __uuidof(IDocHostShowUI))
        *object = static_cast<IDocHostShowUI *>(this);
    else if (iid == __uuidof(IServiceProvider))
        *object = static_cast<IServiceProvider *>(this);
    else if (iid == __uuidof(IWindowForBindingUI) || iid == __uuidof(IHttpSecurity))
        *object = static_cast<IHttpSecurity *>(this);
    else if (iid == __uuidof(IDispatch) || iid == DIID_DWebBrowserEvents2)
        *object = static_cast<IDispatch *>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG BrowserControlSite::AddRef()
{
    return ULONG(InterlockedIncrement(&m_references));
}

ULONG BrowserControlSite::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return ULONG(left);
}

HRESULT BrowserControlSite::SaveObject()
{
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::GetMoniker(DWORD, DWORD, IMoniker **moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::GetContainer(IOleContainer **container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT BrowserControlSite::ShowObject()
{
    return S_OK;
}

HRESULT BrowserControlSite::OnShowWindow(BOOL)
{
    return S_OK;
}

HRESULT BrowserControlSite::RequestNewObjectLayout()
{
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::GetWindow(HWND *window)
{
    if (!window)
        return E_POINTER;
    *window = m_events ? m_events->containerWindow() : nullptr;
    return *window ? S_OK : E_FAIL;
}

HRESULT BrowserControlSite::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::CanInPlaceActivate()
{
    return m_events ? S_OK : S_FALSE;
}

HRESULT BrowserControlSite::OnInPlaceActivate()
{
    return S_OK;
}

HRESULT BrowserControlSite::OnUIActivate()
{
    return S_OK;
}

HRESULT BrowserControlSite::GetWindowContext(IOleInPlaceFrame **frame, IOleInPlaceUIWindow **document, LPRECT position,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame *>(this);
    AddRef();
    *document = nullptr;
    const HWND container = m_events ? m_events->containerWindow() : nullptr;
    RECT area = {};
    if (container)
        GetClientRect(container, &area);
    *position = area;
    *clip = area;
    info->fMDIApp = FALSE;
    info->hwndFrame = container ? GetAncestor(container, GA_ROOT) : nullptr;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT BrowserControlSite::Scroll(SIZE)
{
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::OnUIDeactivate(BOOL)
{
    return S_OK;
}

HRESULT BrowserControlSite::OnInPlaceDeactivate()
{
    return S_OK;
}

HRESULT BrowserControlSite::DiscardUndoState()
{
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::DeactivateAndUndo()
{
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::OnPosRectChange(LPCRECT position)
{
    if (position && m_events)
        m_events->positionChanged(*position);
    return S_OK;
}

HRESULT BrowserControlSite::GetBorder(LPRECT)
{
    return INPLACE_E_NOTOOLSPACE;
}

HRESULT BrowserControlSite::RequestBorderSpace(LPCBORDERWIDTHS)
{
    return INPLACE_E_NOTOOLSPACE;
}

HRESULT BrowserControlSite::SetBorderSpace(LPCBORDERWIDTHS)
{
    return INPLACE_E_NOTOOLSPACE;
}

HRESULT BrowserControlSite::SetActiveObject(IOleInPlaceActiveObject *, LPCOLESTR)
{
    return S_OK;
}

HRESULT BrowserControlSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS)
{
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::SetMenu(HMENU, HOLEMENU, HWND)
{
    return S_OK;
}

HRESULT BrowserControlSite::RemoveMenus(HMENU)
{
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::SetStatusText(LPCOLESTR)
{
    return S_OK;
}

HRESULT BrowserControlSite::EnableModeless(BOOL)
{
    return S_OK;
}

HRESULT BrowserControlSite::TranslateAccelerator(LPMSG, WORD)
{
    return S_FALSE;
}

HRESULT BrowserControlSite::ShowMessage(HWND, LPOLESTR text, LPOLESTR, DWORD type, LPOLESTR, DWORD, LRESULT *result)
{
    if (!m_events || !result)
        return S_FALSE;
    return m_events->showMessage(text ? QString::fromWCharArray(text) : QString(), type, result) ? S_OK : S_FALSE;
}

HRESULT BrowserControlSite::ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch *)
{
    // Handled: the page opens no help window either.
    return m_events && m_events->isSilent() ? S_OK : S_FALSE;
}

HRESULT BrowserControlSite::QueryService(REFGUID service, REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (service == __uuidof(IHttpSecurity) || service == __uuidof(IWindowForBindingUI))
        return QueryInterface(iid, object);
    return E_NOINTERFACE;
}

HRESULT BrowserControlSite::GetWindow(REFGUID, HWND *window)
{
    return GetWindow(window);
}

HRESULT BrowserControlSite::OnSecurityProblem(DWORD problem)
{
    if (!m_events || !m_events->isSilent())
        return S_FALSE; // the control asks the user
    // Refused without a question: the page is not worth the user's trust in a bad certificate.
    qCWarning(lcBrowser).noquote() << "certificate problem refused:" << u"0x"_s + QString::number(problem, 16);
    return E_ABORT;
}

HRESULT BrowserControlSite::GetTypeInfoCount(UINT *count)
{
    if (count)
        *count = 0;
    return S_OK;
}

HRESULT BrowserControlSite::GetTypeInfo(UINT, LCID, ITypeInfo **info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *)
{
    return E_NOTIMPL;
}

HRESULT BrowserControlSite::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *parameters, VARIANT *, EXCEPINFO *,
                                   UINT *)
{
    if (!m_events || !parameters)
        return DISP_E_MEMBERNOTFOUND;
    // The arguments come last first.
    const UINT count = parameters->cArgs;
    const VARIANT *arguments = parameters->rgvarg;
    switch (member) {
    case DISPID_BEFORENAVIGATE2: // frame, url, flags, target frame, post data, headers, cancel
        if (count == 7 && !m_events->beforeNavigate(frameArgument(arguments[6]), textArgument(arguments[5])))
            setCancel(arguments[0], true);
        return S_OK;
    case DISPID_NAVIGATECOMPLETE2: // frame, url
        if (count == 2)
            m_events->navigateComplete(frameArgument(arguments[1]));
        return S_OK;
    case DISPID_DOCUMENTCOMPLETE: // frame, url
        if (count == 2)
            m_events->documentComplete(frameArgument(arguments[1]));
        return S_OK;
    case DISPID_NAVIGATEERROR: // frame, url, target frame, status, cancel
        if (count == 5 && m_events->navigateError(frameArgument(arguments[4]), textArgument(arguments[3]),
                                                  numberArgument(arguments[1])))
            setCancel(arguments[0], true);
        return S_OK;
    case DISPID_NEWWINDOW3: // new window, cancel, flags, context url, url
        if (count == 5 &&
            m_events->newWindow(textArgument(arguments[0]), (numberArgument(arguments[2]) & NWMF_USERINITED) != 0))
            setCancel(arguments[3], true);
        return S_OK;
    default:
        // Other events, and the ambient properties the control asks its site for: the
        // control's own defaults.
        return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace zq
