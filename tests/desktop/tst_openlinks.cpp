#include "desktop/links.h"
#include "urlrecorder.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

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
        QCOMPARE(zq::openUrl(url), !opened.isEmpty());
        const QList<QUrl> expected = opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl(opened)};
        QCOMPARE(browser.urls, expected);
    }
};

QTEST_MAIN(TestOpenLinks)
#include "tst_openlinks.moc"
