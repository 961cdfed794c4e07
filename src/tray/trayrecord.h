#pragma once

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <QtGlobal>

// Shell values carried in the tray record and in the notifications about the icon. The Windows
// headers define the same names as macros with the same values, so each is declared only when
// no such macro exists yet; either way the name means the same number.
#ifndef NIM_ADD
inline constexpr int NIM_ADD = 0;
#endif
#ifndef NIM_MODIFY
inline constexpr int NIM_MODIFY = 1;
#endif
#ifndef NIM_DELETE
inline constexpr int NIM_DELETE = 2;
#endif
#ifndef NIF_MESSAGE
inline constexpr quint32 NIF_MESSAGE = 0x01;
#endif
#ifndef NIF_ICON
inline constexpr quint32 NIF_ICON = 0x02;
#endif
#ifndef NIF_TIP
inline constexpr quint32 NIF_TIP = 0x04;
#endif
#ifndef NIF_INFO
inline constexpr quint32 NIF_INFO = 0x10;
#endif
// Balloon icons in dwInfoFlags; the low four bits choose the icon, the rest are options.
#ifndef NIIF_NONE
inline constexpr quint32 NIIF_NONE = 0;
#endif
#ifndef NIIF_INFO
inline constexpr quint32 NIIF_INFO = 1;
#endif
#ifndef NIIF_WARNING
inline constexpr quint32 NIIF_WARNING = 2;
#endif
#ifndef NIIF_ERROR
inline constexpr quint32 NIIF_ERROR = 3;
#endif
#ifndef NIIF_USER
inline constexpr quint32 NIIF_USER = 4;
#endif
#ifndef NIIF_ICON_MASK
inline constexpr quint32 NIIF_ICON_MASK = 0x0F;
#endif
// Notifications the shell sends about the icon: mouse messages and balloon events.
#ifndef WM_MOUSEMOVE
inline constexpr int WM_MOUSEMOVE = 0x200;
#endif
#ifndef WM_LBUTTONDOWN
inline constexpr int WM_LBUTTONDOWN = 513;
#endif
#ifndef WM_LBUTTONUP
inline constexpr int WM_LBUTTONUP = 514;
#endif
#ifndef WM_LBUTTONDBLCLK
inline constexpr int WM_LBUTTONDBLCLK = 515;
#endif
#ifndef WM_RBUTTONDOWN
inline constexpr int WM_RBUTTONDOWN = 516;
#endif
#ifndef WM_RBUTTONUP
inline constexpr int WM_RBUTTONUP = 517;
#endif
#ifndef WM_RBUTTONDBLCLK
inline constexpr int WM_RBUTTONDBLCLK = 518;
#endif
#ifndef WM_MBUTTONDOWN
inline constexpr int WM_MBUTTONDOWN = 519;
#endif
#ifndef WM_MBUTTONUP
inline constexpr int WM_MBUTTONUP = 520;
#endif
#ifndef WM_MBUTTONDBLCLK
inline constexpr int WM_MBUTTONDBLCLK = 521;
#endif
#ifndef NIN_BALLOONSHOW
inline constexpr int NIN_BALLOONSHOW = 1026;
#endif
#ifndef NIN_BALLOONHIDE
inline constexpr int NIN_BALLOONHIDE = 1027;
#endif
#ifndef NIN_BALLOONTIMEOUT
inline constexpr int NIN_BALLOONTIMEOUT = 1028;
#endif
#ifndef NIN_BALLOONUSERCLICK
inline constexpr int NIN_BALLOONUSERCLICK = 1029;
#endif

// The shell's tray-icon record (NOTIFYICONDATAA in its shell-5 form) as values. It persists in
// the notifier between sends, so a field an operation does not set keeps its last value.
// Text fields stay text here; they become code page 936 bytes, cut to their fixed fields, only
// in the form that is sent.
struct TrayRecord
{
    // Sizes of the fixed text fields in bytes, the closing NUL included.
    static constexpr int TipBytes = 128;
    static constexpr int InfoBytes = 256;
    static constexpr int InfoTitleBytes = 64;

    quint32 cbSize = 0;
    // Native handle of the window that receives the notifications, 0 while it has none.
    quintptr hWnd = 0;
    quint32 uID = 0;
    quint32 uFlags = 0;
    quint32 uCallbackMessage = 0;
    // The picture itself stands in for the icon handle; a null icon is handle 0.
    QIcon hIcon;
    QString szTip;
    quint32 dwState = 0;
    quint32 dwStateMask = 0;
    QString szInfo;
    quint32 uTimeout = 0;
    QString szInfoTitle;
    quint32 dwInfoFlags = 0;

    // A stand-in for the icon handle: 0 without a picture, otherwise a value that identifies it.
    quint64 iconHandle() const;

    // The text fields as they are sent: code page 936 bytes without the closing NUL.
    QByteArray tipAnsi() const { return ansiField(szTip, TipBytes); }
    QByteArray infoAnsi() const { return ansiField(szInfo, InfoBytes); }
    QByteArray infoTitleAnsi() const { return ansiField(szInfoTitle, InfoTitleBytes); }

    // The same fields read back as the shell would show them.
    QString tipText() const;
    QString infoText() const;
    QString infoTitleText() const;

    // text in code page 936, ended at its first NUL and cut to fieldBytes - 1 bytes so that the
    // field still holds its NUL. The cut never splits a two-byte character: half a character
    // would show as garbage at the end of the text.
    static QByteArray ansiField(const QString &text, int fieldBytes);
};
