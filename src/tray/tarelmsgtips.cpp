#include "tarelmsgtips.h"

#include "qttraybackend.h"
#include "traylogging.h"

#include <QCoreApplication>

namespace {

// The record's size in its shell-5 ANSI form, and the one icon a notifier owns.
constexpr quint32 RecordSize = 488;
constexpr quint32 IconId = 1;

} // namespace

tarelMsgTips::tarelMsgTips(std::unique_ptr<TrayBackend> backend, QObject *parent)
    : QObject(parent), m_backend(backend ? std::move(backend) : std::make_unique<QtTrayBackend>())
{
    m_backend->setNotificationHandler([this](int message) { handleNotification(message); });
}

tarelMsgTips::~tarelMsgTips()
{
    // The backend goes down after this body; nothing it reports on the way may reach a
    // notifier that is half torn down.
    m_backend->setNotificationHandler({});
}

void tarelMsgTips::DelTrayIcon()
{
    m_record.uFlags = 0;
    send(NIM_DELETE);
    QCoreApplication::processEvents();
}

void tarelMsgTips::AddTrayIcon(QWidget *EventPic)
{
    cPic = EventPic;
    setIdentity();
    m_record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_INFO;
    send(NIM_ADD);
}

void tarelMsgTips::SetTrayTip(const QString &Tip)
{
    m_tipText = Tip;
    m_record.szTip = Tip;
    m_record.uFlags = NIF_TIP;
    send(NIM_MODIFY);
}

void tarelMsgTips::SetTrayIcon(const TrayPicture &Pic)
{
    if (Pic.type != TrayPicture::Type::Icon) {
        qCDebug(lcTray) << "not an icon picture, ignored:" << int(Pic.type);
        return;
    }
    m_picture = Pic;
    m_record.hIcon = m_picture.icon;
    m_record.uFlags = NIF_ICON;
    send(NIM_MODIFY);
}

void tarelMsgTips::SetTrayIcon(const QIcon &icon)
{
    SetTrayIcon(icon.isNull() ? TrayPicture{} : TrayPicture::fromIcon(icon));
}

void tarelMsgTips::SetTrayMsgbox(const QString &MsgInfo, qint32 MsgFlags, const QString &MsgTitle, qint32 MsgTimeout)
{
    setIdentity();
    m_record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    m_record.szTip = m_tipText;
    m_record.szInfo = MsgInfo;
    m_record.szInfoTitle = MsgTitle;
    // The shell draws no balloon icon without a title; the record says so explicitly.
    m_record.dwInfoFlags = MsgTitle.isEmpty() ? NIIF_NONE : quint32(MsgFlags);
    m_record.uTimeout = quint32(MsgTimeout);
    send(NIM_MODIFY);
}

const TrayRecord &tarelMsgTips::record() const
{
    return m_record;
}

void tarelMsgTips::handleNotification(int message)
{
    switch (message) {
    case WM_LBUTTONUP:
        Q_EMIT MouseClick(1, false);
        Q_EMIT iconActivated();
        break;
    case WM_LBUTTONDBLCLK:
        Q_EMIT MouseClick(1, true);
        Q_EMIT iconActivated();
        break;
    case WM_RBUTTONUP:
        Q_EMIT MouseClick(2, false);
        break;
    case WM_RBUTTONDBLCLK:
        Q_EMIT MouseClick(2, true);
        break;
    case WM_MBUTTONUP:
        Q_EMIT MouseClick(4, false);
        break;
    case WM_MBUTTONDBLCLK:
        Q_EMIT MouseClick(4, true);
        break;
    case NIN_BALLOONTIMEOUT:
        Q_EMIT TrayMsgBoxClick(true);
        break;
    case NIN_BALLOONUSERCLICK:
        Q_EMIT TrayMsgBoxClick(false);
        break;
    default:
        // Mouse moves, button presses, the balloon appearing or going away.
        break;
    }
}

void tarelMsgTips::setIdentity()
{
    m_record.cbSize = RecordSize;
    // The handle of the picture box's window, without making the box a native window of its
    // own (a native child turns its siblings native too). The hidden box is never created by
    // itself, so the handle is that of its nearest native ancestor, normally the main window;
    // 0 until that window exists. Without a picture box the field keeps its value.
    if (cPic) {
        WId handle = cPic->internalWinId();
        if (!handle) {
            if (const QWidget *native = cPic->nativeParentWidget())
                handle = native->internalWinId();
        }
        m_record.hWnd = quintptr(handle);
    }
    m_record.uID = IconId;
    m_record.uCallbackMessage = WM_MOUSEMOVE;
    m_record.dwState = 0;
    m_record.dwStateMask = 0;
}

void tarelMsgTips::send(int message)
{
    qCDebug(lcTray) << "send" << message << "flags" << Qt::hex << m_record.uFlags;
    m_backend->send(message, m_record);
}
