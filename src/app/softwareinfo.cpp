#include "softwareinfo.h"

#include "app/window/applogging.h"
#include "app/window/apptexts.h"
#include "app/window/clickablelabel.h"
#include "app/window/controls.h"
#include "appconfig.h"
#include "appstate.h"
#include "cfglocation.h"
#include "net/webclient.h"
#include "platformlist.h"
#include "serviceaddresses.h"
#include "settingskeys.h"
#include "text/jsontext.h"
#include "zq_build_config.h"

namespace zq {

SoftwareInfo::SoftwareInfo(AppState &state, Controls &controls, const ServiceAddresses &addresses, WebClient &web,
                           RegPlatforms &platforms, const AppConfig &config)
    : m_state(state), m_controls(controls), m_addresses(addresses), m_web(web), m_platforms(platforms), m_config(config)
{
}

// The constants, and the product code of the shipped settings file in place of the default
// (also where the user's login is kept in a copy of the user's own).
void SoftwareInfo::setConstants(AppState &state, const AppConfig &config)
{
    state.appTitle = AppTexts::programTitle();
    state.softinfoTitle = state.appTitle;
    state.appVersion = QStringLiteral("v" ZQ_VERSION_MAJOR_MINOR);
    state.appBuild = QStringLiteral("20180330");
    state.serviceBase = config.serviceBase;
    state.softCode = QStringLiteral("zq_softinfo");
    const QString code = readSetting(SettingsKeys::productCode, CfgLocation::shippedFile(config.programDir));
    if (!code.isEmpty())
        state.softCode = code;
}

SoftwareInfo::Request SoftwareInfo::startUpRequest(const AppConfig &config)
{
    AppState state;
    setConstants(state, config);
    const ServiceAddresses addresses(config, state);
    const QString query = addresses.softwareInfoQuery();
    return {addresses.softwareInfo() + query, query};
}

bool SoftwareInfo::refreshSoftwareInfo()
{
    setConstants(m_state, m_config);

    m_state.softinfoUrl = m_addresses.softwareInfo();
    const QString query = m_addresses.softwareInfoQuery();

    QString answer = m_web.postWebContent(m_state.softinfoUrl + query, query);
    if (m_web.stopped())
        return false;
    if (answer.isEmpty())
        answer = m_web.postWebContent(m_state.softinfoUrl + query, query);
    if (answer.isEmpty()) {
        qCInfo(lcApp) << "no software information after two tries";
        if (ClickableLabel *notice = m_controls.tipsLabel(TipsLabel::StartUpNotice))
            notice->setText(failureNotice());
        return false;
    }
    distribute(answer.replace(QStringLiteral("\\/"), QStringLiteral("/")));
    return true;
}

void SoftwareInfo::distribute(const QString &answer)
{
    m_state.onlineUrl = m_addresses.onlineTemplate();

    m_state.planPageUrl = getJsonText(answer, QStringLiteral("shop_url"));
    m_state.regPlatformText = getJsonText(answer, QStringLiteral("new_ver_desc"));
    const QString annouce = getJsonText(answer, QStringLiteral("annouce"));
    const QString pltlist = getJsonText(answer, QStringLiteral("pltlist"));
    const QString regUrl = getJsonText(answer, QStringLiteral("reg_url"));
    const QString contact = getJsonText(answer, QStringLiteral("contact"));

    if (!annouce.isEmpty())
        if (ClickableLabel *line = m_controls.tipsLabel(TipsLabel::NoticeLine))
            line->setText(annouce);
    if (!contact.isEmpty())
        if (ClickableLabel *heading = m_controls.tipsLabel(TipsLabel::LinkPanelHeading))
            heading->setText(contact + QString::fromUtf16(AppTexts::linkPanelHeading));
    if (!regUrl.isEmpty())
        m_state.regLinkCodes = regUrl.split(u'|');
    if (!pltlist.isEmpty())
        showPlatformLinks(pltlist);

    m_platforms.fillRegPlatforms(m_state.regPlatformText, m_controls.regPlatform);
}

void SoftwareInfo::showPlatformLinks(const QString &pltlist)
{
    // Every run shows the links the answer names and hides the rest, so a link hidden by an
    // earlier answer comes back when a later one names it again. Names past the twelfth
    // have no label and are dropped.
    const QStringList names = pltlist.split(u'|');
    for (int i = 0; i < kRegLinkCount; ++i) {
        ClickableLabel *link = m_controls.platformLink(i);
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

} // namespace zq
