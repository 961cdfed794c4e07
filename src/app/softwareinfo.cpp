#include "softwareinfo.h"

#include "app/window/apptexts.h"
#include "appconfig.h"
#include "applogging.h"
#include "net/webclient.h"
#include "serviceaddresses.h"
#include "settings/cfglocation.h"
#include "settings/settingskeys.h"
#include "text/json.h"
#include "zq_build_config.h"

namespace zq {

SoftwareInfo::SoftwareInfo(const AppConfig &config, WebClient &web, QObject *parent)
    : QObject(parent), m_config(config), m_web(web)
{}

// The constants, and the product code of the shipped settings file in place of the default
// (also where the user's login is kept in a copy of the user's own).
void SoftwareInfo::setConstants(SoftwareInformation &value, const AppConfig &config)
{
    value.appTitle = AppTexts::programTitle();
    value.softinfoTitle = value.appTitle;
    value.appVersion = QStringLiteral("v" ZQ_VERSION_MAJOR_MINOR);
    value.appBuild = QStringLiteral("20180330");
    value.serviceBase = config.serviceBase;
    value.softCode = QStringLiteral("zq_softinfo");
    const QString code = readSetting(SettingsKeys::productCode, CfgLocation::shippedFile(config.programDir));
    if (!code.isEmpty())
        value.softCode = code;
    value.softinfoUrl = ServiceAddresses::softwareInfo(value);
}

SoftwareInfo::Request SoftwareInfo::startUpRequest(const AppConfig &config)
{
    SoftwareInformation value;
    setConstants(value, config);
    const QString query = ServiceAddresses::softwareInfoQuery(value);
    return {value.softinfoUrl + query, query};
}

void SoftwareInfo::refresh()
{
    if (refreshing())
        return;
    setConstants(m_value, m_config);
    m_try = Try::First;
    send();
}

void SoftwareInfo::send()
{
    const QString query = ServiceAddresses::softwareInfoQuery(m_value);
    m_web.postWebContent(m_value.softinfoUrl + query, query, this, [this](const QString &answer) { answered(answer); });
}

void SoftwareInfo::answered(const QString &answer)
{
    if (answer.isEmpty() && m_try == Try::First) {
        m_try = Try::Second;
        send();
        return;
    }
    m_try = Try::None;
    if (answer.isEmpty()) {
        qCInfo(lcApp) << "no software information after two tries";
        Q_EMIT refreshed(false);
        return;
    }
    distribute(QString(answer).replace(QStringLiteral("\\/"), QStringLiteral("/")));
    Q_EMIT refreshed(true);
}

void SoftwareInfo::distribute(const QString &answer)
{
    m_value.onlineUrl = ServiceAddresses::onlineTemplate(m_value);

    m_value.planPageUrl = getJsonText(answer, QStringLiteral("shop_url"));
    m_value.regPlatformText = getJsonText(answer, QStringLiteral("new_ver_desc"));
    const QString annouce = getJsonText(answer, QStringLiteral("annouce"));
    const QString pltlist = getJsonText(answer, QStringLiteral("pltlist"));
    const QString regUrl = getJsonText(answer, QStringLiteral("reg_url"));
    const QString contact = getJsonText(answer, QStringLiteral("contact"));

    if (!annouce.isEmpty())
        m_value.announcement = annouce;
    if (!contact.isEmpty())
        m_value.contact = contact;
    if (!regUrl.isEmpty())
        m_value.regLinkCodes = regUrl.split(u'|');
    if (!pltlist.isEmpty())
        m_value.platformNames = pltlist.split(u'|');
}

} // namespace zq
