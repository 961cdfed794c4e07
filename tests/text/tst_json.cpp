#include "text/json.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

// The shape of the software-information answer.
const QString kAnswer =
    uR"({"shop_url":"http:\/\/x.cn\/shop","new_ver_desc":"P 1|101,P2|102","annouce":"公告[br]第二行",
"pltlist":"a|b","a":"text","b":2,"c":2.5,"neg":-7,"big":1e21,"tiny":1e-7,"small":0.000001,"huge":3000000000,
"t":true,"f":false,"n":null,"empty":"","arr":[1,2],"obj":{"inner":"deep","more":{"x":1}}})"_s;

} // namespace

class TestJson final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void getJsonValue_data()
    {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<int>("type");

        const int none = QMetaType::UnknownType;
        QTest::newRow("text") << kAnswer << u"a"_s << QVariant(u"text"_s) << int(QMetaType::QString);
        QTest::newRow("escaped slash") << kAnswer << u"shop_url"_s << QVariant(u"http://x.cn/shop"_s)
                                       << int(QMetaType::QString);
        QTest::newRow("Chinese") << kAnswer << u"annouce"_s << QVariant(u"公告[br]第二行"_s) << int(QMetaType::QString);
        QTest::newRow("whole number") << kAnswer << u"b"_s << QVariant(2) << int(QMetaType::Int);
        QTest::newRow("negative number") << kAnswer << u"neg"_s << QVariant(-7) << int(QMetaType::Int);
        QTest::newRow("fraction") << kAnswer << u"c"_s << QVariant(2.5) << int(QMetaType::Double);
        QTest::newRow("beyond int") << kAnswer << u"huge"_s << QVariant(3000000000.0) << int(QMetaType::Double);
        QTest::newRow("true") << kAnswer << u"t"_s << QVariant(true) << int(QMetaType::Bool);
        QTest::newRow("false") << kAnswer << u"f"_s << QVariant(false) << int(QMetaType::Bool);
        QTest::newRow("empty text") << kAnswer << u"empty"_s << QVariant(QString()) << int(QMetaType::QString);
        QTest::newRow("null") << kAnswer << u"n"_s << QVariant() << none;
        QTest::newRow("missing") << kAnswer << u"zzz"_s << QVariant() << none;
        QTest::newRow("names are case-sensitive") << kAnswer << u"A"_s << QVariant() << none;
        QTest::newRow("empty key") << kAnswer << QString() << QVariant() << none;
        QTest::newRow("dotted path") << kAnswer << u"obj.inner"_s << QVariant(u"deep"_s) << int(QMetaType::QString);
        QTest::newRow("two levels") << kAnswer << u"obj.more.x"_s << QVariant(1) << int(QMetaType::Int);
        QTest::newRow("path through text") << kAnswer << u"a.length"_s << QVariant() << none;
        QTest::newRow("path through array") << kAnswer << u"arr.0"_s << QVariant() << none;
        QTest::newRow("empty path part") << kAnswer << u"obj..inner"_s << QVariant() << none;
        QTest::newRow("trailing dot") << kAnswer << u"obj."_s << QVariant() << none;
        QTest::newRow("blanks and BOM around")
            << u"\uFEFF \r\n {\"a\":\"x\"} \n"_s << u"a"_s << QVariant(u"x"_s) << int(QMetaType::QString);
        QTest::newRow("repeated name: the last one, as a script reads it")
            << u"{\"a\":\"first\",\"a\":\"last\"}"_s << u"a"_s << QVariant(u"last"_s) << int(QMetaType::QString);
        QTest::newRow("array answer") << u"[1,2]"_s << u"a"_s << QVariant() << none;
        QTest::newRow("text answer") << u"\"a\""_s << u"a"_s << QVariant() << none;
        QTest::newRow("null answer") << u"null"_s << u"a"_s << QVariant() << none;
        QTest::newRow("empty answer") << QString() << u"a"_s << QVariant() << none;
        QTest::newRow("service says null") << u"null"_s << u"annouce"_s << QVariant() << none;
        QTest::newRow("script, not data") << u"{a: 'x'}"_s << u"a"_s << QVariant() << none;
        QTest::newRow("code is never run") << u"{\"a\": (function(){return 1})()}"_s << u"a"_s << QVariant() << none;
        QTest::newRow("cut off") << u"{\"a\":\"x\""_s << u"a"_s << QVariant() << none;
        QTest::newRow("trailing garbage") << u"{\"a\":\"x\"} x"_s << u"a"_s << QVariant() << none;
        QTest::newRow("deep nesting") << QString(5000, u'[') << u"a"_s << QVariant() << none;
    }
    void getJsonValue()
    {
        QFETCH(QString, json);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        QFETCH(int, type);
        const QVariant value = zq::getJsonValue(json, key);
        QCOMPARE(value.typeId(), type);
        QCOMPARE(value, expected);
    }
    void getJsonValue_containers()
    {
        const QVariant array = zq::getJsonValue(kAnswer, u"arr"_s);
        QCOMPARE(array.typeId(), int(QMetaType::QVariantList));
        QCOMPARE(array.toList().size(), 2);
        const QVariant object = zq::getJsonValue(kAnswer, u"obj"_s);
        QCOMPARE(object.typeId(), int(QMetaType::QVariantMap));
        QCOMPARE(object.toMap().value(u"inner"_s).toString(), u"deep"_s);
    }
    void getJsonText_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        QTest::newRow("text") << u"new_ver_desc"_s << u"P 1|101,P2|102"_s;
        QTest::newRow("whole number") << u"b"_s << u"2"_s;
        QTest::newRow("fraction") << u"c"_s << u"2.5"_s;
        QTest::newRow("negative") << u"neg"_s << u"-7"_s;
        QTest::newRow("beyond int") << u"huge"_s << u"3000000000"_s;
        QTest::newRow("exponent from 1e21") << u"big"_s << u"1e+21"_s;
        QTest::newRow("small exponent") << u"tiny"_s << u"1e-7"_s;
        QTest::newRow("small without exponent") << u"small"_s << u"0.000001"_s;
        QTest::newRow("true") << u"t"_s << u"true"_s;
        QTest::newRow("false") << u"f"_s << u"false"_s;
        QTest::newRow("null") << u"n"_s << QString();
        QTest::newRow("array") << u"arr"_s << QString();
        QTest::newRow("object") << u"obj"_s << QString();
        QTest::newRow("missing") << u"nope"_s << QString();
    }
    void getJsonText()
    {
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QCOMPARE(zq::getJsonText(kAnswer, key), expected);
    }
};

QTEST_GUILESS_MAIN(TestJson)
#include "tst_json.moc"
