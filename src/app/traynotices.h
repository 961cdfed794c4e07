#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QWidget;

namespace zq {

class TrayBackend;
class TrayNotifier;

// The tray icon that the window installs and removes, the balloon notices every other piece
// shows through it, and the click on the icon that brings the window back.
class TrayNotices final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayNotices)

public:
    using BackendFactory = std::function<std::unique_ptr<TrayBackend>()>;

    TrayNotices(QWidget *window, BackendFactory makeBackend, QObject *parent = nullptr);
    ~TrayNotices() override;

    // tray_switch
    void setTrayIconShown(bool on);
    bool iconShown() const { return m_notifier != nullptr; }

public Q_SLOTS:
    // msgTips: a balloon from the icon; nothing while there is no icon.
    void showNotice(const QString &text);

private:
    QPointer<QWidget> m_window;
    BackendFactory m_makeBackend;
    std::unique_ptr<TrayNotifier> m_notifier; // curTarelMsgTips
};

} // namespace zq
