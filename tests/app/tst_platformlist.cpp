#include "app/platformlist.h"

#include <QComboBox>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

QStringList itemsOf(const QComboBox &box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

// What registration sends for each item: the value kept with it.
QStringList valuesOf(const QComboBox &box)
{
    QStringList values;
    for (int i = 0; i < box.count(); ++i)
        values << box.itemData(i).toString();
    return values;
}

} // namespace

class TestPlatformList final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fillComboList_data()
    {
        QTest::addColumn<QString>("items");
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selected");

        QTest::newRow("three, second selected") << u"a|b|c"_s << 1 << QStringList{u"a"_s, u"b"_s, u"c"_s} << 1;
        QTest::newRow("empty pieces kept") << u"a||b|"_s << 0 << QStringList{u"a"_s, QString(), u"b"_s, QString()} << 0;
        QTest::newRow("empty text adds nothing") << QString() << 0 << QStringList{} << -1;
        QTest::newRow("index beyond the list") << u"a|b"_s << 5 << QStringList{u"a"_s, u"b"_s} << -1;
        QTest::newRow("minus one selects nothing") << u"a|b"_s << -1 << QStringList{u"a"_s, u"b"_s} << -1;
        QTest::newRow("negative index") << u"a|b"_s << -2 << QStringList{u"a"_s, u"b"_s} << -1;
        QTest::newRow("Chinese") << u"平台一|平台二"_s << 1 << QStringList{u"平台一"_s, u"平台二"_s} << 1;
    }

    void fillComboList()
    {
        QFETCH(QString, items);
        QFETCH(int, index);
        QFETCH(QStringList, expected);
        QFETCH(int, selected);
        QComboBox box;
        box.addItems({u"old1"_s, u"old2"_s});
        box.setCurrentIndex(1);
        zq::fillComboList(&box, items, index);
        QCOMPARE(itemsOf(box), expected);
        QCOMPARE(box.currentIndex(), selected);
    }

    void fillComboList_nullList_isIgnored()
    {
        zq::fillComboList(nullptr, u"a|b"_s, 0);
        RegPlatforms platforms;
        platforms.fillRegPlatforms(u"A|1"_s, nullptr);
        QCOMPARE(platforms.saved(), u"A|1"_s);
        QCOMPARE(platforms.getPlatformValue(u"A"_s), u"1"_s);
    }

    void fillRegPlatforms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("chosen"); // the item chosen before the refill
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("values"); // each item's own value

        QTest::newRow("names lose their spaces")
            << u"P 1|101,P2|102"_s << u"old"_s << QStringList{u"P1"_s, u"P2"_s} << 0 << QStringList{u"101"_s, u"102"_s};
        QTest::newRow("more fields ignored")
            << u"A|1|x|y,B|2"_s << u"old"_s << QStringList{u"A"_s, u"B"_s} << 0 << QStringList{u"1"_s, u"2"_s};
        QTest::newRow("empty items skipped")
            << u",A|1,,B|2,"_s << u"old"_s << QStringList{u"A"_s, u"B"_s} << 0 << QStringList{u"1"_s, u"2"_s};
        QTest::newRow("item without value")
            << u"A,B|2"_s << u"old"_s << QStringList{u"A"_s, u"B"_s} << 0 << QStringList{QString(), u"2"_s};
        QTest::newRow("item without name")
            << u"|9,B|2"_s << u"old"_s << QStringList{QString(), u"B"_s} << 0 << QStringList{u"9"_s, u"2"_s};
        QTest::newRow("only separators") << u",,"_s << u"old"_s << QStringList{} << -1 << QStringList{};
        QTest::newRow("Chinese with inner blanks")
            << u"幸运 平台|7, 第二 |8"_s << u"old"_s << QStringList{u"幸运平台"_s, u"第二"_s} << 0
            << QStringList{u"7"_s, u"8"_s};
        // A name found inside an earlier one, or one that lost its blank, still sends its own value.
        QTest::newRow("a name inside an earlier name")
            << u"AB|1,B|2"_s << u"old"_s << QStringList{u"AB"_s, u"B"_s} << 0 << QStringList{u"1"_s, u"2"_s};
        QTest::newRow("a name that lost its blank")
            << u"Lucky 8|101"_s << u"old"_s << QStringList{u"Lucky8"_s} << 0 << QStringList{u"101"_s};
        // The list comes again with every online report: what the user chose stays chosen.
        QTest::newRow("the chosen platform still listed")
            << u"A|1,B|2,C|3"_s << u"B"_s << QStringList{u"A"_s, u"B"_s, u"C"_s} << 1
            << QStringList{u"1"_s, u"2"_s, u"3"_s};
        QTest::newRow("the chosen platform gone")
            << u"A|1,C|3"_s << u"B"_s << QStringList{u"A"_s, u"C"_s} << 0 << QStringList{u"1"_s, u"3"_s};
    }

    void fillRegPlatforms()
    {
        QFETCH(QString, text);
        QFETCH(QString, chosen);
        QFETCH(QStringList, expected);
        QFETCH(int, selected);
        QFETCH(QStringList, values);
        QComboBox regPlatform;
        regPlatform.addItems({u"A"_s, chosen});
        regPlatform.setCurrentIndex(1);
        RegPlatforms platforms;
        platforms.fillRegPlatforms(text, &regPlatform);
        QCOMPARE(itemsOf(regPlatform), expected);
        QCOMPARE(regPlatform.currentIndex(), selected);
        QCOMPARE(valuesOf(regPlatform), values);
        QCOMPARE(platforms.saved(), text);
    }

    void fillRegPlatforms_emptyText_changesNothing()
    {
        QComboBox regPlatform;
        RegPlatforms platforms;
        platforms.fillRegPlatforms(u"A|1,B|2"_s, &regPlatform);
        regPlatform.setCurrentIndex(1);
        platforms.fillRegPlatforms(QString(), &regPlatform);
        QCOMPARE(itemsOf(regPlatform), (QStringList{u"A"_s, u"B"_s}));
        QCOMPARE(regPlatform.currentIndex(), 1);
        QCOMPARE(platforms.saved(), u"A|1,B|2"_s);
        QCOMPARE(platforms.getPlatformValue(u"B"_s), u"2"_s);
    }

    void fillRegPlatforms_refillKeepsTheChosenOfTwoSameNames()
    {
        // Both show as Lucky8: the second one chosen is still the one chosen after the next report.
        const QString text = u"Lucky 8|101,Lucky8|102"_s;
        QComboBox regPlatform;
        RegPlatforms platforms;
        platforms.fillRegPlatforms(text, &regPlatform);
        regPlatform.setCurrentIndex(1);
        platforms.fillRegPlatforms(text, &regPlatform);
        QCOMPARE(itemsOf(regPlatform), (QStringList{u"Lucky8"_s, u"Lucky8"_s}));
        QCOMPARE(regPlatform.currentIndex(), 1);
        QCOMPARE(regPlatform.currentData().toString(), u"102"_s);
    }

    void getPlatformValue_data()
    {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");

        const QString example = u"P 1|101,P2|102"_s;
        QTest::newRow("exact name") << example << u"P2"_s << u"102"_s;
        QTest::newRow("substring, first match") << example << u"P"_s << u"101"_s;
        QTest::newRow("shown name without its space") << example << u"P1"_s << QString();
        QTest::newRow("case-sensitive") << example << u"p2"_s << QString();
        QTest::newRow("no match") << example << u"Q"_s << QString();
        QTest::newRow("match without value stops the search") << u"P1,P1x|5"_s << u"P1"_s << QString();
        QTest::newRow("empty value") << u"A|,B|2"_s << u"A"_s << QString();
        QTest::newRow("third field ignored") << u"A|1|2"_s << u"A"_s << u"1"_s;
        QTest::newRow("empty items skipped") << u",,B|2"_s << u"B"_s << u"2"_s;
        QTest::newRow("empty name matches the first named item") << u"|0,A|1"_s << QString() << u"1"_s;
        QTest::newRow("Chinese") << u"幸运平台|7,第二|8"_s << u"第二"_s << u"8"_s;
    }

    void getPlatformValue()
    {
        QFETCH(QString, saved);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        RegPlatforms platforms;
        platforms.fillRegPlatforms(saved, nullptr);
        QCOMPARE(platforms.getPlatformValue(name), expected);
    }

    void getPlatformValue_beforeAnyList_isEmpty()
    {
        const RegPlatforms platforms;
        QCOMPARE(platforms.saved(), QString());
        QCOMPARE(platforms.getPlatformValue(QString()), QString());
        QCOMPARE(platforms.getPlatformValue(u"A"_s), QString());
    }
};

QTEST_MAIN(TestPlatformList)
#include "tst_platformlist.moc"
