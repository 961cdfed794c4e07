#pragma once

#include <QPointer>

#include <functional>
#include <memory>

class QWidget;

namespace zq {

class TrayBackend;
class TrayNotifier;
struct AppState;

// The tray icon that the window installs and removes, the balloon notices every other piece
// shows through it, and the click on the icon that brings the window back.
class TrayNotices final
{
public:
    using BackendFactory = std::function<std::unique_ptr<TrayBackend>()>;

    TrayNotices(AppState &state, QWidget *window, BackendFactory makeBackend);
    ~TrayNotices();
    Q_DISABLE_COPY_MOVE(TrayNotices)

    void setTrayIconShown(bool on);
    void showNotice(const QString &text);

private:
    AppState &m_state;
    QPointer<QWidget> m_window;
    BackendFactory m_makeBackend;
    std::unique_ptr<TrayNotifier> m_notifier;
};

} // namespace zq
