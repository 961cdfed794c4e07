#include "zq.h"

#include "applogging.h"
#include "apptexts.h"
#include "boxkeys.h"
#include "browser/deferredplanpage.h"
#include "cfglocation.h"
#include "clickablelabel.h"
#include "controltable.h"
#include "desktop/machineid.h"
#include "desktop/regscript.h"
#include "digest/md5calc.h"
#include "firstframeprobe.h"
#include "layoutbuilder.h"
#include "linkspanels.h"
#include "loginflow.h"
#include "net/webclient.h"
#include "planmirror.h"
#include "platformlist.h"
#include "programicon.h"
#include "registrationflow.h"
#include "savedlogin.h"
#include "sessionclock.h"
#include "softwareinfo.h"
#include "startupmarks.h"
#include "tray/traybackend.h"
#include "traynotices.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

zq::zq(AppConfig config) : zq(std::move(config), Seams()) {}

zq::zq(AppConfig config, Seams seams)
    : m_config(std::move(config)), m_seams(std::move(seams)), m_addresses(m_config, m_state), m_dialogs(this),
      m_web(std::make_unique<tarel_tools::WebClient>()), m_platforms(std::make_unique<tarel_tools::RegPlatforms>())
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
        m_planPage =
            m_seams.planPage ? m_seams.planPage(parent) : std::make_unique<tarel_tools::DeferredPlanPage>(parent);
        return m_planPage->widget();
    };
    m_controls = LayoutBuilder::build(this, zqControlTable(), makeBrowser);

    m_web->setNoticeSink([this](const QString &text) { msgTips(text); });
    m_tray = std::make_unique<TrayNotices>(m_state, this, m_seams.trayBackend);
    m_softwareInfo = std::make_unique<SoftwareInfo>(m_state, m_controls, m_addresses, *m_web, *m_platforms, m_config);
    m_login = std::make_unique<LoginFlow>(m_state, m_controls, m_dialogs, m_addresses, *m_web, this);
    m_mirror = std::make_unique<PlanMirror>(m_state, m_controls);
    SessionClock::Actions clockActions;
    clockActions.openPlanPage = [this] { m_login->openPlanPage(); };
    clockActions.mirrorPlanPage = [this] { m_mirror->refresh(); };
    clockActions.initVar = [this] { init_var(); };
    clockActions.unloadWindow = [this] { closeByProgram(); };
    m_clock = std::make_unique<SessionClock>(m_state, m_controls, m_dialogs, m_addresses, *m_web,
                                             m_config.timeSourceUrl, std::move(clockActions), m_seams.reportPeriod);
    m_registration = std::make_unique<RegistrationFlow>(m_controls, m_dialogs, m_addresses, *m_web, *m_platforms);
    m_links = std::make_unique<LinksPanels>(m_state, m_controls, m_addresses,
                                            [this](const QString &text) { msgTips(text); }, this);
    connectControls();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setWindowIcon(icon.icon());
    StartupMarks::mark("window built");
}

zq::~zq()
{
    // The pieces point into the controls; stop the ticks, and take the tray icon away while
    // every piece still exists (removing it lets pending events run once).
    m_controls.count_down->stop();
    m_controls.delay_timer->stop();
    m_tray->tray_switch(false);
}

