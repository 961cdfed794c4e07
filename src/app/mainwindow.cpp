#include "mainwindow.h"

#include "app/window/apptexts.h"
#include "app/window/boxkeys.h"
#include "app/window/clickablelabel.h"
#include "app/window/controltable.h"
#include "app/window/firstframeprobe.h"
#include "app/window/layoutbuilder.h"
#include "app/window/programicon.h"
#include "app/window/startupmarks.h"
#include "browser/deferredplanpage.h"
#include "cfglocation.h"
#include "desktop/machineid.h"
#include "desktop/regscript.h"
#include "digest/md5calc.h"
#include "linkspanels.h"
#include "loginflow.h"
#include "net/webclient.h"
#include "planmirror.h"
#include "platformlist.h"
#include "registrationflow.h"
#include "savedlogin.h"
#include "sessionclock.h"
#include "softwareinfo.h"
#include "tray/traybackend.h"
#include "traynotices.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace zq {

MainWindow::MainWindow(AppConfig config) : MainWindow(std::move(config), Seams()) {}

MainWindow::MainWindow(AppConfig config, Seams seams)
    : m_config(std::move(config)), m_seams(std::move(seams)), m_addresses(m_config, m_state), m_dialogs(this),
      m_web(std::make_unique<WebClient>()), m_platforms(std::make_unique<RegPlatforms>())
{
    StartupMarks::mark("application made");
    if (m_config.softwareInfoAhead) {
        const SoftwareInfo::Request request = SoftwareInfo::startUpRequest(m_config);
        m_web->sendAhead(request.url, request.body);
    }
    // Decoded meanwhile on another thread, set when the controls are built.
    ProgramIcon icon;
    setObjectName(QStringLiteral("zq"));
    setWindowTitle(AppTexts::programTitle());
    resize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    // The start-up benchmark's "first frame painted" line (zq.app.debug=true).
    new FirstFrameProbe(this);

    auto makeBrowser = [this](QWidget *parent) -> QWidget * {
        // Without a page of its build's engine the window shows the notice of a missing engine.
        m_planPage = m_seams.planPage ? m_seams.planPage(parent) : std::make_unique<DeferredPlanPage>(parent);
        return m_planPage->widget();
    };
    m_controls = LayoutBuilder::build(this, zqControlTable(), makeBrowser);

    m_web->setNoticeSink([this](const QString &text) { showNotice(text); });
    m_tray = std::make_unique<TrayNotices>(m_state, this, m_seams.trayBackend);
    m_softwareInfo = std::make_unique<SoftwareInfo>(m_state, m_controls, m_addresses, *m_web, *m_platforms, m_config);
    LoginFlow::Actions loginActions;
    loginActions.refreshSoftwareInfo = [this] { refreshSoftwareInfo(); };
    loginActions.planPageOpened = [this] { m_clock->planPageOpened(); };
    m_login = std::make_unique<LoginFlow>(m_state, m_controls, m_dialogs, m_addresses, *m_web, this,
                                          std::move(loginActions), m_seams.logSecrets);
    m_mirror = std::make_unique<PlanMirror>(m_state, m_controls);
    SessionClock::Actions clockActions;
    clockActions.openPlanPage = [this] { m_login->openPlanPage(); };
    clockActions.mirrorPlanPage = [this] { m_mirror->refresh(); };
    clockActions.refreshSoftwareInfo = [this] { refreshSoftwareInfo(); };
    clockActions.unloadWindow = [this] { closeByProgram(); };
    m_clock = std::make_unique<SessionClock>(m_state, m_controls, m_dialogs, m_addresses, *m_web,
                                             m_config.timeSourceUrl, std::move(clockActions), m_seams.reportPeriod);
    m_registration = std::make_unique<RegistrationFlow>(m_controls, m_dialogs, m_addresses, *m_web);
    m_links = std::make_unique<LinksPanels>(
        m_state, m_controls, m_addresses, [this](const QString &text) { showNotice(text); }, this);
    connectControls();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setWindowIcon(icon.icon());
    StartupMarks::mark("window built");
}

MainWindow::~MainWindow()
{
    // The pieces point into the controls; stop the ticks, and take the tray icon away while
    // every piece still exists (removing it lets pending events run once).
    m_controls.countDown->stop();
    m_controls.startTimer->stop();
    m_tray->setTrayIconShown(false);
}

