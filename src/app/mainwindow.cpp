#include "mainwindow.h"

#include "app/window/apptexts.h"
#include "app/window/boxkeys.h"
#include "app/window/clickablelabel.h"
#include "app/window/controltable.h"
#include "app/window/firstframeprobe.h"
#include "app/window/layoutbuilder.h"
#include "app/window/programicon.h"
#include "app/window/startupmarks.h"
#include "app/window/windowfront.h"
#include "browser/deferredplanpage.h"
#include "desktop/machineid.h"
#include "desktop/regscript.h"
#include "digest/md5calc.h"
#include "linkspanels.h"
#include "loginflow.h"
#include "net/webclient.h"
#include "planmirror.h"
#include "registrationflow.h"
#include "serviceaddresses.h"
#include "sessionclock.h"
#include "settings/cfglocation.h"
#include "settings/savedlogin.h"
#include "softwareinfo.h"
#include "tray/traybackend.h"
#include "tray/traynotifier.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace zq {

MainWindow::MainWindow(AppConfig config) : MainWindow(std::move(config), Seams()) {}

MainWindow::MainWindow(AppConfig config, Seams seams)
    : m_config(std::move(config)), m_seams(std::move(seams)), m_dialogs(this), m_web(std::make_unique<WebClient>(this)),
      m_softwareInfo(std::make_unique<SoftwareInfo>(m_config, *m_web, this)),
      m_addresses(std::make_unique<ServiceAddresses>(m_config, m_state, m_softwareInfo->value()))
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
    // The start-up benchmark's "first frame painted" line (zq.window.debug=true).
    new FirstFrameProbe(this);

    auto makeBrowser = [this](QWidget *parent) -> QWidget * {
        // Without a page of its build's engine the window shows the notice of a missing engine.
        m_planPage = m_seams.planPage ? m_seams.planPage(parent) : std::make_unique<DeferredPlanPage>(parent);
        return m_planPage->widget();
    };
    m_controls = LayoutBuilder::build(this, zqControlTable(), makeBrowser);
    const Controls &c = m_controls;

    m_login = std::make_unique<LoginFlow>(
        LoginFlow::Widgets{c.loginUser, c.loginPass, c.loginButton, c.goToRegistrationButton}, m_state, m_dialogs,
        *m_addresses, *m_web, *m_softwareInfo, m_seams.logSecrets, this);
    m_registration = std::make_unique<RegistrationFlow>(
        RegistrationFlow::Widgets{c.regUser, c.regPass, c.regEmail, c.regPlatform, c.regPlatformAccount,
                                  c.registerButton, c.registrationCancelButton},
        m_dialogs, *m_addresses, *m_web, m_seams.logSecrets, this);
    m_clock =
        std::make_unique<SessionClock>(c.startTimer, c.countDown, m_dialogs, *m_addresses, m_login->session(), *m_web,
                                       *m_softwareInfo, m_config.timeSourceUrl, m_seams.reportPeriod, this);
    m_mirror = std::make_unique<PlanMirror>(c.outplan, this);
    m_links = std::make_unique<LinksPanels>(
        LinksPanels::Widgets{c.linkPanel, c.linkPanelToggle, c.tipsLabel(TipsLabel::LinkPanelHeading), c.platformLinks},
        *m_addresses, this);
    connectControls();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setWindowIcon(icon.icon());
    StartupMarks::mark("window built");
}

MainWindow::~MainWindow()
{
    // No answer is handled and no tick comes once the window goes; the tray icon is taken
    // away while every piece still exists.
    m_web->stop();
    m_controls.countDown->stop();
    m_controls.startTimer->stop();
    setTrayIconShown(false);
}