void zq::connectControls()
{
    connect(m_controls.delay_timer, &QTimer::timeout, this, [this] { m_clock->delay_timer_Timer(); });
    connect(m_controls.count_down, &QTimer::timeout, this, [this] { m_clock->count_down_Timer(); });
    connect(m_controls.vip_login, &QPushButton::clicked, this, [this] { m_login->vip_login_Click(); });
    connect(m_controls.vip_gotoreg, &QPushButton::clicked, this, [this] { m_registration->vip_gotoreg_Click(); });
    connect(m_controls.vip_reg_undo, &QPushButton::clicked, this, [this] { m_registration->vip_reg_undo_Click(); });
    connect(m_controls.vip_closelogin, &QPushButton::clicked, this,
            [this] { m_registration->vip_closelogin_Click(); });
    connect(m_controls.vip_reg, &QPushButton::clicked, this, [this] { m_registration->vip_reg_Click(); });
    connect(m_controls.regLinkPanelOC, &QPushButton::clicked, this, [this] { m_links->regLinkPanelOC_Click(); });
    connect(m_controls.reg_pabble_regplt, &ClickableLabel::clicked, this,
            [this] { m_links->reg_pabble_regplt_Click(); });
    for (auto it = m_controls.tips_label.cbegin(); it != m_controls.tips_label.cend(); ++it) {
        const int index = it.key();
        connect(it.value(), &ClickableLabel::clicked, this, [this, index] { m_links->tipsAction(index); });
    }
    for (int i = 0; i < int(m_controls.reglinks.size()); ++i)
        connect(m_controls.reglinks[size_t(i)], &ClickableLabel::clicked, this, [this, i] { m_links->openRegLink(i); });
    installBoxKeys(m_controls);
}

void zq::startUp()
{
    m_state.machine_mac = tarel_tools::getMacAddress();
    m_state.machine_hash = Md5_Calc::md5Hex(m_state.machine_mac);
    m_state.cfg_path = settingsPath();
    CfgLocation::removeLeftovers(m_state.cfg_path);
    tarel_tools::runRegBat(m_config.programDir);
    StartupMarks::mark("machine identity");
    init_var();
    StartupMarks::mark("software information");
    // A stop signal can arrive while init_var waits for the service: start-up ends there.
    if (m_unloaded)
        return;
    tray_switch(true);
    StartupMarks::mark("tray");
    init_window();
    StartupMarks::mark("window ready");
}

QString zq::settingsPath() const
{
    // cfg/cfg.ini beside the program, or the user's own copy where the user cannot write there.
    return m_seams.cfgWritable ? CfgLocation::choose(m_config.programDir, m_seams.cfgWritable)
                               : CfgLocation::choose(m_config.programDir);
}

void zq::init_var()
{
    m_softwareInfo->init_var();
}

void zq::init_window()
{
    tarel_tools::loadSavedLogin(m_controls.login_user, m_controls.login_pass, m_state.cfg_path);
    // The start timer fires once, two seconds from now.
    m_controls.delay_timer->setInterval(2000);
    m_controls.delay_timer->start();
    setWindowTitle(m_state.app_title + QStringLiteral("(") + m_state.app_version + QStringLiteral(") "));
    m_state.web_ctl = m_planPage.get();
    m_state.web_ctl->setSilent(true);
}

void zq::tray_switch(bool on)
{
    m_tray->tray_switch(on);
}

void zq::msgTips(const QString &text)
{
    m_tray->msgTips(text);
}

void zq::closeByProgram()
{
    if (closeRequested(false))
        hide();
}

void zq::closeEvent(QCloseEvent *event)
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

bool zq::closeRequested(bool byUser)
{
    if (m_unloaded) {
        // Asked again: an exit requested before the event loop ran was lost, so ask once more.
        endProgram();
        return true;
    }
    if (byUser) {
        const QString title = m_state.app_title.isEmpty() ? AppTexts::programTitle() : m_state.app_title;
        if (!m_dialogs.confirm(QStringLiteral("确认退出?"), title + QStringLiteral(" - 关闭提示")))
            return false;
    }
    unload();
    return true;
}

void zq::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // The start-up benchmark reads this line (zq.app.debug=true) to time exec to first show.
        qCDebug(lcApp, "first shown at %lld ms since the epoch", QDateTime::currentMSecsSinceEpoch());
        StartupMarks::mark("first shown");
    }
}

void zq::unload()
{
    m_unloaded = true;
    m_dialogs.silence();
    m_web->stop();
    m_controls.count_down->stop();
    m_controls.delay_timer->stop();
    tray_switch(false);
    endProgram();
}

void zq::endProgram()
{
    if (m_seams.endProgram)
        m_seams.endProgram(0);
    else
        QCoreApplication::exit(0);
}
