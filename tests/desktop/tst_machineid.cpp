#include "tst_machineid.h"

#include "desktop/machineid.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

using Interfaces = QList<NetworkInterfaceInfo>;
using Adapters = QList<AdapterConfiguration>;

class TestMachineId final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pickMacAddress_data()
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

    void pickMacAddress()
    {
        QFETCH(Interfaces, interfaces);
        QFETCH(QString, expected);
        QCOMPARE(zq::pickMacAddress(interfaces), expected);
    }

    void pickAdapterMacAddress_data()
    {
        QTest::addColumn<Adapters>("adapters");
        QTest::addColumn<QString>("expected");

        const QString a = u"00:1A:2B:3C:4D:5E"_s;
        const QString b = u"66:77:88:99:AA:BB"_s;
        QTest::newRow("one adapter") << Adapters{{1, a}} << a;
        QTest::newRow("first of two wins") << Adapters{{3, a}, {1, b}} << a;
        QTest::newRow("null or empty address list passed over") << Adapters{{0, a}, {1, b}} << b;
        QTest::newRow("unreadable address passed over") << Adapters{{1, QString()}, {1, b}} << b;
        // Wine writes lower case, and an all-zero address is an address: the text goes out as read.
        QTest::newRow("text kept as read") << Adapters{{1, u"02:fc:00:00:00:01"_s}} << u"02:fc:00:00:00:01"_s;
        QTest::newRow("all zeros kept") << Adapters{{1, u"00:00:00:00:00:00"_s}, {1, b}} << u"00:00:00:00:00:00"_s;
        QTest::newRow("blanks kept") << Adapters{{1, u" 00-1A-2B-3C-4D-5E "_s}} << u" 00-1A-2B-3C-4D-5E "_s;
        QTest::newRow("no adapters") << Adapters{} << QString();
        QTest::newRow("none qualifies") << Adapters{{0, a}, {2, QString()}} << QString();
    }

    void pickAdapterMacAddress()
    {
        QFETCH(Adapters, adapters);
        QFETCH(QString, expected);
        QCOMPARE(zq::pickAdapterMacAddress(adapters), expected);
    }

    void getMacAddress_agreesWithTheSystem_data() { MachineIdSystem::addRows(); }
    void getMacAddress_agreesWithTheSystem() { MachineIdSystem::check(); }
};

QTEST_GUILESS_MAIN(TestMachineId)
#include "tst_machineid.moc"
