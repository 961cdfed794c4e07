#pragma once

#include <QList>
#include <QString>

namespace zq {

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

// What the choice needs to know of one adapter that Windows' management query for IP-enabled
// adapter configurations returned.
struct AdapterConfiguration
{
    // Entries of its IPAddress array; 0 when the property is null or not an array.
    int ipAddressCount = 0;
    // Its MACAddress text as read; empty when it could not be read.
    QString macAddress;
};

// The MAC address text, unchanged, of the first adapter in the given order that has an IP
// address and a readable MAC address: the old client's rule, so that a machine keeps its digest.
// Empty text when none qualifies.
QString pickAdapterMacAddress(const QList<AdapterConfiguration> &adapters);

// The machine's address by which the service tells client machines apart. On Windows
// pickAdapterMacAddress over the management query's adapters in its enumeration order;
// elsewhere pickMacAddress over the system's interfaces in their enumeration order.
QString getMacAddress();

} // namespace zq
