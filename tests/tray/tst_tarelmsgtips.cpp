#include "tray/qttraybackend.h"
#include "tray/tarelmsgtips.h"
#include "tray/traybackend.h"
#include "tray/traypicture.h"
#include "tray/trayrecord.h"

#include <QPixmap>
#include <QPointer>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString Caption = u"栖木分分彩智能做号计划软件"_s;
const QString TipsTitle = u"栖木提示"_s;

struct Sent
{
    int message;
    TrayRecord record;
};

// Stands where the notification area would be: keeps every send, and lets a test deliver
// notifications the way the shell would.
class RecordingBackend final : public TrayBackend
{
public:
    explicit RecordingBackend(QList<Sent> *sent) : m_sent(sent) {}
    void send(int message, const TrayRecord &record) override { m_sent->append({message, record}); }
    using TrayBackend::notify;

private:
    QList<Sent> *m_sent;
};

QIcon redIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

// The events of a notifier, in the order they were raised, as short words.
class EventLog
{
public:
    explicit EventLog(tarelMsgTips *tips)
    {
        QObject::connect(tips, &tarelMsgTips::MouseClick, tips, [this](qint32 button, bool dbl) {
            m_events << (dbl ? u"double %1"_s : u"click %1"_s).arg(button);
        });
        QObject::connect(tips, &tarelMsgTips::TrayMsgBoxClick, tips,
                         [this](bool close) { m_events << (close ? u"balloon closed"_s : u"balloon clicked"_s); });
        QObject::connect(tips, &tarelMsgTips::iconActivated, tips, [this] { m_events << u"activated"_s; });
    }
    QStringList events() const { return m_events; }

private:
    QStringList m_events;
};

} // namespace

class TestTarelMsgTips final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUp_addsBareIconThenPictureThenCaption();
    void addTrayIcon_takesExistingWindowHandleWithoutCreatingOne();
    void addTrayIcon_withoutPictureBoxStillAdds();
    void textFields_cutToFieldOnCharacterBoundary_data();
    void textFields_cutToFieldOnCharacterBoundary();
    void balloon_iconOnlyWithTitle_data();
    void balloon_iconOnlyWithTitle();
    void balloon_keepsLastTooltip();
    void setTrayIcon_ignoresPicturesThatAreNotIcons_data();
    void setTrayIcon_ignoresPicturesThatAreNotIcons();
    void delTrayIcon_deletesAndRunsPendingEvents();
    void notifications_raiseEventsByTable_data();
    void notifications_raiseEventsByTable();
    void qtBackend_mapsRecordsOntoTrayIcon();
    void qtBackend_turnsActivationsIntoMessages_data();
    void qtBackend_turnsActivationsIntoMessages();
    void qtBackend_messageClickedIsBalloonClick();
};

void TestTarelMsgTips::startUp_addsBareIconThenPictureThenCaption()
{
    QList<Sent> sent;
    tarelMsgTips tips(std::make_unique<RecordingBackend>(&sent));
    QWidget window;
    auto *pic = new QWidget(&window);
    pic->hide();
    const QIcon icon = redIcon();

    tips.AddTrayIcon(pic);
    tips.SetTrayIcon(icon);
    tips.SetTrayTip(Caption);

    QCOMPARE(sent.size(), 3);

    QCOMPARE(sent[0].message, NIM_ADD);
    const TrayRecord &added = sent[0].record;
    QCOMPARE(added.uFlags, 0x13u);
    QCOMPARE(added.cbSize, 488u);
    QCOMPARE(added.uID, 1u);
    QCOMPARE(added.uCallbackMessage, 0x200u);
    QCOMPARE(added.dwState, 0u);
    QCOMPARE(added.dwStateMask, 0u);
    QCOMPARE(added.iconHandle(), 0u);
    QVERIFY(added.szTip.isEmpty());
    QVERIFY(added.szInfo.isEmpty());

    QCOMPARE(sent[1].message, NIM_MODIFY);
    QCOMPARE(sent[1].record.uFlags, 2u);
    QCOMPARE(sent[1].record.iconHandle(), quint64(icon.cacheKey()));
    QVERIFY(sent[1].record.szTip.isEmpty());

    QCOMPARE(sent[2].message, NIM_MODIFY);
    const TrayRecord &tipped = sent[2].record;
    QCOMPARE(tipped.uFlags, 4u);
    QCOMPARE(tipped.tipText(), Caption);
    // What the earlier sends set is still there.
    QCOMPARE(tipped.iconHandle(), quint64(icon.cacheKey()));
    QCOMPARE(tipped.cbSize, 488u);
    QCOMPARE(tipped.uCallbackMessage, 0x200u);
    QCOMPARE(tips.record().tipText(), Caption);
}

