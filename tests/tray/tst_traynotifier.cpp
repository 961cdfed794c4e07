// The tray notifier: what reaches the notification area, cut as the shell cuts it, and the
// clicks that come back.
#include "recordingtray.h"
#include "tray/qttraybackend.h"
#include "tray/traynotifier.h"

#include <QPixmap>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

QIcon redIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

} // namespace

class TestTrayNotifier final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void texts_cutAsTheShellCutsThem_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");

        const QString a127 = QString(127, u'a');
        QTest::newRow("tip 127 ASCII bytes whole") << u"tip"_s << a127 << a127;
        QTest::newRow("tip 128 ASCII bytes cut") << u"tip"_s << QString(128, u'a') << a127;
        QTest::newRow("tip 63 Chinese and 1 ASCII fill it")
            << u"tip"_s << u"栖"_s.repeated(63) + u"a"_s << u"栖"_s.repeated(63) + u"a"_s;
        QTest::newRow("tip 64 Chinese lose the last whole") << u"tip"_s << u"栖"_s.repeated(64) << u"栖"_s.repeated(63);
        QTest::newRow("tip odd start fits to the last byte")
            << u"tip"_s << u"a"_s + u"木"_s.repeated(64) << u"a"_s + u"木"_s.repeated(63);
        QTest::newRow("tip character across the end is dropped")
            << u"tip"_s << u"ab"_s + u"木"_s.repeated(64) << u"ab"_s + u"木"_s.repeated(62);
        QTest::newRow("tip ends at an embedded NUL") << u"tip"_s << u"ab\u0000cd"_s << u"ab"_s;
        QTest::newRow("info 256 bytes cut") << u"info"_s << QString(256, u'x') << QString(255, u'x');
        QTest::newRow("info 128 Chinese cut to 127") << u"info"_s << u"号"_s.repeated(128) << u"号"_s.repeated(127);
        QTest::newRow("title 64 bytes cut") << u"title"_s << QString(64, u't') << QString(63, u't');
        QTest::newRow("title 32 Chinese cut to 31") << u"title"_s << u"提"_s.repeated(32) << u"提"_s.repeated(31);
    }
    void texts_cutAsTheShellCutsThem()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        auto log = std::make_shared<TrayLog>();
        TrayNotifier tray(std::make_unique<RecordingTrayBackend>(log));
        tray.show(redIcon(), field == u"tip"_s ? text : u"栖木"_s);
        if (field != u"tip"_s)
            tray.showBalloon(field == u"info"_s ? text : u"x"_s, QSystemTrayIcon::Information,
                             field == u"title"_s ? text : u"栖木提示"_s, 2000);
        const QString read = field == u"tip"_s    ? log->toolTip
                             : field == u"info"_s ? log->balloons.value(0).text
                                                  : log->balloons.value(0).title;
        QCOMPARE(read, shown);
    }

    void balloon_iconOnlyWithTitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QSystemTrayIcon::MessageIcon>("asked");
        QTest::addColumn<QSystemTrayIcon::MessageIcon>("shown");
        QTest::newRow("notice: information icon")
            << u"栖木提示"_s << QSystemTrayIcon::Information << QSystemTrayIcon::Information;
        QTest::newRow("empty title: no icon") << QString() << QSystemTrayIcon::Information << QSystemTrayIcon::NoIcon;
        QTest::newRow("empty title: not even an error icon")
            << QString() << QSystemTrayIcon::Critical << QSystemTrayIcon::NoIcon;
    }
    void balloon_iconOnlyWithTitle()
    {
        QFETCH(QString, title);
        QFETCH(QSystemTrayIcon::MessageIcon, asked);
        QFETCH(QSystemTrayIcon::MessageIcon, shown);
        auto log = std::make_shared<TrayLog>();
        TrayNotifier tray(std::make_unique<RecordingTrayBackend>(log));
        tray.showBalloon(u"已复制投注号码"_s, asked, title, 2000);
        QCOMPARE(log->balloons.size(), 1);
        QCOMPARE(log->balloons[0].icon, shown);
        QCOMPARE(log->balloons[0].timeoutMs, 2000);
    }

    // The window removes its icon on its way out too: nothing of it may run meanwhile.
    void remove_hidesAndRunsNothingElse()
    {
        auto log = std::make_shared<TrayLog>();
        TrayNotifier tray(std::make_unique<RecordingTrayBackend>(log));
        tray.show(redIcon(), u"栖木"_s);
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&ran] { ran = true; }, Qt::QueuedConnection);
        tray.remove();
        QVERIFY(!ran);
        QVERIFY(!log->visible);
        QTRY_VERIFY(ran);
    }

    void clicks_leftOrDoubleActivate_data()
    {
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<bool>("activates");
        QTest::newRow("left click") << QSystemTrayIcon::Trigger << true;
        QTest::newRow("double-click") << QSystemTrayIcon::DoubleClick << true;
        QTest::newRow("context menu") << QSystemTrayIcon::Context << false;
        QTest::newRow("middle button") << QSystemTrayIcon::MiddleClick << false;
        QTest::newRow("unknown") << QSystemTrayIcon::Unknown << false;
    }
    void clicks_leftOrDoubleActivate()
    {
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        QFETCH(bool, activates);
        auto backend = std::make_unique<QtTrayBackend>();
        QSystemTrayIcon *icon = backend->trayIcon();
        TrayNotifier tray(std::move(backend));
        QSignalSpy activated(&tray, &TrayNotifier::iconActivated);
        QSignalSpy balloonClicked(&tray, &TrayNotifier::balloonClicked);
        Q_EMIT icon->activated(reason);
        QCOMPARE(activated.size(), activates ? 1 : 0);
        Q_EMIT icon->messageClicked();
        QCOMPARE(balloonClicked.size(), 1);
    }

    void qtBackend_showsTheIconOnlyWithAPictureAndATray()
    {
        // Whatever the desktop offers (here none), the backend stays silent.
        QTest::failOnWarning(QRegularExpression(u"."_s));
        auto backend = std::make_unique<QtTrayBackend>();
        QSystemTrayIcon *icon = backend->trayIcon();
        TrayNotifier tray(std::move(backend));
        tray.show(QIcon(), u"栖木"_s);
        QVERIFY(!icon->isVisible());
        tray.show(redIcon(), u"a"_s + u"木"_s.repeated(64));
        QCOMPARE(icon->isVisible(), QSystemTrayIcon::isSystemTrayAvailable());
        QCOMPARE(icon->toolTip(), u"a"_s + u"木"_s.repeated(63));
        tray.showBalloon(u"已复制投注号码"_s, QSystemTrayIcon::Information, u"栖木提示"_s, 2000);
        tray.remove();
        QVERIFY(!icon->isVisible());
        tray.showBalloon(u"删除以后"_s, QSystemTrayIcon::Information, u"栖木提示"_s, 2000);
        QVERIFY(!icon->isVisible());
    }
};

QTEST_MAIN(TestTrayNotifier)
#include "tst_traynotifier.moc"
