// Every way the stand-in service can misbehave, against every request the client makes:
// what the user sees, that the call ends within its deadline, and that cfg.ini stays as
// it was (or, for the one good answer among the faults, changes exactly as a login writes it).
#include "app/sessionclock.h"
#include "app/window/clickablelabel.h"
#include "devservice.h"
#include "net/webclient.h"
#include "programtexts.h"
#include "text/ansi.h"
#include "windowharness.h"

#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <ctime>
#include <functional>
#include <limits>
#include <tuple>
#include <utility>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

// What a row expects the request to lead to, beyond the boxes and the balloon.
enum class Expect
{
    InfoFailed,      // two empty answers: the failure notice, nothing distributed
    InfoNotJson,     // a text that is no JSON: the online template set, the rest empty
    InfoDistributed, // the software information shown as the service sent it
    LoginRefused,    // no sign-in: the box stays open, nothing saved
    LoginSignedIn,   // signed in: credentials saved, caption, plan page, signed-in layout
    ReportGoesOn,    // the session goes on: software information and clock read anew
    ReportKicked,    // the kick message, then the program ends
    RegRefused,      // the registration box stays as it was
    RegCreated,      // the login box filled with the new account
    ClockFromDate,   // the clock from the answer's Date header, plus eight hours
    ClockLocal,      // no complete answer, or one without a Date header: the computer's local time
};

const QString kSlowNetwork = u"检测到你的网速有点慢，请尝试解决方法：\r\n"
                             u"1、换一个更优质的网络环境使用本软件\r\n"
                             u"2、尝试重启家里的路由器或重新拨号上网"_s;
const QString kProgramTitle = programName();
const QString kStartingNotice = u"栖木软件正在初始化，请稍等。。。"_s;
const QString kInitFailed = u"软件初始化失败，请重新启动软件试试看！"_s;
const QString kLoginNoAnswer = u"登录失败，可能是网络问题，请稍候重试即可。"_s;
const QString kRegNoAnswer = u"注册失败，可能是网络问题，请重试！"_s;
const QString kKicked = u"您已经被踢下线，您的栖木账号在其它软件中重复登录！"_s;

// The stand-in service's fault bodies and answers, as the user gets to read them.
const QString kBadJson = u"{\"shop_url\": \"http:\\/\\/x"_s;
const QString kKickText = u"kick: 您的账号已在其它地方登录"_s;
const QString kWrongPassword = u"账号或密码错误。\r\n请检查后重新输入。"_s;
const QString kTakenName = u"该账号已被注册。\r\n请换一个账号名再试。"_s;

const QString kDateHeader = u"Tue, 08 Dec 2026 04:15:37 GMT"_s;
const QString kClockFormat = u"yyyy-MM-dd HH:mm:ss"_s;
constexpr int kShortDeadlineMs = 1500;
constexpr qint64 kRealDeadlineMs = 9999;
// What a loaded machine may add to a wait: start-up, the follow-up requests of a report.
constexpr qint64 kMarginMs = 4000;

// A settings file with saved credentials and a comment in code page 936: every byte of it
// must survive a failed request.
QByteArray cfgWithSavedLogin(const QString &user, const QString &pass)
{
    return "[daili]\r\ncode=zq_softinfo\r\n\r\n[vip_user_info]\r\nlogin_user=" + toAnsi(user) +
           "\r\nlogin_pass=" + toAnsi(pass) + "\r\n; " + toAnsi(u"保存的登录，勿改"_s) + "\r\n";
}

const QString kSavedUser = u"旧账号"_s;
const QString kSavedPass = u"old pass"_s;

int requestsTo(const QList<QJsonObject> &log, const QString &target)
{
    int count = 0;
    for (const QJsonObject &entry : log) {
        const QString path = entry.value(u"path"_s).toString();
        const QString query = entry.value(u"query"_s).toString();
        if (target == u"softinfo"_s) {
            count += path.endsWith(u"/spcenter/caieventhandle.php"_s) ? 1 : 0;
        } else if (target == u"time"_s) {
            count += path == u"/"_s ? 1 : 0;
        } else {
            const QString action = target == u"login"_s ? u"login_2016"_s : target;
            count += path.endsWith(u"/zqsso.php"_s) && query.startsWith(u"a="_s + action + u'&') ? 1 : 0;
        }
    }
    return count;
}

