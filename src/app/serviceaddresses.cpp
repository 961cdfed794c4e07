#include "serviceaddresses.h"

#include "appconfig.h"
#include "appstate.h"
#include "text/datetime.h"
#include "text/jsontext.h"

using namespace Qt::StringLiterals;
using tarel_tools::queryValue;
using tarel_tools::urlEncode;

QString ServiceAddresses::softwareInfo() const
{
    return m_state.service_base + u"/spcenter/caieventhandle.php"_s;
}

QString ServiceAddresses::softwareInfoQuery() const
{
    QString version = m_state.app_version;
    version.replace(u'.', u'_');
    return u"?act=tarel_zt_info&pt=default&code="_s + queryValue(m_state.soft_code) + u"&c="_s +
           urlEncode(m_state.softinfo_title) + u"&v="_s + version + u"&b="_s + m_state.app_build;
}

QString ServiceAddresses::onlineTemplate() const
{
    return m_state.service_base + u"spcenter/zqsso.php?a=online&code="_s + queryValue(m_state.soft_code) +
           u"&u={ACC}&con={CON}&mac={MAC}&&ver={VER}&t={TIME}"_s;
}

QString ServiceAddresses::online() const
{
    QString url = m_state.online_url;
    url.replace(u"{ACC}"_s, urlEncode(m_state.cur_account));
    url.replace(u"{CON}"_s, m_state.machine_hash);
    url.replace(u"{MAC}"_s, m_state.machine_mac);
    url.replace(u"{TIME}"_s, tarel_tools::getTimeStamp(1));
    url.replace(u"{VER}"_s, m_state.version_tag());
    return url;
}

QString ServiceAddresses::login(const QString &account, const QString &password) const
{
    QString url = m_state.service_base +
                  u"spcenter/zqsso.php?a=login_2016&u={ACCOUNT}&p={PASSWORD}&hash={CON}&code="_s +
                  queryValue(m_state.soft_code) + u"&ver="_s + m_state.version_tag();
    url.replace(u"{ACCOUNT}"_s, urlEncode(account));
    url.replace(u"{PASSWORD}"_s, urlEncode(password));
    url.replace(u"{CON}"_s, m_state.machine_hash);
    return url;
}

QString ServiceAddresses::planPage() const
{
    QString url = m_state.plan_page_url;
    url.replace(u"{ACC}"_s, urlEncode(m_state.cur_account));
    url.replace(u"{PASS}"_s, urlEncode(m_state.cur_password));
    return url;
}

QString ServiceAddresses::registration(const RegistrationForm &form) const
{
    QString url = m_state.service_base +
                  u"spcenter/zqsso.php?a=reg&u={ACCOUNT}&p={PASSWORD}&pt={REGPTVAL}&s={SSCATTACH}&code="_s +
                  queryValue(m_state.soft_code) + u"&mac={MAC}&hash={HASH}&e={EMAIL}"_s;
    url.replace(u"{ACCOUNT}"_s, urlEncode(form.account));
    url.replace(u"{PASSWORD}"_s, urlEncode(form.password));
    // The platform value comes from the service: encoded like every other value.
    url.replace(u"{REGPTVAL}"_s, queryValue(form.platformValue));
    url.replace(u"{SSCATTACH}"_s, urlEncode(form.platformAccount));
    url.replace(u"{HASH}"_s, m_state.machine_hash);
    url.replace(u"{EMAIL}"_s, urlEncode(form.email));
    url.replace(u"{MAC}"_s, m_state.machine_mac);
    return url;
}

QString ServiceAddresses::regLink(int index) const
{
    return m_config.regSite + u"reg.php?g="_s + queryValue(m_state.reg_link_codes.value(index));
}

QString ServiceAddresses::downloadPage() const
{
    return m_config.downloadSite + u"a/awddownload.html"_s;
}