void TestTarelMsgTips::addTrayIcon_takesExistingWindowHandleWithoutCreatingOne()
{
    QList<Sent> sent;
    tarelMsgTips tips(std::make_unique<RecordingBackend>(&sent));
    QWidget window;
    auto *pic = new QWidget(&window);

    // Before the window exists natively there is no handle, and asking must not create one.
    tips.AddTrayIcon(pic);
    QCOMPARE(sent.last().record.hWnd, quintptr(0));
    QCOMPARE(window.internalWinId(), WId(0));

    const WId handle = window.winId();
    QVERIFY(handle != 0);
    tips.SetTrayMsgbox(u"x"_s, 1, TipsTitle, 2000);
    QCOMPARE(sent.last().record.hWnd, quintptr(handle));
    // The picture box stays a plain child: no native window of its own.
    QVERIFY(!pic->testAttribute(Qt::WA_NativeWindow));
    QCOMPARE(pic->internalWinId(), WId(0));

    // Once the picture box is gone, a balloon keeps the handle it had.
    delete pic;
    tips.SetTrayMsgbox(u"y"_s, 1, TipsTitle, 2000);
    QCOMPARE(sent.last().record.hWnd, quintptr(handle));
    QCOMPARE(sent.last().record.infoText(), u"y"_s);
}

void TestTarelMsgTips::addTrayIcon_withoutPictureBoxStillAdds()
{
    QList<Sent> sent;
    tarelMsgTips tips(std::make_unique<RecordingBackend>(&sent));
    tips.AddTrayIcon(nullptr);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent[0].message, NIM_ADD);
    QCOMPARE(sent[0].record.uFlags, 0x13u);
    QCOMPARE(sent[0].record.hWnd, quintptr(0));
    QCOMPARE(sent[0].record.cbSize, 488u);
}

void TestTarelMsgTips::textFields_cutToFieldOnCharacterBoundary_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("bytes");

    const QString a127 = QString(127, u'a');
    QTest::newRow("tip 127 ASCII bytes whole") << u"tip"_s << a127 << a127 << 127;
    QTest::newRow("tip 128 ASCII bytes cut") << u"tip"_s << QString(128, u'a') << a127 << 127;
    QTest::newRow("tip 63 Chinese and 1 ASCII fill it")
        << u"tip"_s << u"栖"_s.repeated(63) + u"a"_s << u"栖"_s.repeated(63) + u"a"_s << 127;
    QTest::newRow("tip 64 Chinese lose the last whole")
        << u"tip"_s << u"栖"_s.repeated(64) << u"栖"_s.repeated(63) << 126;
    QTest::newRow("tip odd start fits to the last byte")
        << u"tip"_s << u"a"_s + u"木"_s.repeated(64) << u"a"_s + u"木"_s.repeated(63) << 127;
    QTest::newRow("tip character across the end is dropped")
        << u"tip"_s << u"ab"_s + u"木"_s.repeated(64) << u"ab"_s + u"木"_s.repeated(62) << 126;
    QTest::newRow("tip ends at an embedded NUL") << u"tip"_s << u"ab\u0000cd"_s << u"ab"_s << 2;
    QTest::newRow("tip empty") << u"tip"_s << QString() << QString() << 0;

    QTest::newRow("info 255 bytes whole") << u"info"_s << QString(255, u'x') << QString(255, u'x') << 255;
    QTest::newRow("info 256 bytes cut") << u"info"_s << QString(256, u'x') << QString(255, u'x') << 255;
    QTest::newRow("info 128 Chinese cut to 127") << u"info"_s << u"号"_s.repeated(128) << u"号"_s.repeated(127) << 254;
    QTest::newRow("title 63 bytes whole") << u"title"_s << QString(63, u't') << QString(63, u't') << 63;
    QTest::newRow("title 64 bytes cut") << u"title"_s << QString(64, u't') << QString(63, u't') << 63;
    QTest::newRow("title 32 Chinese cut to 31") << u"title"_s << u"提"_s.repeated(32) << u"提"_s.repeated(31) << 62;
}

