#include "digest/md5calc.h"
#include "systemrows.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

class TestMd5Calc final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void md5Hex_data();
    void md5Hex();
    void md5Hex_isAlways32UppercaseHexDigits();
};

void TestMd5Calc::md5Hex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    // RFC 1321, appendix A.5, in uppercase.
    QTest::newRow("rfc empty") << QString() << u"D41D8CD98F00B204E9800998ECF8427E"_s;
    QTest::newRow("rfc a") << u"a"_s << u"0CC175B9C0F1B6A831C399E269772661"_s;
    QTest::newRow("rfc abc") << u"abc"_s << u"900150983CD24FB0D6963F7D28E17F72"_s;
    QTest::newRow("rfc message digest") << u"message digest"_s << u"F96B697D7CB7938D525A2F31AAF161D0"_s;
    QTest::newRow("rfc alphabet") << u"abcdefghijklmnopqrstuvwxyz"_s << u"C3FCD3D76192E4007DFB496CCA67E13B"_s;
    QTest::newRow("rfc alphanumeric") << u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"_s
                                      << u"D174AB98D277D9F5A5611C2C9F419D9F"_s;
    QTest::newRow("rfc digits") << u"12345678901234567890123456789012345678901234567890123456789012345678901234567890"_s
                                << u"57EDF4A22BE3C955AC49DA2E2107B67A"_s;

    // Padding boundaries: 55 bytes fit one block with the length, 56 need a second.
    QTest::newRow("55 bytes") << QString(55, u'a') << u"EF1772B6DFF9A122358552954AD0DF65"_s;
    QTest::newRow("56 bytes") << QString(56, u'a') << u"3B0C8AC703F828B04C6C197006D17218"_s;
    QTest::newRow("57 bytes") << QString(57, u'a') << u"652B906D60AF96844EBD21B674F35E93"_s;
    QTest::newRow("63 bytes") << QString(63, u'a') << u"B06521F39153D618550606BE297466D5"_s;
    QTest::newRow("64 bytes") << QString(64, u'a') << u"014842D480B571495A4A0363793F7367"_s;
    QTest::newRow("120 bytes") << QString(120, u'a') << u"5F61C0CCAD4CAC44C75FF505E1F1E537"_s;
    QTest::newRow("40000 bytes") << QString(40000, u'x') << u"33766CD480DE06A6B2E053EB8F67583E"_s;

    // The machine identity as the service receives it.
    QTest::newRow("mac address") << u"00:1A:2B:3C:4D:5E"_s << u"64EF59ED159B1CFD56057DA3B82A7677"_s;
    // GBK bytes C6 DC C4 BE B7 D6 B7 D6 B2 CA; the UTF-8 digest would be 2375991C...
    QTest::newRow("Chinese as GBK") << u"栖木分分彩"_s << u"A62BED2CC266F8DB99A90D144630B76B"_s;
    // "a?b"; on Windows "a??b".
    QTest::newRow("outside GBK digests its ?")
        << u"a😀b"_s << bySystem(u"0166D849F21A9D699D896EA2A79A375F"_s, u"5C04ABB6B0CAB26B9DF5BAA55E1A21D7"_s);
}

void TestMd5Calc::md5Hex()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(zq::md5Hex(text), expected);
}

void TestMd5Calc::md5Hex_isAlways32UppercaseHexDigits()
{
    // Low bytes need their leading zero; any lowercase or dropped digit breaks the form.
    for (int i = 0; i < 300; ++i) {
        const QString digest = zq::md5Hex(QString::number(i));
        QCOMPARE(digest.size(), 32);
        for (const QChar c : digest)
            QVERIFY2((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'), qPrintable(digest));
    }
}

QTEST_GUILESS_MAIN(TestMd5Calc)
#include "tst_md5calc.moc"
