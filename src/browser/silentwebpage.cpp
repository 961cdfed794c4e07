#include "silentwebpage.h"

#include "browserlogging.h"
#include "desktop/links.h"
#include "text/webaddress.h"

#include <QWebEngineCertificateError>
#include <QWebEngineNewWindowRequest>

namespace zq {

SilentWebPage::SilentWebPage(QObject *parent) : QWebEnginePage(parent)
{
    connect(this, &QWebEnginePage::newWindowRequested, this, &SilentWebPage::onNewWindowRequested);
    connect(this, &QWebEnginePage::certificateError, this, &SilentWebPage::onCertificateError);
}

SilentWebPage::~SilentWebPage() = default;

void SilentWebPage::setSilent(bool silent)
{
    m_silent = silent;
}

void SilentWebPage::onNewWindowRequested(QWebEngineNewWindowRequest &request)
{
    if (!m_silent)
        return;
    // Leaving the request unanswered here and refusing it in createWindow means no engine
    // window ever exists; the user still gets the page, in the browser they know.
    qCInfo(lcBrowser).noquote() << "new window sent to the default browser:" << loggableUrl(request.requestedUrl());
    openUrl(request.requestedUrl().toString(QUrl::FullyEncoded));
}

QWebEnginePage *SilentWebPage::createWindow(WebWindowType type)
{
    if (m_silent)
        return nullptr;
    return QWebEnginePage::createWindow(type);
}

void SilentWebPage::onCertificateError(const QWebEngineCertificateError &error)
{
    qCWarning(lcBrowser).noquote() << "certificate error for" << loggableUrl(error.url())
                                   << loggableText(error.description());
    if (m_silent) {
        // The signal hands over a const reference, but answering is what it is for.
        QWebEngineCertificateError answer = error;
        answer.rejectCertificate();
    }
}

QStringList SilentWebPage::chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                                       const QStringList &acceptedMimeTypes)
{
    if (m_silent)
        return {};
    return QWebEnginePage::chooseFiles(mode, oldFiles, acceptedMimeTypes);
}

void SilentWebPage::javaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    if (m_silent) {
        qCInfo(lcBrowser) << "alert answered silently:" << loggableText(msg);
        return;
    }
    QWebEnginePage::javaScriptAlert(securityOrigin, msg);
}

bool SilentWebPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    if (m_silent) {
        qCInfo(lcBrowser) << "confirm answered silently with no:" << loggableText(msg);
        return false;
    }
    return QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
}

bool SilentWebPage::javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                                     QString *result)
{
    if (m_silent) {
        qCInfo(lcBrowser) << "prompt cancelled silently:" << loggableText(msg);
        return false;
    }
    return QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
}

void SilentWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                             int lineNumber, const QString &sourceID)
{
    // The source is the page's address, which carries the account and the password, and the
    // engine's own messages (mixed content, blocked frames) quote it.
    const QString source = loggableUrl(sourceID);
    const QString text = loggableText(message);
    switch (level) {
    case InfoMessageLevel:
        qCInfo(lcBrowser, "%ls:%d: %ls", qUtf16Printable(source), lineNumber, qUtf16Printable(text));
        break;
    case WarningMessageLevel:
        qCWarning(lcBrowser, "%ls:%d: %ls", qUtf16Printable(source), lineNumber, qUtf16Printable(text));
        break;
    case ErrorMessageLevel:
        qCWarning(lcBrowser, "error %ls:%d: %ls", qUtf16Printable(source), lineNumber, qUtf16Printable(text));
        break;
    }
}

} // namespace zq

// Compiled here rather than with the library's other meta-object code, so that a program
// taking nothing from this file takes none of the engine's symbols either.
#include "moc_silentwebpage.cpp"
