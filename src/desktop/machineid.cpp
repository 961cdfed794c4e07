#include "machineid.h"

#include "desktoplogging.h"

#include <QNetworkInterface>

namespace tarel_tools {

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

QString getMacAddress()
{
    QList<NetworkInterfaceInfo> infos;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        infos.append({interface.flags().testFlag(QNetworkInterface::IsLoopBack), int(interface.addressEntries().size()),
                      interface.hardwareAddress()});
    }
    const QString address = pickMacAddress(infos);
    qCDebug(lcDesktop) << "machine address:" << address << "from" << interfaces.size() << "interfaces";
    return address;
}

} // namespace tarel_tools