void TestTarelMsgTips::textFields_cutToFieldOnCharacterBoundary()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(int, bytes);

    QList<Sent> sent;
    tarelMsgTips tips(std::make_unique<RecordingBackend>(&sent));
    tips.AddTrayIcon(nullptr);
    QByteArray ansi;
    QString read;
    if (field == u"tip"_s) {
        tips.SetTrayTip(text);
        ansi = sent.last().record.tipAnsi();
        read = sent.last().record.tipText();
    } else if (field == u"info"_s) {
        tips.SetTrayMsgbox(text, 1, TipsTitle, 2000);
        ansi = sent.last().record.infoAnsi();
        read = sent.last().record.infoText();
    } else {
        tips.SetTrayMsgbox(u"x"_s, 1, text, 2000);
        ansi = sent.last().record.infoTitleAnsi();
        read = sent.last().record.infoTitleText();
    }
    QCOMPARE(ansi.size(), qsizetype(bytes));
    QCOMPARE(read, shown);
    QVERIFY(!read.contains(QChar(0xFFFD)));
}

void TestTarelMsgTips::balloon_iconOnlyWithTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<qint32>("flags");
    QTest::addColumn<quint32>("infoFlags");

    QTest::newRow("notice: information icon") << TipsTitle << 1 << 1u;
    QTest::newRow("empty title: no icon") << QString() << 1 << 0u;
    QTest::newRow("empty title: not even an error icon") << QString() << 3 << 0u;
    QTest::newRow("title with warning icon") << u"警告"_s << 2 << 2u;
}

void TestTarelMsgTips::balloon_iconOnlyWithTitle()
{
    QFETCH(QString, title);
    QFETCH(qint32, flags);
    QFETCH(quint32, infoFlags);

    QList<Sent> sent;
    tarelMsgTips tips(std::make_unique<RecordingBackend>(&sent));
    tips.AddTrayIcon(nullptr);
    tips.SetTrayMsgbox(u"已复制投注号码"_s, flags, title, 2000);

    QCOMPARE(sent.last().message, NIM_MODIFY);
    const TrayRecord &r = sent.last().record;
    QCOMPARE(r.uFlags, 0x17u);
    QCOMPARE(r.dwInfoFlags, infoFlags);
    QCOMPARE(r.infoText(), u"已复制投注号码"_s);
    QCOMPARE(r.infoTitleText(), title);
    QCOMPARE(r.uTimeout, 2000u);
    QCOMPARE(r.cbSize, 488u);
    QCOMPARE(r.uID, 1u);
    QCOMPARE(r.uCallbackMessage, 0x200u);
}

void TestTarelMsgTips::balloon_keepsLastTooltip()
{
    QList<Sent> sent;
    tarelMsgTips tips(std::make_unique<RecordingBackend>(&sent));
    tips.AddTrayIcon(nullptr);

    tips.SetTrayMsgbox(u"早"_s, 1, TipsTitle, 2000);
    QVERIFY(sent.last().record.szTip.isEmpty());

    tips.SetTrayTip(Caption);
    tips.SetTrayMsgbox(u"一"_s, 1, TipsTitle, 2000);
    QCOMPARE(sent.last().record.uFlags, 0x17u);
    QCOMPARE(sent.last().record.tipText(), Caption);

    tips.SetTrayTip(u"新标题"_s);
    tips.SetTrayMsgbox(u"二"_s, 1, TipsTitle, 2000);
    QCOMPARE(sent.last().record.tipText(), u"新标题"_s);
    // A later tooltip-only send carries the balloon's fields along unchanged.
    tips.SetTrayTip(Caption);
    QCOMPARE(sent.last().record.infoText(), u"二"_s);
    QCOMPARE(sent.last().record.uFlags, 4u);
}

