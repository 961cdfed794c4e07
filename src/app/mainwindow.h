#pragma once

#include "app/window/controls.h"
#include "app/window/dialogs.h"
#include "appconfig.h"
#include "appstate.h"
#include "serviceaddresses.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace zq {

class LinksPanels;
class LoginFlow;
class PlanMirror;
class RegistrationFlow;
class SessionClock;
class SoftwareInfo;
class TrayBackend;
class TrayNotices;

class LogSecrets;
class PlanPage;
class RegPlatforms;
class WebClient;

// The main window and the program's start-up object. It holds the state and the
// controls and hands each job to the piece that does it.
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
        // Told every password the window learns (typed at login, saved in the settings file),
        // so that no log line shows one; the program's is its message handler.
        LogSecrets *logSecrets = nullptr;
    };

    explicit MainWindow(AppConfig config);
    MainWindow(AppConfig config, Seams seams);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    // The start-up sequence, run once before the window is first shown.
    void startUp();
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

    AppState &state() { return m_state; }
    Controls &controls() { return m_controls; }
    Dialogs &dialogs() { return m_dialogs; }
    WebClient &webClient() { return *m_web; }
    RegPlatforms &regPlatforms() { return *m_platforms; }
    SessionClock &sessionClock() { return *m_clock; }
    LoginFlow &loginFlow() { return *m_login; }
    RegistrationFlow &registrationFlow() { return *m_registration; }
    LinksPanels &linksPanels() { return *m_links; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void connectControls();
    QString settingsPath() const;
    void unload();
    void endProgram();

    AppConfig m_config;
    Seams m_seams;
    AppState m_state;
    ServiceAddresses m_addresses;
    Dialogs m_dialogs;
    Controls m_controls;
    std::unique_ptr<PlanPage> m_planPage;
    std::unique_ptr<WebClient> m_web;
    std::unique_ptr<RegPlatforms> m_platforms;
    std::unique_ptr<TrayNotices> m_tray;
    std::unique_ptr<SoftwareInfo> m_softwareInfo;
    std::unique_ptr<LoginFlow> m_login;
    std::unique_ptr<PlanMirror> m_mirror;
    std::unique_ptr<SessionClock> m_clock;
    std::unique_ptr<RegistrationFlow> m_registration;
    std::unique_ptr<LinksPanels> m_links;
    bool m_unloaded = false;
    bool m_shownOnce = false;
};

} // namespace zq
