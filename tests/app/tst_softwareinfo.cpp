// refreshSoftwareInfo against a loopback server whose answers each test writes.
#include "app/platformlist.h"
#include "app/softwareinfo.h"
#include "app/window/clickablelabel.h"
#include "loopbackserver.h"
#include "programtexts.h"
#include "text/ansi.h"
#include "windowharness.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <future>
#include <utility>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

LoopbackServer::Answer textAnswer(const QByteArray &body)
{
    return {200, "text/plain; charset=utf-8", body};
}

LoopbackServer::Handler answerAlways(const QByteArray &body)
{
    return [body](const LoopbackServer::Received &, int) { return textAnswer(body); };
}

const QByteArray kGoodAnswer =
    R"({"shop_url":"http:\/\/plan.example\/p.php?u={ACC}&p={PASS}","new_ver_desc":"A a|1,B|2",)"
    R"("annouce":"\u516c\u544a","pltlist":"P0|P1|P2","reg_url":"c0|c1|c2","contact":"QQ:1 "})";

} // namespace

class TestSoftwareInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void request_carriesTheQueryInUrlAndBody()
    {
        LoopbackServer server;
        server.setHandler(answerAlways(kGoodAnswer));
        WindowHarness h(server.base());
        QVERIFY(h.startUp());

        const auto got = server.received();
        QCOMPARE(int(got.size()), 1);
        // The title travels encoded in code page 936: every byte as %XX.
        QString title;
        for (char byte : toAnsi(programName()))
            title += u'%' + QString::number(quint8(byte), 16).toUpper();
        const QString query = u"?act=tarel_zt_info&pt=default&code=zq_softinfo&c="_s + title + u"&v=v1_7&b=20180330"_s;
        QCOMPARE(got[0].method, "POST"_ba);
        QVERIFY(QString::fromLatin1(got[0].target).endsWith(u"/spcenter/caieventhandle.php"_s + query));
        QCOMPARE(QString::fromLatin1(got[0].body), query);
        QCOMPARE(got[0].contentType, "application/x-www-form-urlencoded"_ba);
    }

    void distributesTheAnswer()
    {
        LoopbackServer server;
        server.setHandler(answerAlways(kGoodAnswer));
        WindowHarness h(server.base());
        QVERIFY(h.startUp());
        const SoftwareInformation &s = h.softwareInfo().value();
        const Controls c = h.controls();

        // Escaped slashes become plain ones.
        QCOMPARE(s.planPageUrl, u"http://plan.example/p.php?u={ACC}&p={PASS}"_s);
        QCOMPARE(s.regPlatformText, u"A a|1,B|2"_s);
        QCOMPARE(s.onlineUrl, server.base() + u"spcenter/zqsso.php?a=online&code=zq_softinfo"
                                              u"&u={ACC}&con={CON}&mac={MAC}&&ver={VER}&t={TIME}"_s);
        QCOMPARE(c.tipsLabel(TipsLabel::NoticeLine)->text(), u"公告"_s);
        QCOMPARE(c.tipsLabel(TipsLabel::LinkPanelHeading)->text(), u"QQ:1 彩票平台开户："_s);
        QCOMPARE(s.regLinkCodes, (QStringList{u"c0"_s, u"c1"_s, u"c2"_s}));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(c.platformLink(i)->text(), u"P%1 |"_s.arg(i));
            QVERIFY(!c.platformLink(i)->isHidden());
        }
        for (int i = 3; i < 12; ++i)
            QVERIFY(c.platformLink(i)->isHidden());
        // The platform names lose their blanks; the first is chosen.
        QCOMPARE(c.regPlatform->count(), 2);
        QCOMPARE(c.regPlatform->itemText(0), u"Aa"_s);
        QCOMPARE(c.regPlatform->itemText(1), u"B"_s);
        QCOMPARE(c.regPlatform->currentIndex(), 0);
        QCOMPARE(h.registrationFlow().platforms().saved(), u"A a|1,B|2"_s);
    }

    void codeFromTheSettingsFile_isSent_data()
    {
        QTest::addColumn<QByteArray>("shipped");  // cfg/cfg.ini beside the program
        QTest::addColumn<QByteArray>("userCopy"); // null: the program folder is writable
        QTest::addColumn<QString>("sent");
        QTest::newRow("the file beside the program") << "[daili]\r\ncode=ab\r\n"_ba << QByteArray() << u"ab"_s;
        QTest::newRow("a code that would add a key stays inside its value")
            << "[daili]\r\ncode=a&act=x#y\r\n"_ba << QByteArray() << u"a%26act%3Dx%23y"_s;
        // An administrator's new code reaches every user at the next start; only the login is
        // the user's own.
        QTest::newRow("a read-only program folder: still the shipped file's code")
            << "[daili]\r\ncode=ab\r\n"_ba
            << "[daili]\r\ncode=old\r\n[vip_user_info]\r\nlogin_user=u\r\n"_ba << u"ab"_s;
    }

    void codeFromTheSettingsFile_isSent()
    {
        QFETCH(QByteArray, shipped);
        QFETCH(QByteArray, userCopy);
        QFETCH(QString, sent);
        QStandardPaths::setTestModeEnabled(true);
        const QString userFile = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + u"/cfg.ini"_s;
        const auto removeUserCopy = qScopeGuard([&userFile] { QFile::remove(userFile); });
        if (!userCopy.isNull()) {
            QVERIFY(QDir().mkpath(QFileInfo(userFile).path()));
            QVERIFY(TestFiles::write(userFile, userCopy));
        }
        LoopbackServer server;
        server.setHandler(answerAlways(kGoodAnswer));
        WindowHarness h(server.base(), {}, shipped);
        if (!userCopy.isNull())
            h.cfgWritable = [](const QString &) { return false; };
        QVERIFY(h.startUp());
        // The settings file of the program folder, or the user's copy (its saved login says so).
        QCOMPARE(QFile::exists(userFile), !userCopy.isNull());
        QCOMPARE(h.controls().loginUser->text(), userCopy.isNull() ? QString() : u"u"_s);
        const QByteArray target = server.received().at(0).target;
        QVERIFY2(target.contains(QByteArray("&code=" + sent.toLatin1() + "&c=")), target.constData());
        QVERIFY(h.softwareInfo().value().onlineUrl.contains(u"a=online&code="_s + sent + u"&u="_s));
    }

    void emptyFirstAnswer_secondIsUsed()
    {
        LoopbackServer server;
        server.setHandler([](const LoopbackServer::Received &, int call) {
            return textAnswer(call == 0 ? QByteArray() : kGoodAnswer);
        });
        WindowHarness h(server.base());
        QVERIFY(h.startUp());
        QCOMPARE(int(server.received().size()), 2);
        QCOMPARE(h.softwareInfo().value().regLinkCodes.size(), 3);
        QCOMPARE(h.controls().tipsLabel(TipsLabel::StartUpNotice)->text(), u"栖木软件正在初始化，请稍等。。。"_s);
    }

    void twoEmptyAnswers_showTheFailureAndChangeNothingElse()
    {
        LoopbackServer server;
        server.setHandler(answerAlways(QByteArray()));
        WindowHarness h(server.base());
        QVERIFY(h.startUp());
        const Controls c = h.controls();
        QCOMPARE(int(server.received().size()), 2);
        QCOMPARE(c.tipsLabel(TipsLabel::StartUpNotice)->text(), u"软件初始化失败，请重新启动软件试试看！"_s);
        QVERIFY(h.softwareInfo().value().onlineUrl.isEmpty());
        QVERIFY(h.softwareInfo().value().planPageUrl.isEmpty());
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(c.platformLink(i)->text(), u"."_s);
            QVERIFY(!c.platformLink(i)->isHidden());
        }
        // Start-up goes on: the tray icon and the caption still come.
        QVERIFY(h.tray->visible);
        QCOMPARE(h.window->windowTitle(), programName() + u"(v1.7) "_s);
    }

    void linkList_edgeForms_data()
    {
        QTest::addColumn<QString>("pltlist");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<int>("shown");
        QTest::newRow("trailing bar") << u"A|B|"_s << QStringList{u"A |"_s, u"B |"_s, u" |"_s} << 3;
        QStringList thirteen;
        QStringList twelveCaptions;
        for (int i = 0; i < 13; ++i) {
            thirteen << u"N%1"_s.arg(i);
            if (i < 12)
                twelveCaptions << u"N%1 |"_s.arg(i);
        }
        QTest::newRow("beyond twelve dropped") << thirteen.join(u'|') << twelveCaptions << 12;
    }
    void linkList_edgeForms()
    {
        QFETCH(QString, pltlist);
        QFETCH(QStringList, captions);
        QFETCH(int, shown);
        LoopbackServer server;
        server.setHandler(answerAlways(R"({"pltlist":")" + pltlist.toUtf8() + R"("})"));
        WindowHarness h(server.base());
        QVERIFY(h.startUp());
        const Controls c = h.controls();
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(!c.platformLink(i)->isHidden(), i < shown);
            if (i < shown)
                QCOMPARE(c.platformLink(i)->text(), captions.at(i));
        }
    }

    void answerWithoutLists_leavesTheLinksAsLaidOut()
    {
        LoopbackServer server;
        server.setHandler(answerAlways(R"({"annouce":"x"})"));
        WindowHarness h(server.base());
        QVERIFY(h.startUp());
        for (int i = 0; i < 12; ++i)
            QCOMPARE(h.controls().platformLink(i)->text(), u"."_s);
        QVERIFY(h.softwareInfo().value().planPageUrl.isEmpty());
    }

    void laterAnswer_bringsAHiddenLinkBack()
    {
        LoopbackServer server;
        server.setHandler([](const LoopbackServer::Received &, int call) {
            return textAnswer(call == 0 ? R"({"pltlist":"A"})" : R"({"pltlist":"A|B|C"})");
        });
        WindowHarness h(server.base());
        QVERIFY(h.startUp());
        QVERIFY(h.controls().platformLink(2)->isHidden());
        QSignalSpy refreshed(&h.softwareInfo(), &SoftwareInfo::refreshed);
        h.window->refreshSoftwareInfo();
        QVERIFY(refreshed.wait());
        QVERIFY(!h.controls().platformLink(2)->isHidden());
        QCOMPARE(h.controls().platformLink(2)->text(), u"C |"_s);
    }

    // A plan page that could not load tries again when the service is seen to answer.
    void answer_isToldToThePlanPage_data()
    {
        QTest::addColumn<QByteArrayList>("answers");
        QTest::addColumn<int>("told");
        QTest::newRow("an answer") << QByteArrayList{kGoodAnswer} << 1;
        QTest::newRow("an answer that is not JSON") << QByteArrayList{"<html>oops</html>"} << 1;
        QTest::newRow("the second try answers") << QByteArrayList{QByteArray(), kGoodAnswer} << 1;
        QTest::newRow("no answer in two tries") << QByteArrayList{QByteArray(), QByteArray()} << 0;
    }
    void answer_isToldToThePlanPage()
    {
        QFETCH(QByteArrayList, answers);
        QFETCH(int, told);
        LoopbackServer server;
        server.setHandler(
            [answers](const LoopbackServer::Received &, int call) { return textAnswer(answers.value(call)); });
        WindowHarness h(server.base());
        QSignalSpy refreshed(&h.softwareInfo(), &SoftwareInfo::refreshed);
        h.window->refreshSoftwareInfo();
        QVERIFY(refreshed.wait());
        QCOMPARE(h.page->serviceAnswers, told);
    }

    // The window shows with its start-up notice and works while the service is asked; the tray
    // icon, the saved login, the start timer and the caption come once the service has answered.
    void startUp_showsTheWindowWhileTheServiceIsAsked()
    {
        LoopbackServer server;
        std::promise<void> answer;
        bool answered = false;
        const auto answerNow = [&] {
            if (!std::exchange(answered, true))
                answer.set_value();
        };
        const auto release = qScopeGuard(answerNow);
        server.setHandler([held = answer.get_future().share()](const LoopbackServer::Received &, int) {
            held.wait_for(std::chrono::seconds(30));
            return textAnswer(kGoodAnswer);
        });
        WindowHarness h(server.base(), {}, "[daili]\r\ncode=zq_softinfo\r\n[vip_user_info]\r\nlogin_user=saved\r\n"_ba);
        QSignalSpy started(h.window.get(), &MainWindow::startedUp);
        h.window->startUp();
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        QTRY_COMPARE(int(server.received().size()), 1);
        const Controls c = h.controls();
        QVERIFY(c.tipsLabel(TipsLabel::StartUpNotice)->isVisible());
        QCOMPARE(c.tipsLabel(TipsLabel::StartUpNotice)->text(), u"栖木软件正在初始化，请稍等。。。"_s);
        QVERIFY(h.tray->calls.isEmpty());
        QVERIFY(c.loginUser->text().isEmpty());
        QVERIFY(!c.startTimer->isActive());
        QCOMPARE(h.window->windowTitle(), programName());
        h.click(u"tips_label(1)"_s);
        QVERIFY(c.loginBox->isVisible());

        answerNow();
        QVERIFY(started.wait());
        QCOMPARE(h.tray->calls, (QStringList{u"icon"_s, u"tip"_s, u"show"_s}));
        QCOMPARE(h.tray->toolTip, programName());
        QCOMPARE(c.loginUser->text(), u"saved"_s);
        QVERIFY(c.startTimer->isActive());
        QCOMPARE(c.startTimer->interval(), 2000);
        QCOMPARE(h.window->windowTitle(), programName() + u"(v1.7) "_s);
        QCOMPARE(c.tipsLabel(TipsLabel::NoticeLine)->text(), u"公告"_s);
        QVERIFY(c.tipsLabel(TipsLabel::StartUpNotice)->isVisible());
    }

    void stopSignalDuringTheWait_endsStartUpThere()
    {
        LoopbackServer server;
        WindowHarness h(server.base());
        MainWindow *window = h.window.get();
        std::promise<void> answer;
        server.setHandler([window, held = answer.get_future().share()](const LoopbackServer::Received &, int) {
            // The request is on the wire: the stop signal comes now, while start-up waits for it.
            QMetaObject::invokeMethod(
                window, [window] { window->closeByProgram(); }, Qt::QueuedConnection);
            held.wait_for(std::chrono::seconds(30));
            return textAnswer(QByteArray());
        });
        h.window->startUp();
        QTRY_COMPARE(h.exits, QList<int>{0});
        answer.set_value();
        // No retry, not even once the held answer has gone out; no tray icon, no start timer.
        QVERIFY(!QTest::qWaitFor([&server] { return server.received().size() > 1; }, 1000));
        QCOMPARE(int(server.received().size()), 1);
        QVERIFY(h.tray->calls.isEmpty());
        QVERIFY(!h.controls().startTimer->isActive());
        QVERIFY(!h.tray->visible);
        // A second stop asks the event loop to end once more.
        h.window->closeByProgram();
        QCOMPARE(h.exits, (QList<int>{0, 0}));
    }

    void notJson_readsAsEmptyValues()
    {
        LoopbackServer server;
        server.setHandler(answerAlways("<html>500 oops</html>"));
        WindowHarness h(server.base());
        QVERIFY(h.startUp());
        QVERIFY(h.softwareInfo().value().planPageUrl.isEmpty());
        QVERIFY(!h.softwareInfo().value().onlineUrl.isEmpty());
        QCOMPARE(h.controls().platformLink(0)->text(), u"."_s);
        QCOMPARE(h.controls().tipsLabel(TipsLabel::NoticeLine)->text(), QString());
    }
};

QTEST_MAIN(TestSoftwareInfo)
#include "tst_softwareinfo.moc"