QString clockPlus(const QString &clock, qint64 seconds)
{
    return QDateTime::fromString(clock, kClockFormat).addSecs(seconds).toString(kClockFormat);
}

// Seconds between a clock text and a reference time, as a positive distance.
qint64 distance(const QString &clock, const QDateTime &reference)
{
    const QDateTime value = QDateTime::fromString(clock, kClockFormat);
    return value.isValid() ? qAbs(value.secsTo(reference)) : std::numeric_limits<qint64>::max();
}

} // namespace

Q_DECLARE_METATYPE(Expect)

class TestFaultMatrix : public QObject
{
    Q_OBJECT

    DevService m_service;

    // What the window showed and held the moment the request's handler returned, before any
    // later tick of the count-down can move the clock on.
    struct Outcome
    {
        qint64 elapsedMs = 0;
        QList<Dialogs::Shown> boxes;
        QList<TrayLog::Balloon> balloons;
        QString clock;
        QString nextReport;
    };

    static void addRow(const char *name, const QString &target, const QString &mode, Expect expect,
                       const QStringList &shown, bool balloon, int tries, int waits = 0, int deadlineMs = 0,
                       int times = 0, const QString &typed = {}, const QString &body = {}, int status = 0)
    {
        QTest::newRow(name) << target << mode << body << status << times << deadlineMs << typed << expect << shown
                            << balloon << tries << waits;
    }

    // An answer of that status whose body would be taken for the service's.
    static void addStatusRow(const char *name, const QString &target, int status, const QString &body, Expect expect,
                             const QStringList &shown, bool balloon, int tries)
    {
        addRow(name, target, u"text"_s, expect, shown, balloon, tries, 0, 0, 0, {}, body, status);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The clock from a Date header (UTC + 8 h) and the fallback to local time must be
        // told apart, also on a machine whose own zone is UTC+8.
        qputenv("TZ", "UTC");
#ifdef Q_OS_UNIX
        tzset();
#endif
        QVERIFY(m_service.start());
    }
    void init()
    {
        QVERIFY(m_service.clear());
    }

    void faultMatrix_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("body");   // the answer of mode "text"
        QTest::addColumn<int>("status");     // its status; 0: 200
        QTest::addColumn<int>("times");      // fault uses; 0: every request
        QTest::addColumn<int>("deadlineMs"); // 0: the program's own 9,999 ms
        QTest::addColumn<QString>("typed");  // login: the password; registration: the account
        QTest::addColumn<Expect>("expect");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("balloon");
        QTest::addColumn<int>("tries"); // requests the target receives
        QTest::addColumn<int>("waits"); // deadlines the action waits out

        const QString info = u"softinfo"_s;
        const QString login = u"login"_s;
        const QString online = u"online"_s;
        const QString reg = u"reg"_s;
        const QString time = u"time"_s;
        const int s = kShortDeadlineMs;
        using E = Expect;

        // Software information at start-up: the tray icon does not exist yet, so no balloon
        // can be shown; an empty answer is asked for once more. An answer with a status other
        // than 200 is none, whatever its body.
        addRow("softinfo 404", info, u"404"_s, E::InfoFailed, {}, false, 2);
        addRow("softinfo 500", info, u"500"_s, E::InfoFailed, {}, false, 2);
        addStatusRow("softinfo 500 with the service's JSON", info, 500,
                     u"{\"shop_url\":\"http:\\/\\/127.0.0.1\\/plan.php?u={ACC}&p={PASS}\",\"annouce\":\"x\"}"_s,
                     E::InfoFailed, {}, false, 2);
        addRow("softinfo silent", info, u"silent"_s, E::InfoFailed, {}, false, 2, 2, s);
        addRow("softinfo silent once, real deadline", info, u"silent"_s, E::InfoDistributed, {}, false, 2, 1, 0, 1);
        addRow("softinfo drop", info, u"drop"_s, E::InfoFailed, {}, false, 2);
        addRow("softinfo empty", info, u"empty"_s, E::InfoFailed, {}, false, 2);
        addRow("softinfo badjson", info, u"badjson"_s, E::InfoNotJson, {}, false, 1);
        addRow("softinfo gbk", info, u"gbk"_s, E::InfoDistributed, {}, false, 1);
        addRow("softinfo huge", info, u"huge"_s, E::InfoFailed, {}, false, 2);
        addRow("softinfo kick", info, u"kick"_s, E::InfoNotJson, {}, false, 1);

