#pragma once

#include <QList>
#include <QString>

namespace tarel_tools {

// What the choice of the machine's address needs to know of one network interface.
struct NetworkInterfaceInfo
{
    bool isLoopback = false;
    int ipAddressCount = 0;
    QString hardwareAddress;
};

// The hardware address of the first interface, in the given order, that is not a loopback,
// has at least one IP address and has an address that is neither empty nor all zeros;
// written as "00:1A:2B:3C:4D:5E" (uppercase, colons). Empty text when none qualifies.
QString pickMacAddress(const QList<NetworkInterfaceInfo> &interfaces);

// The machine's address by which the service tells client machines apart: pickMacAddress
// over the system's interfaces in their enumeration order.
QString getMacAddress();

} // namespace tarel_tools
