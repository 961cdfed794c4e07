#include "devservice.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcDevService, "zq.test.devservice")

namespace {

constexpr int StartTimeoutMs = 10000;
constexpr int ControlTimeoutMs = 5000;
constexpr int StopTimeoutMs = 5000;

QString encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

} // namespace

DevService::DevService(QObject *parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    // The service is on loopback; a proxy from the environment must never sit in between.
    m_network->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
}

DevService::~DevService()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(StopTimeoutMs)) {
            qCWarning(lcDevService) << "zq-devservice ignored SIGTERM; killing it";
            m_process->kill();
            m_process->waitForFinished(StopTimeoutMs);
        }
    }
}

bool DevService::start()
{
    if (m_process || m_port != 0)
        return m_port != 0;
    // One service already running for every test, started by the test run itself: the
    // Windows tests use the Linux service, which cannot be built for Windows.
    const QString running = qEnvironmentVariable(RunningServiceVariable);
    if (!running.isEmpty())
        return useRunning(QUrl(running, QUrl::StrictMode));
#ifndef ZQ_DEVSERVICE_PATH
    qCWarning(lcDevService) << "built without the zq-devservice target, and" << RunningServiceVariable << "is not set";
    return false;
#else
    m_process = new QProcess(this);
    m_process->setProgram(QStringLiteral(ZQ_DEVSERVICE_PATH));
    m_process->setArguments({u"0"_s});
    // Its complaints belong in the test's output; stdout carries only the port line.
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(QIODevice::ReadOnly);
    if (!m_process->waitForStarted(StartTimeoutMs)) {
        qCWarning(lcDevService) << "cannot start" << m_process->program() << m_process->errorString();
        return false;
    }

    static const QRegularExpression portLine(u"^listening on (\\d+)$"_s);
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process->canReadLine()) {
            const QString line = QString::fromUtf8(m_process->readLine()).trimmed();
            const QRegularExpressionMatch match = portLine.match(line);
            if (match.hasMatch()) {
                m_port = match.captured(1).toUShort();
                return m_port != 0;
            }
            continue;
        }
        if (m_process->state() != QProcess::Running ||
            !m_process->waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
            break;
    }
    qCWarning(lcDevService) << "zq-devservice did not report its port";
    return false;
#endif
}

bool DevService::useRunning(const QUrl &url)
{
    const int port = url.port();
    if (url.scheme() != u"http"_s || url.host() != u"127.0.0.1"_s || port <= 0 || port > 65535) {
        qCWarning(lcDevService) << RunningServiceVariable << "is not http://127.0.0.1:<port>/:" << url.toString();
        return false;
    }
    m_port = quint16(port);
    if (control(u"_test/ping"_s).isEmpty()) {
        qCWarning(lcDevService) << "no stand-in service answers at" << baseUrl();
        m_port = 0;
    }
    return m_port != 0;
}

quint16 DevService::port() const
{
    return m_port;
}

QString DevService::baseUrl() const
{
    return u"http://127.0.0.1:%1/"_s.arg(m_port);
}

QList<QJsonObject> DevService::log() const
{
    QList<QJsonObject> entries;
    const QByteArray text = control(u"_test/log"_s);
    for (const QByteArray &line : text.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            qCWarning(lcDevService) << "unreadable log line" << line << error.errorString();
            continue;
        }
        entries.append(document.object());
    }
    return entries;
}

bool DevService::clear()
{
    return control(u"_test/clear"_s) == "cleared";
}

bool DevService::setFault(const QString &target, const QString &mode, const QString &body, int times, int status)
{
    QString query = u"_test/fault?target="_s + encoded(target) + u"&mode="_s + encoded(mode);
    if (!body.isEmpty())
        query += u"&body="_s + encoded(body);
    if (times > 0)
        query += u"&times="_s + QString::number(times);
    if (status > 0)
        query += u"&status="_s + QString::number(status);
    const bool ok = control(query).startsWith("fault ");
    if (!ok)
        qCWarning(lcDevService) << "fault not set:" << target << mode;
    return ok;
}

QJsonArray DevService::accounts() const
{
    return QJsonDocument::fromJson(control(u"_test/accounts"_s)).array();
}

QByteArray DevService::control(const QString &pathAndQuery) const
{
    if (m_port == 0) {
        qCWarning(lcDevService) << "service not started";
        return {};
    }
    // Built from encoded text so that an escaped "+" or "&" in a value reaches the service as sent.
    QNetworkRequest request(QUrl::fromEncoded((baseUrl() + pathAndQuery).toLatin1(), QUrl::StrictMode));
    QNetworkReply *reply = m_network->get(request);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ControlTimeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    QByteArray body;
    if (!reply->isFinished()) {
        qCWarning(lcDevService) << "no answer from" << pathAndQuery;
        reply->abort();
    } else if (reply->error() != QNetworkReply::NoError) {
        qCWarning(lcDevService) << pathAndQuery << reply->errorString() << reply->readAll();
    } else {
        body = reply->readAll();
    }
    reply->deleteLater();
    return body;
}