void MainWindow::connectControls()
{
    connect(m_controls.startTimer, &QTimer::timeout, this, [this] { m_clock->onStartTimer(); });
    connect(m_controls.countDown, &QTimer::timeout, this, [this] { m_clock->onCountDownTick(); });
    connect(m_controls.loginButton, &QPushButton::clicked, this, [this] { m_login->onLoginClicked(); });
    connect(m_controls.goToRegistrationButton, &QPushButton::clicked, this,
            [this] { m_registration->onGoToRegistrationClicked(); });
    connect(m_controls.registrationCancelButton, &QPushButton::clicked, this,
            [this] { m_registration->onRegistrationCancelClicked(); });
    connect(m_controls.closeLoginButton, &QPushButton::clicked, this,
            [this] { m_registration->onCloseLoginClicked(); });
    connect(m_controls.registerButton, &QPushButton::clicked, this, [this] { m_registration->onRegisterClicked(); });
    connect(m_controls.linkPanelToggle, &QPushButton::clicked, this, [this] { m_links->onLinkPanelToggleClicked(); });
    connect(m_controls.platformSignUpLink, &ClickableLabel::clicked, this,
            [this] { m_links->onPlatformSignUpClicked(); });
    for (auto it = m_controls.tipsLabels.cbegin(); it != m_controls.tipsLabels.cend(); ++it) {
        const int index = it.key();
        connect(it.value(), &ClickableLabel::clicked, this, [this, index] { m_links->onTipsLabelClicked(index); });
    }
    for (int i = 0; i < int(m_controls.platformLinks.size()); ++i)
        connect(m_controls.platformLinks[size_t(i)], &ClickableLabel::clicked, this,
                [this, i] { m_links->openRegLink(i); });
    installBoxKeys(m_controls);
}

void MainWindow::startUp()
{
    m_state.machineMac = getMacAddress();
    m_state.machineHash = md5Hex(m_state.machineMac);
    m_state.cfgPath = settingsPath();
    CfgLocation::removeLeftovers(m_state.cfgPath);
    runRegBat(m_config.programDir);
    StartupMarks::mark("machine identity");
    refreshSoftwareInfo();
    StartupMarks::mark("software information");
    // A stop signal can arrive while refreshSoftwareInfo waits for the service: start-up ends there.
    if (m_unloaded)
        return;
    setTrayIconShown(true);
    StartupMarks::mark("tray");
    initWindow();
    StartupMarks::mark("window ready");
}

QString MainWindow::settingsPath() const
{
    // cfg/cfg.ini beside the program, or the user's own copy where the user cannot write there.
    return m_seams.cfgWritable ? CfgLocation::choose(m_config.programDir, m_seams.cfgWritable)
                               : CfgLocation::choose(m_config.programDir);
}

void MainWindow::refreshSoftwareInfo()
{
    // The service is there again: a plan page that could not load need not wait for its next try.
    if (m_softwareInfo->refreshSoftwareInfo() && m_planPage)
        m_planPage->serviceAnswered();
}

void MainWindow::initWindow()
{
    loadSavedLogin(m_controls.loginUser, m_controls.loginPass, m_state.cfgPath, m_seams.logSecrets);
    // The start timer fires once, two seconds from now.
    m_controls.startTimer->setInterval(2000);
    m_controls.startTimer->start();
    setWindowTitle(m_state.appTitle + QStringLiteral("(") + m_state.appVersion + QStringLiteral(") "));
    m_state.webCtl = m_planPage.get();
    m_state.webCtl->setSilent(true);
}

void MainWindow::setTrayIconShown(bool on)
{
    m_tray->setTrayIconShown(on);
}

void MainWindow::showNotice(const QString &text)
{
    m_tray->showNotice(text);
}

void MainWindow::closeByProgram()
{
    if (closeRequested(false))
        hide();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    // A spontaneous close comes from the user (the title bar, the system menu or Alt+F4),
    // unless the desktop session is ending right now. Asked anew each time: a log-off that
    // was cancelled leaves the user's next close the user's again.
    if (closeRequested(event->spontaneous() && !qGuiApp->isSavingSession()))
        event->accept();
    else
        event->ignore();
}

bool MainWindow::closeRequested(bool byUser)
{
    if (m_unloaded) {
        // Asked again: an exit requested before the event loop ran was lost, so ask once more.
        endProgram();
        return true;
    }
    if (byUser) {
        const QString title = m_state.appTitle.isEmpty() ? AppTexts::programTitle() : m_state.appTitle;
        if (!m_dialogs.confirm(QStringLiteral("确认退出?"), title + QStringLiteral(" - 关闭提示")))
            return false;
    }
    unload();
    return true;
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        StartupMarks::markFirstShown();
    }
}

void MainWindow::unload()
{
    m_unloaded = true;
    m_dialogs.silence();
    m_web->stop();
    m_controls.countDown->stop();
    m_controls.startTimer->stop();
    setTrayIconShown(false);
    endProgram();
}

void MainWindow::endProgram()
{
    if (m_seams.endProgram)
        m_seams.endProgram(0);
    else
        QCoreApplication::exit(0);
}

} // namespace zq
