#include "machineid.h"

namespace zq {

QString pickMacAddress(const QList<NetworkInterfaceInfo> &interfaces)
{
    for (const NetworkInterfaceInfo &info : interfaces) {
        if (info.isLoopback || info.ipAddressCount < 1)
            continue;
        QString address = info.hardwareAddress.trimmed().toUpper();
        address.replace(u'-', u':');
        QString digits = address;
        digits.remove(u':');
        if (digits.isEmpty() || digits.count(u'0') == digits.size())
            continue;
        return address;
    }
    return {};
}

QString pickAdapterMacAddress(const QList<AdapterConfiguration> &adapters)
{
    // An empty text read as the address leaves the choice open, as an unreadable one does.
    for (const AdapterConfiguration &adapter : adapters) {
        if (adapter.ipAddressCount > 0 && !adapter.macAddress.isEmpty())
            return adapter.macAddress;
    }
    return {};
}

} // namespace zq
