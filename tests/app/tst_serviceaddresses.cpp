// The addresses that leave the program for the default browser: the registration links and
// the download page.
#include "app/appconfig.h"
#include "app/appstate.h"
#include "app/serviceaddresses.h"
#include "app/softwareinfo.h"
#include "desktop/links.h"
#include "urlrecorder.h"

#include <QTest>
#include <QUrlQuery>

using namespace Qt::StringLiterals;
using namespace zq;

class TestServiceAddresses final : public QObject
{
    Q_OBJECT

private:
    static AppConfig sites(const QString &regSite, const QString &downloadSite = {})
    {
        AppConfig config;
        config.regSite = regSite;
        config.downloadSite = downloadSite;
        return config;
    }

private Q_SLOTS:
    void regLink_data()
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

    void regLink()
    {
        QFETCH(QStringList, codes);
        QFETCH(int, index);
        QFETCH(QString, expected);
        const AppConfig config = sites(u"http://reg.example/"_s);
        const AppState machine;
        SoftwareInformation info;
        info.regLinkCodes = codes;
        QCOMPARE(ServiceAddresses(config, machine, info).platformLink(index), expected);
    }

    void regLink_opensTheCodeWhole()
    {
        UrlRecorder browser;
        const AppConfig config = sites(u"http://127.0.0.1:8731/"_s);
        const AppState machine;
        SoftwareInformation info;
        info.regLinkCodes = QStringList{u"plain"_s, u"x&g=evil"_s};
        const ServiceAddresses addresses(config, machine, info);
        openUrl(addresses.platformLink(1));
        openUrl(addresses.platformLink(7));
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
        const AppConfig config = sites(QString(), u"https://dl.example/"_s);
        const AppState machine;
        const SoftwareInformation info;
        const QString url = ServiceAddresses(config, machine, info).downloadPage();
        QCOMPARE(url, u"https://dl.example/a/awddownload.html"_s);
        QVERIFY(openUrl(url));
        QCOMPARE(browser.urls, QList<QUrl>{QUrl(url)});
    }
};

QTEST_MAIN(TestServiceAddresses)
#include "tst_serviceaddresses.moc"
