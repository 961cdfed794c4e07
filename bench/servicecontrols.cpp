#include "servicecontrols.h"

#include "net/webclient.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <QUrlQuery>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

ServiceControls::Kind kindOf(const QString &path, const QString &query)
{
    if (path.endsWith(u"/caieventhandle.php"_s))
        return ServiceControls::Kind::SoftwareInfo;
    if (path.endsWith(u"/zqsso.php"_s)) {
        const QString action = QUrlQuery(query).queryItemValue(u"a"_s);
        if (action == u"online"_s)
            return ServiceControls::Kind::Online;
        if (action == u"login_2016"_s)
            return ServiceControls::Kind::Login;
    }
    if (path == u"/"_s)
        return ServiceControls::Kind::TimeSource;
    if (path == u"/plan.php"_s)
        return ServiceControls::Kind::PlanPage;
    return ServiceControls::Kind::Other;
}

} // namespace

ServiceControls::ServiceControls(QString serviceBase)
    : m_base(std::move(serviceBase)), m_web(std::make_unique<zq::WebClient>())
{
    // The controls answer at once; a wait of seconds means the service is in trouble.
    m_web->setDeadline(std::chrono::milliseconds(5000));
}

ServiceControls::~ServiceControls() = default;

bool ServiceControls::setFault(const QString &target, const QString &mode, const QString &body, int times)
{
    QUrlQuery query{{u"target"_s, target}, {u"mode"_s, mode}};
    if (!body.isEmpty())
        query.addQueryItem(u"body"_s, body);
    if (times > 0)
        query.addQueryItem(u"times"_s, QString::number(times));
    return control(u"_test/fault?"_s + query.toString(QUrl::FullyEncoded)).startsWith(u"fault "_s);
}

void ServiceControls::readNew(QList<Request> &into)
{
    const QString text = control(u"_test/log?from="_s + QString::number(m_read));
    for (const QStringView line : QStringView(text).split(u'\n', Qt::SkipEmptyParts)) {
        ++m_read;
        const QJsonObject entry = QJsonDocument::fromJson(line.toUtf8()).object();
        const qint64 atMs = entry.value(u"at"_s).toInteger();
        if (atMs <= 0) {
            ++m_unreadable;
            continue;
        }
        // The path as sent: the client's software information goes to "//spcenter/...".
        QString path = entry.value(u"path"_s).toString();
        while (path.startsWith(u"//"_s))
            path.remove(0, 1);
        into.append(Request{atMs, kindOf(path, entry.value(u"query"_s).toString())});
    }
}

bool ServiceControls::alive()
{
    return control(u"_test/ping"_s) == u"pong"_s;
}

QString ServiceControls::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Online:
        return u"online"_s;
    case Kind::SoftwareInfo:
        return u"softinfo"_s;
    case Kind::TimeSource:
        return u"time"_s;
    case Kind::Login:
        return u"login"_s;
    case Kind::PlanPage:
        return u"plan"_s;
    case Kind::Other:
        break;
    }
    return u"other"_s;
}

QString ServiceControls::control(const QString &pathAndQuery)
{
    // The driver wants the answer before it goes on: a wait of its own, in an event loop of the
    // benchmark's.
    QEventLoop loop;
    QString answer;
    m_web->getWebContent(m_base + pathAndQuery, &loop, [&](const QString &text) {
        answer = text;
        loop.quit();
    });
    loop.exec();
    return answer;
}
