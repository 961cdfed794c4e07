#include "comsupport_win.h"
#include "desktoplogging.h"
#include "machineid.h"

#include <algorithm>
#include <limits>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>
#include <wrl/client.h>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

using Microsoft::WRL::ComPtr;

// One step of the enumeration takes milliseconds on a healthy machine; a management service
// that does not answer at all must not hold the window's start-up for ever.
constexpr long EnumerationStepTimeoutMs = 10000;

// COM on the calling thread for the length of one call. The window's thread already lives in
// the single-threaded apartment (Qt's windows platform puts it there): that call answers
// S_FALSE and still counts, so it is balanced too. A thread already in the multithreaded
// apartment answers RPC_E_CHANGED_MODE; the query works there as well, and that apartment is
// not ours to leave.
class ComApartment final
{
public:
    ComApartment() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    Q_DISABLE_COPY_MOVE(ComApartment)

    bool isUsable() const { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }
    HRESULT result() const { return m_result; }

private:
    const HRESULT m_result;
};

// Entries of a one-dimensional array from its lower to its upper bound; 0 for null or anything
// that is not an array.
int arrayLength(const VARIANT &value)
{
    if (!(V_VT(&value) & VT_ARRAY) || (V_VT(&value) & VT_BYREF) || !V_ARRAY(&value))
        return 0;
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(SafeArrayGetLBound(V_ARRAY(&value), 1, &lower)) ||
        FAILED(SafeArrayGetUBound(V_ARRAY(&value), 1, &upper)))
        return 0;
    return int(std::clamp<qint64>(qint64(upper) - lower + 1, 0, std::numeric_limits<int>::max()));
}

AdapterConfiguration readAdapter(IWbemClassObject *adapter)
{
    AdapterConfiguration configuration;
    Variant addresses;
    if (SUCCEEDED(adapter->Get(L"IPAddress", 0, addresses.get(), nullptr, nullptr)))
        configuration.ipAddressCount = arrayLength(addresses.value());
    Variant mac;
    if (SUCCEEDED(adapter->Get(L"MACAddress", 0, mac.get(), nullptr, nullptr)) && V_VT(&mac.value()) == VT_BSTR &&
        V_BSTR(&mac.value())) {
        const BSTR text = V_BSTR(&mac.value());
        configuration.macAddress = QString::fromWCharArray(text, int(SysStringLen(text)));
    }
    return configuration;
}

// The IP-enabled adapter configurations in the order the management service enumerates them.
// An enumeration that breaks off keeps the adapters read before: the first one that qualifies
// decides, whatever comes after it.
HRESULT queryAdapters(QList<AdapterConfiguration> &adapters)
{
    ComPtr<IWbemLocator> locator;
    HRESULT result = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&locator));
    if (FAILED(result))
        return result;

    ComPtr<IWbemServices> services;
    const Bstr space(L"ROOT\\CIMV2");
    result = locator->ConnectServer(space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services);
    if (FAILED(result))
        return result;
    // The service runs in another process and answers for most classes only when it may act
    // as the caller. Where the object is not a proxy (an in-process service) there is nothing
    // to set.
    const HRESULT blanket = CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                              RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(blanket))
        qCDebug(lcDesktop) << "management service: no proxy security set:" << hresultText(blanket);

    ComPtr<IEnumWbemClassObject> enumerator;
    const Bstr language(L"WQL");
    const Bstr query(L"Select * from Win32_NetworkAdapterConfiguration where IPEnabled=TRUE");
    result = services->ExecQuery(language.get(), query.get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                 nullptr, &enumerator);
    if (FAILED(result))
        return result;

    for (;;) {
        ComPtr<IWbemClassObject> adapter;
        ULONG returned = 0;
        result = enumerator->Next(EnumerationStepTimeoutMs, 1, &adapter, &returned);
        if (returned == 0 || !adapter)
            break;
        adapters.append(readAdapter(adapter.Get()));
    }
    // WBEM_S_FALSE is the end of the list; a time-out or an error ends it early.
    return result == WBEM_S_FALSE ? S_OK : result;
}

} // namespace

QString getMacAddress()
{
    const ComApartment apartment;
    if (!apartment.isUsable()) {
        qCDebug(lcDesktop) << "machine address: COM unavailable:" << hresultText(apartment.result());
        return {};
    }
    QList<AdapterConfiguration> adapters;
    const HRESULT result = queryAdapters(adapters);
    if (result != S_OK)
        qCDebug(lcDesktop) << "machine address: the adapter query ended with" << hresultText(result);
    const QString address = pickAdapterMacAddress(adapters);
    qCDebug(lcDesktop) << "machine address:" << address << "from" << adapters.size() << "IP-enabled adapters";
    return address;
}

} // namespace zq
