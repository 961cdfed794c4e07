#include "desktop/machineid.h"

#include <QNetworkInterface>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

using Interfaces = QList<tarel_tools::NetworkInterfaceInfo>;

class TestMachineId final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pickMacAddress_data();
    void pickMacAddress();
    void getMacAddress_agreesWithTheSystem();
};

void TestMachineId::pickMacAddress_data()
{
    QTest::addColumn<Interfaces>("interfaces");
    QTest::addColumn<QString>("expected");

    const QString a = u"00:1A:2B:3C:4D:5E"_s;
    const QString b = u"66:77:88:99:AA:BB"_s;
    QTest::newRow("one adapter") << Interfaces{{false, 1, a}} << a;
    QTest::newRow("first of two wins") << Interfaces{{false, 2, a}, {false, 1, b}} << a;
    QTest::newRow("loopback passed over") << Interfaces{{true, 1, u"00:00:00:00:00:00"_s}, {false, 1, b}} << b;
    QTest::newRow("loopback with an address passed over") << Interfaces{{true, 1, a}, {false, 1, b}} << b;
    QTest::newRow("no IP address passed over") << Interfaces{{false, 0, a}, {false, 1, b}} << b;
    QTest::newRow("empty address passed over") << Interfaces{{false, 1, QString()}, {false, 1, b}} << b;
    QTest::newRow("all zeros passed over") << Interfaces{{false, 1, u"00:00:00:00:00:00"_s}, {false, 1, b}} << b;
    QTest::newRow("lowercase made uppercase") << Interfaces{{false, 1, u"00:1a:2b:3c:4d:5e"_s}} << a;
    QTest::newRow("hyphens made colons") << Interfaces{{false, 1, u"00-1A-2B-3C-4D-5E"_s}} << a;
    QTest::newRow("no adapters") << Interfaces{} << QString();
    QTest::newRow("none qualifies") << Interfaces{{true, 1, a}, {false, 0, b}} << QString();
}

void TestMachineId::pickMacAddress()
{
    QFETCH(Interfaces, interfaces);
    QFETCH(QString, expected);
    QCOMPARE(tarel_tools::pickMacAddress(interfaces), expected);
}

void TestMachineId::getMacAddress_agreesWithTheSystem()
{
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
    const QString mac = tarel_tools::getMacAddress();
    QCOMPARE(mac, expected);
    if (!mac.isEmpty() && mac.size() == 17)
        QVERIFY(QRegularExpression(u"^([0-9A-F]{2}:){5}[0-9A-F]{2}$"_s).match(mac).hasMatch());
}

QTEST_GUILESS_MAIN(TestMachineId)
#include "tst_machineid.moc"