void TestTarelMsgTips::setTrayIcon_ignoresPicturesThatAreNotIcons_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("bitmap") << int(TrayPicture::Type::Bitmap);
    QTest::newRow("metafile") << int(TrayPicture::Type::Metafile);
    QTest::newRow("enhanced metafile") << int(TrayPicture::Type::EnhancedMetafile);
    QTest::newRow("no picture") << int(TrayPicture::Type::None);
}

void TestTarelMsgTips::setTrayIcon_ignoresPicturesThatAreNotIcons()
{
    QFETCH(int, type);

    QList<Sent> sent;
    tarelMsgTips tips(std::make_unique<RecordingBackend>(&sent));
    const QIcon icon = redIcon();
    tips.AddTrayIcon(nullptr);
    tips.SetTrayIcon(icon);
    const qsizetype before = sent.size();

    QPixmap other(8, 8);
    other.fill(Qt::blue);
    tips.SetTrayIcon(TrayPicture{TrayPicture::Type(type), QIcon(other)});
    tips.SetTrayIcon(QIcon());

    QCOMPARE(sent.size(), before);
    QCOMPARE(tips.record().iconHandle(), quint64(icon.cacheKey()));
    QCOMPARE(tips.record().uFlags, 2u);
}

void TestTarelMsgTips::delTrayIcon_deletesAndRunsPendingEvents()
{
    QList<Sent> sent;
    tarelMsgTips tips(std::make_unique<RecordingBackend>(&sent));
    tips.AddTrayIcon(nullptr);
    tips.SetTrayTip(Caption);

    bool ran = false;
    QObject context;
    QMetaObject::invokeMethod(
        &context, [&ran] { ran = true; }, Qt::QueuedConnection);
    tips.DelTrayIcon();

    QVERIFY(ran);
    QCOMPARE(sent.last().message, NIM_DELETE);
    QCOMPARE(sent.last().record.uFlags, 0u);
    QCOMPARE(sent.last().record.uID, 1u);
    QCOMPARE(sent.last().record.tipText(), Caption);
}

void TestTarelMsgTips::notifications_raiseEventsByTable_data()
{
    QTest::addColumn<QList<int>>("messages");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("left release") << QList<int>{514} << QStringList{u"click 1"_s, u"activated"_s};
    QTest::newRow("left double-click: releases around it")
        << QList<int>{513, 514, 515, 514}
        << QStringList{u"click 1"_s, u"activated"_s, u"double 1"_s, u"activated"_s, u"click 1"_s, u"activated"_s};
    QTest::newRow("right release") << QList<int>{517} << QStringList{u"click 2"_s};
    QTest::newRow("right double-click") << QList<int>{516, 517, 518, 517}
                                        << QStringList{u"click 2"_s, u"double 2"_s, u"click 2"_s};
    QTest::newRow("middle release") << QList<int>{520} << QStringList{u"click 4"_s};
    QTest::newRow("middle double-click") << QList<int>{521} << QStringList{u"double 4"_s};
    QTest::newRow("mouse move") << QList<int>{512} << QStringList{};
    QTest::newRow("buttons pressed, not released") << QList<int>{513, 516, 519} << QStringList{};
    QTest::newRow("balloon shown and hidden") << QList<int>{1026, 1027} << QStringList{};
    QTest::newRow("balloon timed out") << QList<int>{1028} << QStringList{u"balloon closed"_s};
    QTest::newRow("balloon clicked") << QList<int>{1029} << QStringList{u"balloon clicked"_s};
    QTest::newRow("values outside the table") << QList<int>{0, -1, 1, 522, 1030, 0x7fffffff} << QStringList{};
}

void TestTarelMsgTips::notifications_raiseEventsByTable()
{
    QFETCH(QList<int>, messages);
    QFETCH(QStringList, events);

    QList<Sent> sent;
    auto backend = std::make_unique<RecordingBackend>(&sent);
    RecordingBackend *shell = backend.get();
    tarelMsgTips tips(std::move(backend));
    EventLog log(&tips);
    tips.AddTrayIcon(nullptr);

    for (int message : messages)
        shell->notify(message);
    QCOMPARE(log.events(), events);
}