        // Login: a status other than 200 or no answer raises the balloon and is the
        // network-failure box, as an empty answer is; any other text is the service's
        // refusal, shown as it came.
        addRow("login 404", login, u"404"_s, E::LoginRefused, {kLoginNoAnswer}, true, 1);
        addRow("login 500", login, u"500"_s, E::LoginRefused, {kLoginNoAnswer}, true, 1);
        addStatusRow("login 500 that reads as a success", login, 500, u"ok|server error page"_s, E::LoginRefused,
                     {kLoginNoAnswer}, true, 1);
        addRow("login silent", login, u"silent"_s, E::LoginRefused, {kLoginNoAnswer}, true, 1, 1, s);
        addRow("login drop", login, u"drop"_s, E::LoginRefused, {kLoginNoAnswer}, true, 1);
        addRow("login empty", login, u"empty"_s, E::LoginRefused, {kLoginNoAnswer}, false, 1);
        addRow("login badjson", login, u"badjson"_s, E::LoginRefused, {kBadJson}, false, 1);
        addRow("login gbk", login, u"gbk"_s, E::LoginSignedIn, {}, false, 1);
        addRow("login gbk refusal", login, u"gbk"_s, E::LoginRefused, {kWrongPassword}, false, 1, 0, 0, 0, u"wrong"_s);
        addRow("login huge", login, u"huge"_s, E::LoginRefused, {kLoginNoAnswer}, true, 1);
        addRow("login kick", login, u"kick"_s, E::LoginRefused, {kKickText}, false, 1);

        // Online report: only "kick" ends the session; any other outcome reads the software
        // information and the clock anew.
        addRow("online 404", online, u"404"_s, E::ReportGoesOn, {}, true, 1);
        addRow("online 500", online, u"500"_s, E::ReportGoesOn, {}, true, 1);
        addStatusRow("online 500 that reads as kick", online, 500, u"kick"_s, E::ReportGoesOn, {}, true, 1);
        addRow("online silent", online, u"silent"_s, E::ReportGoesOn, {}, true, 1, 1, s);
        addRow("online drop", online, u"drop"_s, E::ReportGoesOn, {}, true, 1);
        addRow("online empty", online, u"empty"_s, E::ReportGoesOn, {}, false, 1);
        addRow("online badjson", online, u"badjson"_s, E::ReportGoesOn, {}, false, 1);
        addRow("online gbk", online, u"gbk"_s, E::ReportGoesOn, {}, false, 1);
        addRow("online huge", online, u"huge"_s, E::ReportGoesOn, {}, true, 1);
        addRow("online kick", online, u"kick"_s, E::ReportKicked, {kKicked}, false, 1);

        // Registration: "null" and no answer (a status other than 200 among them) alike show
        // the network-failure text; "ok" anywhere is success; anything else is shown.
        addRow("reg 404", reg, u"404"_s, E::RegRefused, {kRegNoAnswer}, true, 1);
        addRow("reg 500", reg, u"500"_s, E::RegRefused, {kRegNoAnswer}, true, 1);
        addStatusRow("reg 500 that reads as created", reg, 500, u"ok"_s, E::RegRefused, {kRegNoAnswer}, true, 1);
        addRow("reg silent", reg, u"silent"_s, E::RegRefused, {kRegNoAnswer}, true, 1, 1, s);
        addRow("reg drop", reg, u"drop"_s, E::RegRefused, {kRegNoAnswer}, true, 1);
        addRow("reg empty", reg, u"empty"_s, E::RegRefused, {kRegNoAnswer}, false, 1);
        addRow("reg badjson", reg, u"badjson"_s, E::RegRefused, {kBadJson}, false, 1);
        addRow("reg gbk", reg, u"gbk"_s, E::RegCreated, {}, false, 1);
        addRow("reg gbk refusal", reg, u"gbk"_s, E::RegRefused, {kTakenName}, false, 1, 0, 0, 0, u"demo"_s);
        addRow("reg huge", reg, u"huge"_s, E::RegRefused, {kRegNoAnswer}, true, 1);
        addRow("reg kick", reg, u"kick"_s, E::RegRefused, {kKickText}, false, 1);

