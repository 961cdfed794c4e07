#pragma once

#include "app/window/controls.h"
#include "app/window/dialogs.h"
#include "appconfig.h"
#include "appstate.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace zq {

class LinksPanels;
class LoginFlow;
class LogSecrets;
class PlanMirror;
class PlanPage;
class RegistrationFlow;
class ServiceAddresses;
class SessionClock;
class SoftwareInfo;
class TrayBackend;
class TrayNotifier;
class WebClient;

// The main window and the program's start-up object. It holds the controls, wires the pieces
// that do the work (each a child of the window, owning its own state) and decides what the
// window shows when they tell it what happened: which box is open, the caption, the plan page
// in place of the start-up notice, the notices of the software information.
class MainWindow final : public QWidget
{
    Q_OBJECT
public:
    // What the program or a test gives the window: the plan page (the program's has its
    // build's engine; without one the plan area shows the notice of a missing engine), and
    // what tests replace: the tray backend, how the program ends, and whether the settings
    // file beside the program counts as writable (an administrator can write every folder,
    // so a test run as one cannot make a read-only folder).
    struct Seams
    {
        std::function<std::unique_ptr<TrayBackend>()> trayBackend;
        std::function<std::unique_ptr<PlanPage>(QWidget *parent)> planPage;
        std::function<void(int exitCode)> endProgram;
        std::function<bool(const QString &cfgFile)> cfgWritable;
        // Seconds between online reports; the program keeps the service's ten minutes, a
        // benchmark of a long day shortens them.
        qint16 reportPeriod = 600;
        // Told every password the window learns (typed at login or registration, saved in the
        // settings file), so that no log line shows one; the program's is its message handler.
        LogSecrets *logSecrets = nullptr;
    };

    explicit MainWindow(AppConfig config);
    MainWindow(AppConfig config, Seams seams);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    // The start-up sequence: the machine's identity, the settings file and the start-up script
    // now, then the software information; the tray icon and initWindow follow once the service
    // has answered or failed, and startedUp() says so. Returns at once, so that the window can
    // be shown with its start-up notice meanwhile.
    void startUp();
    // init_var: the software information, asked anew; the window shows it when it comes.
    void refreshSoftwareInfo();
    void initWindow();
    void setTrayIconShown(bool on);
    void showNotice(const QString &text);

    // Closes without asking (the program itself, the application quitting, a signal).
    void closeByProgram();
    // Decides a close request: one the user asked for must be confirmed. True when the
    // window unloads.
    bool closeRequested(bool byUser);
    bool unloaded() const { return m_unloaded; }

Q_SIGNALS:
    // Start-up has run to its end: the tray icon is up, the saved login is in the login box,
    // the start timer runs and the caption carries the version.
    void startedUp();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The boxes at the bottom right: at most one of them is open.
    enum class Box
    {
        None,
        Login,
        Registration,
    };

    void connectControls();
    QString settingsPath() const;
    void finishStartUp();
    void showBox(Box box);
    void closeLoginBox();
    void softwareInfoRefreshed(bool answered);
    void planPageDue();
    void openWaitingPlanPage();
    void openPlanPage();
    void showBrowser();
    void signedIn(const QString &account);
    void registered(const QString &account, const QString &password);
    void unload();
    void endProgram();

    AppConfig m_config;
    Seams m_seams;
    AppState m_state;
    Dialogs m_dialogs;
    Controls m_controls;
    std::unique_ptr<PlanPage> m_planPage;
    QPointer<PlanPage> m_webCtl; // web_ctl: the page once start-up has reached it
    // The pieces, children of the window; declared in the order they depend on each other, so
    // that each goes before what it uses.
    std::unique_ptr<WebClient> m_web;
    std::unique_ptr<SoftwareInfo> m_softwareInfo;
    std::unique_ptr<ServiceAddresses> m_addresses;
    std::unique_ptr<TrayNotifier> m_tray; // curTarelMsgTips
    std::unique_ptr<LoginFlow> m_login;
    std::unique_ptr<RegistrationFlow> m_registration;
    std::unique_ptr<SessionClock> m_clock;
    std::unique_ptr<PlanMirror> m_mirror;
    std::unique_ptr<LinksPanels> m_links;
    bool m_planPageWaiting = false; // the start timer found no plan-page address
    bool m_unloaded = false;
    bool m_shownOnce = false;
};

} // namespace zq