void MainWindow::connectControls()
{
    const Controls &c = m_controls;
    // What the pieces say happened.
    connect(m_web.get(), &WebClient::slowNetwork, this, &MainWindow::showNotice);
    connect(m_softwareInfo.get(), &SoftwareInfo::refreshed, this, &MainWindow::softwareInfoRefreshed);
    connect(m_login.get(), &LoginFlow::signedIn, this, &MainWindow::signedIn);
    connect(m_registration.get(), &RegistrationFlow::registered, this, &MainWindow::registered);
    connect(m_clock.get(), &SessionClock::planPageDue, this, &MainWindow::planPageDue);
    connect(m_clock.get(), &SessionClock::ticked, m_mirror.get(), &PlanMirror::refresh);
    connect(m_clock.get(), &SessionClock::reportRefreshed, this, &MainWindow::openWaitingPlanPage);
    connect(m_clock.get(), &SessionClock::kicked, this, &MainWindow::closeByProgram);
    connect(m_links.get(), &LinksPanels::notice, this, &MainWindow::showNotice);

    // The timers and the controls.
    connect(c.startTimer, &QTimer::timeout, m_clock.get(), &SessionClock::onStartTimer);
    connect(c.countDown, &QTimer::timeout, m_clock.get(), &SessionClock::onCountDownTick);
    connect(c.loginButton, &QPushButton::clicked, m_login.get(), &LoginFlow::onLoginClicked);
    connect(c.registerButton, &QPushButton::clicked, m_registration.get(), &RegistrationFlow::onRegisterClicked);
    connect(c.goToRegistrationButton, &QPushButton::clicked, this, [this] { showBox(Box::Registration); });
    connect(c.registrationCancelButton, &QPushButton::clicked, this, [this] { showBox(Box::None); });
    connect(c.closeLoginButton, &QPushButton::clicked, this, [this] { showBox(Box::None); });
    connect(c.linkPanelToggle, &QPushButton::clicked, m_links.get(), &LinksPanels::onLinkPanelToggleClicked);
    connect(c.platformSignUpLink, &ClickableLabel::clicked, m_links.get(), &LinksPanels::onPlatformSignUpClicked);
    for (int i = 0; i < kRegLinkCount; ++i) {
        if (ClickableLabel *link = c.platformLink(i))
            connect(link, &ClickableLabel::clicked, m_links.get(), [this, i] { m_links->openRegLink(i); });
    }

    // The notice labels that do something, each to its own action; the others only show text.
    const auto label = [&c](int index) { return c.tipsLabel(index); };
    connect(label(TipsLabel::LoginLink), &ClickableLabel::clicked, this, [this] { showBox(Box::Login); });
    connect(label(TipsLabel::RegistrationLink), &ClickableLabel::clicked, this, [this] { showBox(Box::Registration); });
    connect(label(TipsLabel::CopyNumbersLink), &ClickableLabel::clicked, m_links.get(), &LinksPanels::copyNumbers);
    connect(label(TipsLabel::CopyPlanLink), &ClickableLabel::clicked, m_links.get(), &LinksPanels::copyPlan);
    connect(label(TipsLabel::DownloadLink), &ClickableLabel::clicked, m_links.get(), &LinksPanels::openDownloadPage);
    installBoxKeys(c);
}

void MainWindow::startUp()
{
    m_state.machineMac = getMacAddress();
    m_state.machineHash = md5Hex(m_state.machineMac);
    m_state.cfgPath = settingsPath();
    CfgLocation::removeLeftovers(m_state.cfgPath);
    runRegBat(m_config.programDir);
    StartupMarks::mark("machine identity");
    // The rest of the sequence waits for the software information, answered or not; the window
    // shows its start-up notice meanwhile. A stop or a close before that ends it there.
    connect(m_softwareInfo.get(), &SoftwareInfo::refreshed, this, &MainWindow::finishStartUp, Qt::SingleShotConnection);
    refreshSoftwareInfo();
}

void MainWindow::finishStartUp()
{
    StartupMarks::mark("software information");
    if (m_unloaded)
        return;
    setTrayIconShown(true);
    StartupMarks::mark("tray");
    initWindow();
    StartupMarks::mark("window ready");
    Q_EMIT startedUp();
}

QString MainWindow::settingsPath() const
{
    // cfg/cfg.ini beside the program, or the user's own copy where the user cannot write there.
    return m_seams.cfgWritable ? CfgLocation::choose(m_config.programDir, m_seams.cfgWritable)
                               : CfgLocation::choose(m_config.programDir);
}

void MainWindow::refreshSoftwareInfo()
{
    m_softwareInfo->refresh();
}

void MainWindow::softwareInfoRefreshed(bool answered)
{
    const Controls &c = m_controls;
    if (!answered) {
        // Every field, caption and list keeps what the last good answer gave.
        if (ClickableLabel *notice = c.tipsLabel(TipsLabel::StartUpNotice))
            notice->setText(SoftwareInfo::failureNotice());
        return;
    }
    const SoftwareInformation &info = m_softwareInfo->value();
    if (!info.announcement.isEmpty())
        if (ClickableLabel *line = c.tipsLabel(TipsLabel::NoticeLine))
            line->setText(info.announcement);
    m_links->showSoftwareInfo(info);
    m_registration->setPlatforms(info.regPlatformText);
    // The service is there again: a plan page that could not load need not wait for its next try.
    if (m_planPage)
        m_planPage->serviceAnswered();
}

