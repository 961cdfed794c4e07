#include "softwareinfo.h"

#include "appstate.h"
#include "apptexts.h"
#include "clickablelabel.h"
#include "controls.h"
#include "ini.h"
#include "jsontext.h"
#include "platformlist.h"
#include "querytext.h"
#include "webclient.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSoftInfo, "zq.softinfo")

SoftwareInfo::SoftwareInfo(AppState &state, Controls &controls, tarel_tools::WebClient &web,
                           tarel_tools::RegPlatforms &platforms, QString serviceBase)
    : m_state(state), m_controls(controls), m_web(web), m_platforms(platforms), m_serviceBase(std::move(serviceBase))
{
}

void SoftwareInfo::setConstants(AppState &state, const QString &serviceBase)
{
    state.app_title = AppTexts::programTitle();
    state.softinfo_title = state.app_title;
    state.app_version = QStringLiteral("v1.7");
    state.app_build = QStringLiteral("20180330");
    state.service_base = serviceBase;
    state.soft_code = QStringLiteral("zq_softinfo");
}

QString SoftwareInfo::readCode(const QString &cfgPath)
{
    return ini::readIniValue(QStringLiteral("daili"), QStringLiteral("code"), cfgPath);
}

QString SoftwareInfo::queryOf(const AppState &state)
{
    QString version = state.app_version;
    version.replace(u'.', u'_');
    return QStringLiteral("?act=tarel_zt_info&pt=default&code=") + queryValue(state.soft_code) + QStringLiteral("&c=") +
           tarel_tools::urlEncode(state.softinfo_title) + QStringLiteral("&v=") + version + QStringLiteral("&b=") +
           state.app_build;
}

QString SoftwareInfo::softinfoQuery() const
{
    return queryOf(m_state);
}

SoftwareInfo::Request SoftwareInfo::startUpRequest(const QString &serviceBase, const QString &cfgPath)
{
    AppState state;
    setConstants(state, serviceBase);
    const QString code = readCode(cfgPath);
    if (!code.isEmpty())
        state.soft_code = code;
    const QString query = queryOf(state);
    return {state.service_base + QStringLiteral("/spcenter/caieventhandle.php") + query, query};
}

void SoftwareInfo::init_var()
{
    setConstants(m_state, m_serviceBase);
    const QString code = readCode(m_state.cfg_path);
    if (!code.isEmpty())
        m_state.soft_code = code;

    m_state.softinfo_url = m_state.service_base + QStringLiteral("/spcenter/caieventhandle.php");
    const QString query = softinfoQuery();

    QString answer = m_web.postWebContent(m_state.softinfo_url + query, query);
    if (m_web.stopped())
        return;
    if (answer.isEmpty())
        answer = m_web.postWebContent(m_state.softinfo_url + query, query);
    if (answer.isEmpty()) {
        qCInfo(lcSoftInfo) << "no software information after two tries";
        if (ClickableLabel *notice = m_controls.tipsLabel(0))
            notice->setText(failureNotice());
        return;
    }
    distribute(answer.replace(QStringLiteral("\\/"), QStringLiteral("/")));
}

void SoftwareInfo::distribute(const QString &answer)
{
    m_state.online_url = m_state.service_base + QStringLiteral("spcenter/zqsso.php?a=online&code=") +
                         queryValue(m_state.soft_code) +
                         QStringLiteral("&u={ACC}&con={CON}&mac={MAC}&&ver={VER}&t={TIME}");

    using tarel_tools::getJsonText;
    m_state.plan_page_url = getJsonText(answer, QStringLiteral("shop_url"));
    m_state.reg_platform_text = getJsonText(answer, QStringLiteral("new_ver_desc"));
    const QString annouce = getJsonText(answer, QStringLiteral("annouce"));
    const QString pltlist = getJsonText(answer, QStringLiteral("pltlist"));
    const QString reg_url = getJsonText(answer, QStringLiteral("reg_url"));
    const QString contact = getJsonText(answer, QStringLiteral("contact"));

    if (!annouce.isEmpty())
        if (ClickableLabel *line = m_controls.tipsLabel(4))
            line->setText(annouce);
    if (!contact.isEmpty())
        if (ClickableLabel *heading = m_controls.tipsLabel(8))
            heading->setText(contact + QStringLiteral("彩票平台开户："));
    if (!reg_url.isEmpty())
        m_state.reg_link_codes = reg_url.split(u'|');
    if (!pltlist.isEmpty())
        showPlatformLinks(pltlist);

    m_platforms.fillRegPlatforms(m_state.reg_platform_text, m_controls.reg_pt);
}

void SoftwareInfo::showPlatformLinks(const QString &pltlist)
{
    // Every run shows the links the answer names and hides the rest, so a link hidden by an
    // earlier answer comes back when a later one names it again. Names past the twelfth
    // have no label and are dropped.
    const QStringList names = pltlist.split(u'|');
    for (int i = 0; i < kLinkCount; ++i) {
        ClickableLabel *link = m_controls.regLink(i);
        if (!link)
            continue;
        if (i < names.size()) {
            link->setText(names.at(i) + QStringLiteral(" |"));
            link->show();
        } else {
            link->hide();
        }
    }
}
