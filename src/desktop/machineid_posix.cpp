#include "desktoplogging.h"
#include "machineid.h"

#include <QNetworkInterface>

namespace zq {

QString getMacAddress()
{
    QList<NetworkInterfaceInfo> infos;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        infos.append({interface.flags().testFlag(QNetworkInterface::IsLoopBack), int(interface.addressEntries().size()),
                      interface.hardwareAddress()});
    }
    QString address = pickMacAddress(infos);
    qCDebug(lcDesktop) << "machine address:" << address << "from" << interfaces.size() << "interfaces";
    return address;
}

} // namespace zq
