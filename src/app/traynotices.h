#pragma once

#include <QPointer>

#include <functional>
#include <memory>

class QLabel;
class QWidget;
class TrayBackend;
class tarelMsgTips;
struct AppState;

// The tray icon that the window installs and removes, the balloon notices every other piece
// shows through it, and the click on the icon that brings the window back.
class TrayNotices final
{
public:
    using BackendFactory = std::function<std::unique_ptr<TrayBackend>()>;

    TrayNotices(AppState &state, QWidget *window, QLabel *tarelMsgTipsPic, BackendFactory makeBackend);
    ~TrayNotices();
    Q_DISABLE_COPY_MOVE(TrayNotices)

    void tray_switch(bool on);
    void msgTips(const QString &text);

private:
    AppState &m_state;
    QPointer<QWidget> m_window;
    QPointer<QLabel> m_pic;
    BackendFactory m_makeBackend;
    std::unique_ptr<tarelMsgTips> m_notifier;
};
