#include "desktop/machineid.h"
#include "tst_machineid.h"

#include <QNetworkInterface>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

void MachineIdSystem::addRows()
{
    QTest::addColumn<QString>("expected");

    // Whatever this machine has, the real query must pick the same as the rule over the
    // system's own list, in the documented form.
    QString expected;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const QString address = interface.hardwareAddress();
        if (!interface.flags().testFlag(QNetworkInterface::IsLoopBack) && !interface.addressEntries().isEmpty() &&
            !address.isEmpty() && address != u"00:00:00:00:00:00"_s) {
            expected = address.toUpper();
            break;
        }
    }
    QTest::newRow("the system's interface list") << expected;
}

void MachineIdSystem::check()
{
    QFETCH(QString, expected);
    const QString mac = getMacAddress();
    QCOMPARE(mac, expected);
    if (!mac.isEmpty() && mac.size() == 17)
        QVERIFY(QRegularExpression(u"^([0-9A-F]{2}:){5}[0-9A-F]{2}$"_s).match(mac).hasMatch());
}