void TestTarelMsgTips::qtBackend_mapsRecordsOntoTrayIcon()
{
    // Whatever the desktop offers (here none), the backend must stay silent.
    QTest::failOnWarning(QRegularExpression(u"."_s));

    auto backend = std::make_unique<QtTrayBackend>();
    QSystemTrayIcon *tray = backend->trayIcon();
    tarelMsgTips tips(std::move(backend));
    QWidget window;
    auto *pic = new QWidget(&window);

    // A modification before the icon exists is refused, as the shell refuses it.
    tips.SetTrayTip(u"早"_s);
    QVERIFY(tray->toolTip().isEmpty());

    tips.AddTrayIcon(pic);
    QVERIFY(!tray->isVisible()); // no picture yet
    tips.SetTrayIcon(redIcon());
    // Shown where there is a tray; offscreen there is none, and nothing is shown.
    const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    QCOMPARE(tray->isVisible(), trayAvailable);
    QVERIFY(!tray->icon().isNull());
    tips.SetTrayTip(Caption);
    QCOMPARE(tray->toolTip(), Caption);

    // The tooltip shows what fits the field.
    tips.SetTrayTip(u"a"_s + u"木"_s.repeated(64));
    QCOMPARE(tray->toolTip(), u"a"_s + u"木"_s.repeated(63));
    tips.SetTrayTip(Caption);

    tips.SetTrayMsgbox(u"已复制投注号码"_s, 1, TipsTitle, 2000);
    QCOMPARE(tray->toolTip(), Caption);
    QCOMPARE(tray->isVisible(), trayAvailable);

    tips.DelTrayIcon();
    QVERIFY(!tray->isVisible());
    tips.SetTrayMsgbox(u"删除以后"_s, 1, TipsTitle, 2000);
    tips.SetTrayTip(u"删除以后"_s);
    QVERIFY(!tray->isVisible());
    QCOMPARE(tray->toolTip(), Caption);
}

void TestTarelMsgTips::qtBackend_turnsActivationsIntoMessages_data()
{
    QTest::addColumn<QList<int>>("reasons");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("trigger") << QList<int>{QSystemTrayIcon::Trigger} << QStringList{u"click 1"_s, u"activated"_s};
    // Qt reports a double-click as Trigger, DoubleClick; the release after it comes back.
    QTest::newRow("double-click as Qt reports it")
        << QList<int>{QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick}
        << QStringList{u"click 1"_s, u"activated"_s, u"double 1"_s, u"activated"_s, u"click 1"_s, u"activated"_s};
    QTest::newRow("context") << QList<int>{QSystemTrayIcon::Context} << QStringList{u"click 2"_s};
    QTest::newRow("middle") << QList<int>{QSystemTrayIcon::MiddleClick} << QStringList{u"click 4"_s};
    QTest::newRow("unknown") << QList<int>{QSystemTrayIcon::Unknown} << QStringList{};
}

void TestTarelMsgTips::qtBackend_turnsActivationsIntoMessages()
{
    QFETCH(QList<int>, reasons);
    QFETCH(QStringList, events);

    auto backend = std::make_unique<QtTrayBackend>();
    QSystemTrayIcon *tray = backend->trayIcon();
    tarelMsgTips tips(std::move(backend));
    EventLog log(&tips);

    for (int reason : reasons)
        Q_EMIT tray->activated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(log.events(), events);
}

void TestTarelMsgTips::qtBackend_messageClickedIsBalloonClick()
{
    auto backend = std::make_unique<QtTrayBackend>();
    QSystemTrayIcon *tray = backend->trayIcon();
    tarelMsgTips tips(std::move(backend));
    EventLog log(&tips);

    Q_EMIT tray->messageClicked();
    QCOMPARE(log.events(), QStringList{u"balloon clicked"_s});
}

QTEST_MAIN(TestTarelMsgTips)
#include "tst_tarelmsgtips.moc"
