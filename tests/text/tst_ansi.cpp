#include "systemrows.h"
#include "text/ansi.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

class TestAnsi final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toAnsi_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("ascii") << u"abc 123"_s << QByteArray("abc 123");
        QTest::newRow("Chinese") << u"中文"_s << QByteArray("\xD6\xD0\xCE\xC4");
        QTest::newRow("full-width punctuation") << u"，。"_s << QByteArray("\xA3\xAC\xA1\xA3");
        QTest::newRow("Hangul is outside GBK") << u"a한b"_s << QByteArray("a?b");
        // Windows gives a ? for each half of a character beyond the 16-bit range.
        QTest::newRow("emoji is one ?, two on Windows") << u"a😀b"_s << bySystem<QByteArray>("a?b", "a??b");
        QTest::newRow("several outside in a row") << u"😀😀中"_s << bySystem<QByteArray>("??\xD6\xD0", "????\xD6\xD0");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + u"x"_s << QByteArray("?x");
        QTest::newRow("NUL kept") << u"a\0b"_s << QByteArray("a\0b", 3);
    }
    void toAnsi()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(zq::toAnsi(text), expected);
    }
    void fromAnsi_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        // Windows reads a lone 0xFF as the private-use U+F8F5 of its table, and a lead byte
        // without a valid second byte as one ?, the byte after it included.
        const QString bad(QChar(0xFFFD));
        const QString ff = bySystem(bad, QString(QChar(0xF8F5)));
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("Chinese") << QByteArray("\xD6\xD0\xCE\xC4") << u"中文"_s;
        QTest::newRow("lead byte at the end") << QByteArray("ab\xD6") << u"ab"_s + bySystem(bad, u"?"_s);
        QTest::newRow("invalid byte in the middle") << QByteArray("a\xFF"
                                                                  "b\xD6\xD0")
                                                    << u"a"_s + ff + u"b中"_s;
        QTest::newRow("lead byte before a blank") << QByteArray("\x81 x") << bySystem<QString>(bad + u" x"_s, u"?x"_s);
        QTest::newRow("many invalid bytes") << QByteArray(5000, '\xFF') + "ok" << QString(5000, ff.at(0)) + u"ok"_s;
    }
    void fromAnsi()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(zq::fromAnsi(bytes), expected);
    }
    void roundTrip_keepsGbkText()
    {
        const QString text = u"栖木分分彩智能做号计划软件 v1.7 投注期:0001-9999期:"_s;
        QCOMPARE(zq::fromAnsi(zq::toAnsi(text)), text);
        QCOMPARE(zq::toAnsi(text).size(), 2 * 17 + 17);
    }
    void longText_convertsWhole()
    {
        // Longer than the converter's working buffer, in both directions.
        const QString text = QString(3000, u'中') + u"end"_s;
        const QByteArray bytes = zq::toAnsi(text);
        QCOMPARE(bytes.size(), 6003);
        QVERIFY(bytes.endsWith("end"));
        QCOMPARE(zq::fromAnsi(bytes), text);
    }
};

QTEST_GUILESS_MAIN(TestAnsi)
#include "tst_ansi.moc"