void MainWindow::initWindow()
{
    QString account = m_controls.loginUser->text();
    QString password = m_controls.loginPass->text();
    loadSavedLogin(&account, &password, m_state.cfgPath, m_seams.logSecrets);
    m_controls.loginUser->setText(account);
    m_controls.loginPass->setText(password);
    // The plan page opens two seconds after the window is ready, once.
    m_controls.startTimer->setInterval(2000);
    m_controls.startTimer->start();
    const SoftwareInformation &info = m_softwareInfo->value();
    setWindowTitle(info.appTitle + QStringLiteral("(") + info.appVersion + QStringLiteral(") "));
    m_webCtl = m_planPage.get();
    m_webCtl->setSilent(true);
    m_mirror->setPage(m_webCtl);
    m_links->setPage(m_webCtl);
}

void MainWindow::setTrayIconShown(bool on)
{
    if (m_tray)
        m_tray->remove();
    m_tray.reset();
    if (!on)
        return;
    // One icon at most: a second switch-on replaces the first instead of adding another.
    m_tray = std::make_unique<TrayNotifier>(m_seams.trayBackend ? m_seams.trayBackend() : nullptr, this);
    // A click on the icon is the usual way back to a minimised or covered window.
    connect(m_tray.get(), &TrayNotifier::iconActivated, this, [this] { bringToFront(this); });
    // The caption as the layout has it, still without the version.
    m_tray->show(windowIcon(), windowTitle());
}

void MainWindow::showNotice(const QString &text)
{
    // Without a tray icon (during start-up, after unload) a notice is simply not shown.
    if (m_tray)
        m_tray->showBalloon(text, QSystemTrayIcon::Information, QStringLiteral("栖木提示"), 2000);
}

void MainWindow::showBox(Box box)
{
    QGroupBox *login = m_controls.loginBox;
    QGroupBox *registration = m_controls.registrationBox;
    // The box that closes goes first, so that the focus never passes through it on its way.
    switch (box) {
    case Box::None:
        registration->hide();
        login->hide();
        break;
    case Box::Login:
        registration->hide();
        login->show();
        focusLoginBox(m_controls);
        break;
    case Box::Registration:
        login->hide();
        registration->show();
        focusRegistrationBox(m_controls);
        break;
    }
}

void MainWindow::closeLoginBox()
{
    // Signed in: the login box goes; a registration box the user opened meanwhile stays.
    m_controls.loginBox->hide();
}

void MainWindow::planPageDue()
{
    // Without the software information there is no page to show: an empty browser would hide
    // the notice that says the start failed. The page waits for a refresh that brings its address.
    if (m_softwareInfo->value().planPageUrl.isEmpty()) {
        m_planPageWaiting = true;
        return;
    }
    openPlanPage();
    showBrowser();
}

void MainWindow::openWaitingPlanPage()
{
    if (m_planPageWaiting && !m_softwareInfo->value().planPageUrl.isEmpty()) {
        openPlanPage();
        showBrowser();
    }
}

void MainWindow::openPlanPage()
{
    if (m_webCtl)
        m_webCtl->navigate(m_addresses->planPage(m_login->session()));
}

void MainWindow::showBrowser()
{
    m_planPageWaiting = false;
    m_controls.browser->show();
    if (ClickableLabel *notice = m_controls.tipsLabel(TipsLabel::StartUpNotice))
        notice->hide();
}

void MainWindow::signedIn(const QString &account)
{
    setWindowTitle(windowTitle() + QStringLiteral("- ") + account);
    if (!m_softwareInfo->value().planPageUrl.isEmpty()) {
        openPlanPage();
        // A page the start timer left waiting for its address is shown now.
        if (m_planPageWaiting)
            showBrowser();
    }
    closeLoginBox();
    for (int index : {TipsLabel::LoginLink, TipsLabel::RegistrationLink})
        if (ClickableLabel *label = m_controls.tipsLabel(index))
            label->hide();
    for (int index : {TipsLabel::CopyNumbersLink, TipsLabel::CopyPlanLink, TipsLabel::ExternalNumbersLabel})
        if (ClickableLabel *label = m_controls.tipsLabel(index))
            label->show();
    m_controls.outplan->show();
}

void MainWindow::registered(const QString &account, const QString &password)
{
    m_controls.loginUser->setText(account);
    m_controls.loginPass->setText(password);
    showBox(Box::Login);
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
        const QString appTitle = m_softwareInfo->value().appTitle;
        const QString title = appTitle.isEmpty() ? AppTexts::programTitle() : appTitle;
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
    // Whatever was under way ends here: no answer is handled, no box shown, no tick comes.
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
