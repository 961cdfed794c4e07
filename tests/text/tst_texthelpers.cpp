#include "systemrows.h"
#include "text/texthelpers.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

class TestTextHelpers final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void urlEncode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("blank and hyphen") << u"a b-1"_s << u"a+b%2D1"_s;
        QTest::newRow("letters and digits kept") << u"AZaz09"_s << u"AZaz09"_s;
        QTest::newRow("unreserved marks encoded too") << u"-_.~"_s << u"%2D%5F%2E%7E"_s;
        QTest::newRow("byte below 16") << u"\t"_s << u"%09"_s;
        QTest::newRow("NUL") << u"\0"_s << u"%00"_s;
        QTest::newRow("query characters") << u"&=?/%+"_s << u"%26%3D%3F%2F%25%2B"_s;
        QTest::newRow("Chinese: two groups each") << u"中文"_s << u"%D6%D0%CE%C4"_s;
        QTest::newRow("software title") << u"栖木 v1"_s << u"%C6%DC%C4%BE+v1"_s;
        QTest::newRow("outside GBK") << u"😀"_s << bySystem(u"%3F"_s, u"%3F%3F"_s);
    }
    void urlEncode()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(zq::urlEncode(text), expected);
    }
    void regReplace_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("expected");

        const QString numbers = u"[^\\d\\s\\*\\,]*"_s;
        QTest::newRow("numbers filter") << u"01,02*03 号码abc\r\n04,05"_s << numbers << QString()
                                        << u"01,02*03 \r\n04,05"_s;
        QTest::newRow("numbers filter: full-width digits are not digits")
            << u"１２3"_s << numbers << QString() << u"3"_s;
        QTest::newRow("numbers filter: ideographic and no-break blanks are not blanks")
            << u"1\u3000 2\u00A03"_s << numbers << QString() << u"1 23"_s;
        QTest::newRow("numbers filter: tab and form feed are blanks")
            << u"1\t2\f3"_s << numbers << QString() << u"1\t2\f3"_s;
        QTest::newRow("numbers filter: nothing left") << u"没有号码"_s << numbers << QString() << QString();
        QTest::newRow("ignores case, every match") << u"aAbA"_s << u"a"_s << u"x"_s << u"xxbx"_s;
        QTest::newRow("group reference") << u"2018-03-30"_s << u"(\\d+)-(\\d+)-(\\d+)"_s << u"$3/$2/$1"_s
                                         << u"30/03/2018"_s;
        QTest::newRow("whole match and dollar") << u"ab"_s << u"b"_s << u"[$&$$]"_s << u"a[b$]"_s;
        QTest::newRow("before and after") << u"abc"_s << u"b"_s << u"<$`|$'>"_s << u"a<a|c>c"_s;
        QTest::newRow("missing group stays literal") << u"ab"_s << u"(b)"_s << u"$2$1"_s << u"a$2b"_s;
        QTest::newRow("two-digit group only when it exists") << u"ab"_s << u"(b)"_s << u"$10"_s << u"ab0"_s;
        QTest::newRow("backslash is literal") << u"ab"_s << u"(b)"_s << u"\\1"_s << u"a\\1"_s;
        QTest::newRow("empty pattern matches everywhere") << u"ab"_s << QString() << u"-"_s << u"-a-b-"_s;
        QTest::newRow("no match") << u"abc"_s << u"x"_s << u"y"_s << u"abc"_s;
        QTest::newRow("invalid pattern") << u"abc"_s << u"(a"_s << u"y"_s << QString();
        QTest::newRow("invalid pattern, empty text") << QString() << u"[z-a]"_s << QString() << QString();
    }
    void regReplace()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(QString, replacement);
        QFETCH(QString, expected);
        QCOMPARE(zq::regReplace(text, pattern, replacement), expected);
    }
};

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
