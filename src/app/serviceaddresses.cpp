#include "serviceaddresses.h"

#include "appconfig.h"
#include "appstate.h"
#include "sessionaccount.h"
#include "softwareinfo.h"
#include "text/datetime.h"
#include "text/texthelpers.h"

using namespace Qt::StringLiterals;

namespace zq {

QString ServiceAddresses::softwareInfo(const SoftwareInformation &info)
{
    return info.serviceBase + u"/spcenter/caieventhandle.php"_s;
}

QString ServiceAddresses::softwareInfoQuery(const SoftwareInformation &info)
{
    QString version = info.appVersion;
    version.replace(u'.', u'_');
    return u"?act=tarel_zt_info&pt=default&code="_s + queryValue(info.softCode) + u"&c="_s +
           urlEncode(info.softinfoTitle) + u"&v="_s + version + u"&b="_s + info.appBuild;
}

QString ServiceAddresses::onlineTemplate(const SoftwareInformation &info)
{
    return info.serviceBase + u"spcenter/zqsso.php?a=online&code="_s + queryValue(info.softCode) +
           u"&u={ACC}&con={CON}&mac={MAC}&&ver={VER}&t={TIME}"_s;
}

QString ServiceAddresses::online(const SessionAccount &session) const
{
    QString url = m_info.onlineUrl;
    url.replace(u"{ACC}"_s, urlEncode(session.account));
    url.replace(u"{CON}"_s, m_machine.machineHash);
    url.replace(u"{MAC}"_s, m_machine.machineMac);
    url.replace(u"{TIME}"_s, getTimeStamp(1));
    url.replace(u"{VER}"_s, m_info.versionTag());
    return url;
}

QString ServiceAddresses::login(const QString &account, const QString &password) const
{
    QString url = m_info.serviceBase + u"spcenter/zqsso.php?a=login_2016&u={ACCOUNT}&p={PASSWORD}&hash={CON}&code="_s +
                  queryValue(m_info.softCode) + u"&ver="_s + m_info.versionTag();
    url.replace(u"{ACCOUNT}"_s, urlEncode(account));
    url.replace(u"{PASSWORD}"_s, urlEncode(password));
    url.replace(u"{CON}"_s, m_machine.machineHash);
    return url;
}

QString ServiceAddresses::planPage(const SessionAccount &session) const
{
    QString url = m_info.planPageUrl;
    url.replace(u"{ACC}"_s, urlEncode(session.account));
    url.replace(u"{PASS}"_s, urlEncode(session.password));
    return url;
}

QString ServiceAddresses::registration(const RegistrationForm &form) const
{
    QString url = m_info.serviceBase +
                  u"spcenter/zqsso.php?a=reg&u={ACCOUNT}&p={PASSWORD}&pt={REGPTVAL}&s={SSCATTACH}&code="_s +
                  queryValue(m_info.softCode) + u"&mac={MAC}&hash={HASH}&e={EMAIL}"_s;
    url.replace(u"{ACCOUNT}"_s, urlEncode(form.account));
    url.replace(u"{PASSWORD}"_s, urlEncode(form.password));
    // The platform value comes from the service: encoded like every other value.
    url.replace(u"{REGPTVAL}"_s, queryValue(form.platformValue));
    url.replace(u"{SSCATTACH}"_s, urlEncode(form.platformAccount));
    url.replace(u"{HASH}"_s, m_machine.machineHash);
    url.replace(u"{EMAIL}"_s, urlEncode(form.email));
    url.replace(u"{MAC}"_s, m_machine.machineMac);
    return url;
}

QString ServiceAddresses::platformLink(int index) const
{
    return m_config.regSite + u"reg.php?g="_s + queryValue(m_info.regLinkCodes.value(index));
}

QString ServiceAddresses::downloadPage() const
{
    return m_config.downloadSite + u"a/awddownload.html"_s;
}

} // namespace zq
