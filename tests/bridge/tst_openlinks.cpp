#include "links.h"
#include "urlrecorder.h"

#include <QTest>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

class TestOpenLinks final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("opened"); // empty: refused

        QTest::newRow("http with query") << u"http://example.com/a?b=1&c=2"_s << u"http://example.com/a?b=1&c=2"_s;
        QTest::newRow("https, blanks around") << u"  https://example.com/x \r\n"_s << u"https://example.com/x"_s;
        QTest::newRow("upper-case scheme and host") << u"HTTP://EXAMPLE.com/P"_s << u"http://example.com/P"_s;
        QTest::newRow("port and fragment")
            << u"http://127.0.0.1:8731/a/awddownload.html#top"_s << u"http://127.0.0.1:8731/a/awddownload.html#top"_s;
        QTest::newRow("local file") << u"file:///etc/passwd"_s << QString();
        QTest::newRow("script") << u"javascript:alert(1)"_s << QString();
        QTest::newRow("ftp") << u"ftp://example.com/"_s << QString();
        QTest::newRow("mail") << u"mailto:a@example.com"_s << QString();
        QTest::newRow("data") << u"data:text/html,<b>x</b>"_s << QString();
        QTest::newRow("no scheme") << u"example.com/reg.php"_s << QString();
        QTest::newRow("no host") << u"http://"_s << QString();
        QTest::newRow("blank inside the host") << u"http://exa mple.com/"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void openUrl()
    {
        QFETCH(QString, url);
        QFETCH(QString, opened);
        UrlRecorder browser;
        QCOMPARE(tarel_tools::openUrl(url), !opened.isEmpty());
        const QList<QUrl> expected = opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl(opened)};
        QCOMPARE(browser.urls, expected);
    }

    void regLinkUrl_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expected");

        const QStringList codes{u"A1"_s, u"b-2"_s, u"c_3"_s};
        QTest::newRow("first") << codes << 0 << u"http://reg.example/reg.php?g=A1"_s;
        QTest::newRow("last") << codes << 2 << u"http://reg.example/reg.php?g=c_3"_s;
        QTest::newRow("beyond the list") << codes << 3 << u"http://reg.example/reg.php?g="_s;
        QTest::newRow("negative") << codes << -1 << u"http://reg.example/reg.php?g="_s;
        QTest::newRow("no codes") << QStringList{} << 0 << u"http://reg.example/reg.php?g="_s;
        QTest::newRow("empty code") << QStringList{QString(), u"x"_s} << 0 << u"http://reg.example/reg.php?g="_s;
        QTest::newRow("code cannot add a parameter")
            << QStringList{u"a&admin=1#frag"_s} << 0 << u"http://reg.example/reg.php?g=a%26admin%3D1%23frag"_s;
        // Chinese goes out as its GBK bytes (代 B4FA, 理 C0ED), like every other value sent.
        QTest::newRow("blank, plus, percent, Chinese")
            << QStringList{u"a b+c%d代理"_s} << 0 << u"http://reg.example/reg.php?g=a%20b%2Bc%25d%B4%FA%C0%ED"_s;
    }

    void regLinkUrl()
    {
        QFETCH(QStringList, codes);
        QFETCH(int, index);
        QFETCH(QString, expected);
        QCOMPARE(tarel_tools::regLinkUrl(u"http://reg.example/"_s, codes, index), expected);
    }

    void openRegLink_opensTheCodeWhole()
    {
        UrlRecorder browser;
        const QStringList codes{u"plain"_s, u"x&g=evil"_s};
        tarel_tools::openRegLink(u"http://127.0.0.1:8731/"_s, codes, 1);
        tarel_tools::openRegLink(u"http://127.0.0.1:8731/"_s, codes, 7);
        QCOMPARE(browser.urls.size(), 2);
        const QUrl first = browser.urls.at(0);
        QCOMPARE(first.path(), u"/reg.php"_s);
        const QUrlQuery query(first);
        QCOMPARE(query.allQueryItemValues(u"g"_s, QUrl::FullyDecoded), QStringList{u"x&g=evil"_s});
        QCOMPARE(browser.urls.at(1), QUrl(u"http://127.0.0.1:8731/reg.php?g="_s));
    }

    void downloadPage_opens()
    {
        UrlRecorder browser;
        const QString url = tarel_tools::downloadPageUrl(u"https://dl.example/"_s);
        QCOMPARE(url, u"https://dl.example/a/awddownload.html"_s);
        QVERIFY(tarel_tools::openUrl(url));
        QCOMPARE(browser.urls, QList<QUrl>{QUrl(url)});
    }
};

QTEST_MAIN(TestOpenLinks)
#include "tst_openlinks.moc"