        // Time source: only the headers count, whatever the status or the body; it never
        // shows a notice.
        addRow("time 404", time, u"404"_s, E::ClockFromDate, {}, false, 1);
        addRow("time 500", time, u"500"_s, E::ClockFromDate, {}, false, 1);
        addRow("time silent", time, u"silent"_s, E::ClockLocal, {}, false, 1, 1, s);
        addRow("time drop", time, u"drop"_s, E::ClockLocal, {}, false, 1);
        addRow("time empty", time, u"empty"_s, E::ClockFromDate, {}, false, 1);
        addRow("time badjson", time, u"badjson"_s, E::ClockFromDate, {}, false, 1);
        addRow("time gbk", time, u"gbk"_s, E::ClockFromDate, {}, false, 1);
        addRow("time huge", time, u"huge"_s, E::ClockFromDate, {}, false, 1);
        addRow("time kick", time, u"kick"_s, E::ClockFromDate, {}, false, 1);
        addRow("time without Date header", time, u"nodate"_s, E::ClockLocal, {}, false, 1);
    }

    void faultMatrix()
    {
        QFETCH(QString, target);
        QFETCH(QString, mode);
        QFETCH(QString, body);
        QFETCH(int, status);
        QFETCH(int, times);
        QFETCH(int, deadlineMs);
        QFETCH(QString, typed);
        QFETCH(Expect, expect);
        QFETCH(QStringList, shown);
        QFETCH(bool, balloon);
        QFETCH(int, tries);
        QFETCH(int, waits);

        if (target == u"online"_s)
            QVERIFY(m_service.setFault(u"time"_s, u"date"_s, kDateHeader));
        QVERIFY(m_service.setFault(target, mode, body, times, status));

        const QByteArray cfg = cfgWithSavedLogin(kSavedUser, kSavedPass);
        WindowHarness h(m_service.baseUrl(), m_service.baseUrl(), cfg);
        MainWindow &w = *h.window;
        const Controls c = h.controls();
        SessionClock &clock = h.clock();
        const SoftwareInformation &info = h.softwareInfo().value();
        const SessionAccount &session = h.loginFlow().session();
        // Every request, the time source's included, waits on this one deadline.
        if (deadlineMs > 0)
            h.web().setDeadline(std::chrono::milliseconds(deadlineMs));
        else
            QCOMPARE(h.web().deadline(), std::chrono::milliseconds(kRealDeadlineMs));
        QCOMPARE(h.cfgBytes(), cfg);

        // The captions the layout gives, before any answer changes them.
        QStringList layoutLinks;
        for (int i = 0; i < 12; ++i)
            layoutLinks << c.platformLink(i)->text();
        const QString layoutHeading = c.tipsLabel(TipsLabel::LinkPanelHeading)->text();
        const QString layoutAnnouncement = c.tipsLabel(TipsLabel::NoticeLine)->text();
        const QString caption = kProgramTitle + u"(v1.7) "_s;

        Outcome got;
        QElapsedTimer timer;
        qsizetype traysBefore = 0;
        int softinfoBefore = 0;
        int timeBefore = 0;
        QString clockBeforeTick;

        // Each action returns at once; the request is handled when its flow is done.
        const auto waitUntil = [&timer](const std::function<bool()> &handled) {
            const bool done = QTest::qWaitFor(handled, 60000);
            return std::pair{done, timer.elapsed()};
        };
        // The clock as the request's handling left it, before any later tick moves it on.
        QSignalSpy read(&clock, &SessionClock::clockRead);
        const auto keepClock = [&] {
            got.clock = clock.clockText();
            got.nextReport = clock.nextReportText();
        };
        QObject::connect(&clock, &SessionClock::clockRead, &w, keepClock);
        QObject::connect(&clock, &SessionClock::kicked, &w, keepClock);
        bool handled = false;

        if (target == u"softinfo"_s) {
            // Shown at once, as the program shows it, while the software information is asked for.
            QSignalSpy started(&w, &MainWindow::startedUp);
            timer.start();
            w.startUp();
            w.show();
            std::tie(handled, got.elapsedMs) = waitUntil([&started] { return !started.isEmpty(); });
        } else {
            QVERIFY(h.startUp());
            w.show();
            QCOMPARE(w.windowTitle(), caption);
            if (target == u"login"_s) {
                h.click(u"tips_label(1)"_s);
                QCOMPARE(c.loginUser->text(), kSavedUser);
                c.loginUser->setText(u"demo"_s);
                c.loginPass->setText(typed.isEmpty() ? u"demo123"_s : typed);
                traysBefore = h.tray->balloons.size();
                timer.start();
                QTest::mouseClick(c.loginButton, Qt::LeftButton);
                std::tie(handled, got.elapsedMs) = waitUntil([&h] { return !h.loginFlow().signingIn(); });
            } else if (target == u"reg"_s) {
                h.click(u"tips_label(2)"_s);
                QVERIFY(c.regPlatform->count() > 0);
                c.regUser->setText(typed.isEmpty() ? u"fault_user"_s : typed);
                c.regPass->setText(u"pw1"_s);
                c.regPlatformAccount->setText(u"plat01"_s);
                QCOMPARE(c.regEmail->text(), u"@"_s);
                traysBefore = h.tray->balloons.size();
                timer.start();
                QTest::mouseClick(c.registerButton, Qt::LeftButton);
                std::tie(handled, got.elapsedMs) = waitUntil([&h] { return !h.registrationFlow().registering(); });
            } else if (target == u"online"_s) {
                clock.onStartTimer();
                QVERIFY(read.wait());
                QCOMPARE(clock.clockText(), u"2026-12-08 12:15:37"_s);
                const QList<QJsonObject> log = m_service.log();
                softinfoBefore = requestsTo(log, u"softinfo"_s);
                timeBefore = requestsTo(log, u"time"_s);
                // Due on the next tick. From here to the tick no event may run, or a timer
                // tick of the window would send the report first.
                clock.setNextReportDue(clock.clock());
                clockBeforeTick = clock.clockText();
                traysBefore = h.tray->balloons.size();
                const qsizetype readsBefore = read.size();
                timer.start();
                clock.onCountDownTick();
                std::tie(handled, got.elapsedMs) =
                    waitUntil([&] { return !h.exits.isEmpty() || read.size() > readsBefore; });
            } else if (target == u"time"_s) {
                QVERIFY(clock.clockText().isEmpty());
                traysBefore = h.tray->balloons.size();
                timer.start();
                clock.onStartTimer();
                std::tie(handled, got.elapsedMs) = waitUntil([&read] { return !read.isEmpty(); });
            } else {
                QFAIL("unknown target");
            }
        }
        QVERIFY2(handled, "the request was never handled");
        got.boxes = h.dialogs().shown();
        got.balloons = h.tray->balloons.mid(traysBefore);

        // What the user sees: the message boxes, with the program title and OK only ...
        QStringList texts;
        for (const Dialogs::Shown &box : got.boxes) {
            texts << box.text;
            QCOMPARE(box.title, kProgramTitle);
            QVERIFY(!box.withCancel);
        }
        QCOMPARE(texts, shown);
        // ... and the slow-network balloon, exactly once when it is due.
        QCOMPARE(got.balloons.size(), balloon ? 1 : 0);
        if (balloon) {
            const TrayLog::Balloon &notice = got.balloons.first();
            QCOMPARE(notice.text, kSlowNetwork);
            QCOMPARE(notice.title, u"栖木提示"_s);
            QCOMPARE(notice.icon, QSystemTrayIcon::Information);
            QCOMPARE(notice.timeoutMs, 2000);
        }

        // Never past its deadline; and where an answer or a failure came, not until it either.
        const qint64 deadline = deadlineMs > 0 ? deadlineMs : kRealDeadlineMs;
        if (waits == 0) {
            QVERIFY2(got.elapsedMs < deadline, qPrintable(u"took %1 ms"_s.arg(got.elapsedMs)));
        } else {
            QVERIFY2(got.elapsedMs >= waits * deadline - 5, qPrintable(u"took %1 ms"_s.arg(got.elapsedMs)));
            QVERIFY2(got.elapsedMs < waits * deadline + kMarginMs, qPrintable(u"took %1 ms"_s.arg(got.elapsedMs)));
        }

        // The program ends only on the report's "kick".
        QCOMPARE(h.exits, expect == Expect::ReportKicked ? QList<int>{0} : QList<int>{});

        // cfg.ini: byte for byte as before, unless the login went through.
        if (expect == Expect::LoginSignedIn) {
            const QByteArray saved = "[daili]\r\ncode=zq_softinfo\r\n\r\n[vip_user_info]\r\nlogin_user=demo\r\n"
                                     "login_pass=demo123\r\n; " +
                                     toAnsi(u"保存的登录，勿改"_s) + "\r\n";
            QCOMPARE(h.cfgBytes(), saved);
        } else {
            QCOMPARE(h.cfgBytes(), cfg);
        }

        const QList<QJsonObject> log = m_service.log();
        if (mode == u"drop"_s) {
            // Qt's HTTP layer sends a request once more when the peer closes the connection
            // without a byte of answer; the program itself asks only as often as it should.
            const int received = requestsTo(log, target);
            QVERIFY2(received >= tries && received <= 2 * tries, qPrintable(QString::number(received)));
        } else {
            QCOMPARE(requestsTo(log, target), tries);
        }

        const QString onlineTemplate =
            m_service.baseUrl() +
            u"spcenter/zqsso.php?a=online&code=zq_softinfo&u={ACC}&con={CON}&mac={MAC}&&ver={VER}&t={TIME}"_s;

        switch (expect) {
        case Expect::InfoFailed:
        case Expect::InfoNotJson:
            QCOMPARE(c.tipsLabel(TipsLabel::StartUpNotice)->text(),
                     expect == Expect::InfoFailed ? kInitFailed : kStartingNotice);
            QCOMPARE(info.onlineUrl, expect == Expect::InfoFailed ? QString() : onlineTemplate);
            QVERIFY(info.planPageUrl.isEmpty());
            QVERIFY(info.regPlatformText.isEmpty());
            QVERIFY(info.regLinkCodes.isEmpty());
            QCOMPARE(c.tipsLabel(TipsLabel::NoticeLine)->text(), layoutAnnouncement);
            QCOMPARE(c.tipsLabel(TipsLabel::LinkPanelHeading)->text(), layoutHeading);
            for (int i = 0; i < 12; ++i) {
                QCOMPARE(c.platformLink(i)->text(), layoutLinks.at(i));
                QVERIFY(!c.platformLink(i)->isHidden());
            }
            QCOMPARE(c.regPlatform->count(), 0);
            // Start-up goes on: the tray icon, the caption, the start timer.
            QVERIFY(h.tray->visible);
            QCOMPARE(w.windowTitle(), caption);
            QVERIFY(c.startTimer->isActive());
            break;
        case Expect::InfoDistributed: {
            QCOMPARE(c.tipsLabel(TipsLabel::StartUpNotice)->text(), kStartingNotice);
            QCOMPARE(info.onlineUrl, onlineTemplate);
            QCOMPARE(info.planPageUrl, m_service.baseUrl() + u"plan.php?u={ACC}&p={PASS}"_s);
            QCOMPARE(info.regPlatformText, u"天天彩|101,好运 来|102,幸运星|103,金彩|104,大发|105,万家乐|106"_s);
            QCOMPARE(c.tipsLabel(TipsLabel::NoticeLine)->text(),
                     u"欢迎使用栖木分分彩智能做号计划软件！这是本地演示服务，计划每3秒更新一次。"_s);
            QCOMPARE(c.tipsLabel(TipsLabel::LinkPanelHeading)->text(), u"客服QQ:12345 彩票平台开户："_s);
            const QStringList names{u"天天彩"_s, u"好运来"_s, u"幸运星"_s, u"金彩"_s, u"大发"_s, u"万家乐"_s};
            for (int i = 0; i < 12; ++i) {
                QCOMPARE(c.platformLink(i)->isHidden(), i >= names.size());
                if (i < names.size())
                    QCOMPARE(c.platformLink(i)->text(), names.at(i) + u" |"_s);
            }
            QCOMPARE(info.regLinkCodes, (QStringList{u"101"_s, u"102"_s, u"103"_s, u"104"_s, u"105"_s, u"106"_s}));
            QCOMPARE(c.regPlatform->count(), int(names.size()));
            for (int i = 0; i < names.size(); ++i)
                QCOMPARE(c.regPlatform->itemText(i), names.at(i));
            QCOMPARE(c.regPlatform->currentIndex(), 0);
            break;
        }
        case Expect::LoginRefused:
            QCOMPARE(session.account, u"demo"_s);
            QCOMPARE(session.password, typed.isEmpty() ? u"demo123"_s : typed);
            QVERIFY(c.loginBox->isVisible());
            QVERIFY(c.loginButton->isEnabled() && c.goToRegistrationButton->isEnabled());
            QCOMPARE(w.windowTitle(), caption);
            QVERIFY(c.tipsLabel(TipsLabel::LoginLink)->isVisible() &&
                    c.tipsLabel(TipsLabel::RegistrationLink)->isVisible());
            QVERIFY(!c.outplan->isVisible());
            for (const QString &address : std::as_const(h.page->navigations))
                QVERIFY2(!address.contains(u"u=demo"_s), qPrintable(address));
            break;
        case Expect::LoginSignedIn:
            QCOMPARE(session.account, u"demo"_s);
            QCOMPARE(w.windowTitle(), caption + u"- demo"_s);
            h.verifySignedInAsDemo();
            break;
        case Expect::ReportGoesOn:
            // Read anew: the software information once, the clock from the time source.
            QCOMPARE(requestsTo(log, u"softinfo"_s), softinfoBefore + 1);
            QCOMPARE(requestsTo(log, u"time"_s), timeBefore + 1);
            QCOMPARE(got.clock, u"2026-12-08 12:15:37"_s);
            QCOMPARE(got.nextReport, u"2026-12-08 12:25:37"_s);
            QCOMPARE(info.onlineUrl, onlineTemplate);
            QVERIFY(h.tray->visible);
            QVERIFY(c.countDown->isActive());
            break;
        case Expect::ReportKicked:
            QCOMPARE(requestsTo(log, u"softinfo"_s), softinfoBefore);
            QCOMPARE(requestsTo(log, u"time"_s), timeBefore);
            QCOMPARE(got.clock, clockPlus(clockBeforeTick, 1));
            QVERIFY(!c.countDown->isActive());
            // Unloaded without the exit question: the tray icon is gone.
            QVERIFY(!h.tray->visible);
            QCOMPARE(h.tray->calls.last(), u"hide"_s);
            QVERIFY(w.unloaded());
            break;
        case Expect::RegRefused:
            QVERIFY(c.registrationBox->isVisible());
            QVERIFY(!c.loginBox->isVisible());
            QVERIFY(c.registerButton->isEnabled() && c.registrationCancelButton->isEnabled());
            QCOMPARE(c.loginUser->text(), kSavedUser);
            QCOMPARE(c.loginPass->text(), kSavedPass);
            break;
        case Expect::RegCreated: {
            QCOMPARE(c.loginUser->text(), u"fault_user"_s);
            QCOMPARE(c.loginPass->text(), u"pw1"_s);
            QVERIFY(c.loginBox->isVisible());
            QVERIFY(!c.registrationBox->isVisible());
            QVERIFY(c.registerButton->isEnabled() && c.registrationCancelButton->isEnabled());
            bool kept = false;
            for (const QJsonValue &account : m_service.accounts())
                kept = kept || account.toObject().value(u"account"_s).toString() == u"fault_user"_s;
            QVERIFY(kept);
            break;
        }
        case Expect::ClockFromDate:
        case Expect::ClockLocal: {
            const QDateTime reference = expect == Expect::ClockFromDate
                                            ? QDateTime::currentDateTimeUtc().addSecs(8 * 3600)
                                            : QDateTime::currentDateTime();
            QVERIFY2(distance(got.clock, reference) <= 10, qPrintable(got.clock));
            QCOMPARE(got.nextReport, clockPlus(got.clock, 600));
            break;
        }
        }

        if (target == u"time"_s) {
            // The rest of the start timer ran whatever the clock got.
            QCOMPARE(clock.reportPeriod(), qint16(600));
            QVERIFY(!c.startTimer->isActive());
            QVERIFY(c.browser->isVisible());
            QVERIFY(!c.tipsLabel(TipsLabel::StartUpNotice)->isVisible());
            QVERIFY(h.page->navigations.last().endsWith(u"/plan.php?u=&p="_s));
        }
    }
};

QTEST_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
