#include "serviceaddresses.h"

#include "appconfig.h"
#include "appstate.h"
#include "text/datetime.h"
#include "text/jsontext.h"

using namespace Qt::StringLiterals;

namespace zq {

QString ServiceAddresses::softwareInfo() const
{
    return m_state.serviceBase + u"/spcenter/caieventhandle.php"_s;
}

QString ServiceAddresses::softwareInfoQuery() const
{
    QString version = m_state.appVersion;
    version.replace(u'.', u'_');
    return u"?act=tarel_zt_info&pt=default&code="_s + queryValue(m_state.softCode) + u"&c="_s +
           urlEncode(m_state.softinfoTitle) + u"&v="_s + version + u"&b="_s + m_state.appBuild;
}

QString ServiceAddresses::onlineTemplate() const
{
    return m_state.serviceBase + u"spcenter/zqsso.php?a=online&code="_s + queryValue(m_state.softCode) +
           u"&u={ACC}&con={CON}&mac={MAC}&&ver={VER}&t={TIME}"_s;
}

QString ServiceAddresses::online() const
{
    QString url = m_state.onlineUrl;
    url.replace(u"{ACC}"_s, urlEncode(m_state.curAccount));
    url.replace(u"{CON}"_s, m_state.machineHash);
    url.replace(u"{MAC}"_s, m_state.machineMac);
    url.replace(u"{TIME}"_s, getTimeStamp(1));
    url.replace(u"{VER}"_s, m_state.versionTag());
    return url;
}

QString ServiceAddresses::login(const QString &account, const QString &password) const
{
    QString url = m_state.serviceBase + u"spcenter/zqsso.php?a=login_2016&u={ACCOUNT}&p={PASSWORD}&hash={CON}&code="_s +
                  queryValue(m_state.softCode) + u"&ver="_s + m_state.versionTag();
    url.replace(u"{ACCOUNT}"_s, urlEncode(account));
    url.replace(u"{PASSWORD}"_s, urlEncode(password));
    url.replace(u"{CON}"_s, m_state.machineHash);
    return url;
}

QString ServiceAddresses::planPage() const
{
    QString url = m_state.planPageUrl;
    url.replace(u"{ACC}"_s, urlEncode(m_state.curAccount));
    url.replace(u"{PASS}"_s, urlEncode(m_state.curPassword));
    return url;
}

QString ServiceAddresses::registration(const RegistrationForm &form) const
{
    QString url = m_state.serviceBase +
                  u"spcenter/zqsso.php?a=reg&u={ACCOUNT}&p={PASSWORD}&pt={REGPTVAL}&s={SSCATTACH}&code="_s +
                  queryValue(m_state.softCode) + u"&mac={MAC}&hash={HASH}&e={EMAIL}"_s;
    url.replace(u"{ACCOUNT}"_s, urlEncode(form.account));
    url.replace(u"{PASSWORD}"_s, urlEncode(form.password));
    // The platform value comes from the service: encoded like every other value.
    url.replace(u"{REGPTVAL}"_s, queryValue(form.platformValue));
    url.replace(u"{SSCATTACH}"_s, urlEncode(form.platformAccount));
    url.replace(u"{HASH}"_s, m_state.machineHash);
    url.replace(u"{EMAIL}"_s, urlEncode(form.email));
    url.replace(u"{MAC}"_s, m_state.machineMac);
    return url;
}

QString ServiceAddresses::platformLink(int index) const
{
    return m_config.regSite + u"reg.php?g="_s + queryValue(m_state.regLinkCodes.value(index));
}

QString ServiceAddresses::downloadPage() const
{
    return m_config.downloadSite + u"a/awddownload.html"_s;
}

} // namespace zq
