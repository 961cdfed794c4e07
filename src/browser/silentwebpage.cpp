#include "silentwebpage.h"

#include "browserlogging.h"
#include "desktop/links.h"
#include "text/webaddress.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QWebEngineCertificateError>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

const QString markScriptName = u"zq-document-mark"_s;

QWebEngineScript documentScript(const QString &name, QWebEngineScript::InjectionPoint point, const QString &source)
{
    QWebEngineScript script;
    script.setName(name);
    script.setInjectionPoint(point);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(source);
    return script;
}

void logPageLine(const QString &line)
{
    qCDebug(lcBrowser).noquote() << line;
}

} // namespace

SilentWebPage::SilentWebPage(QObject *parent)
    : QWebEnginePage(parent), m_windows([](const QString &line) { qCInfo(lcBrowser).noquote() << line; }),
      m_pageLog(logPageLine),
      m_markPrefix(u"zq-ready-"_s + QString::number(QRandomGenerator::system()->generate64(), 16) +
                   QString::number(QRandomGenerator::system()->generate64(), 16) + u'-')
{
    connect(this, &QWebEnginePage::newWindowRequested, this, &SilentWebPage::onNewWindowRequested);
    connect(this, &QWebEnginePage::certificateError, this, &SilentWebPage::onCertificateError);
    connect(this, &QWebEnginePage::loadStarted, this, [this] { m_programNavigation = false; });
    renewDocumentMark();
    // Told through the console of the program's world: the page's own console is another
    // object, so the page can neither silence nor imitate it without the mark.
    scripts().insert(documentScript(u"zq-document-ready"_s, QWebEngineScript::DocumentReady,
                                    u"if (typeof zqDocumentMark === 'string') console.debug(zqDocumentMark);"_s));
}

SilentWebPage::~SilentWebPage() = default;

void SilentWebPage::setSilent(bool silent)
{
    m_silent = silent;
}

void SilentWebPage::renewDocumentMark()
{
    m_mark = m_markPrefix + QString::number(++m_markNumber);
    for (const QWebEngineScript &old : scripts().find(markScriptName))
        scripts().remove(old);
    scripts().insert(documentScript(markScriptName, QWebEngineScript::DocumentCreation,
                                    u"var zqDocumentMark = '"_s + m_mark + u"';"_s));
}

void SilentWebPage::loadByProgram(const QUrl &url)
{
    m_programNavigation = true;
    renewDocumentMark();
    load(url);
}

bool SilentWebPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (!isMainFrame)
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    m_programNavigation = false;
    // The new document is made after this (a redirect asks again), so it gets the new mark.
    renewDocumentMark();
    Q_EMIT navigationStarting(type);
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

void SilentWebPage::onNewWindowRequested(QWebEngineNewWindowRequest &request)
{
    if (!m_silent)
        return;
    // Leaving the request unanswered here and refusing it in createWindow means no engine
    // window ever exists; the user still gets the page, in the browser they know.
    if (!m_windows.admit(request.isUserInitiated()))
        return;
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

void SilentWebPage::dialogAnswered(const char *how, const QString &msg)
{
    if (lcBrowser().isDebugEnabled() && m_pageLog.admit())
        qCDebug(lcBrowser).noquote() << how << loggableText(msg);
    // Each one is answered at once, so a page in a loop asks again at once, for ever.
    if (m_dialogs.add() > PlanPage::dialogFloodCount) {
        m_dialogs.clear();
        Q_EMIT dialogFlood();
    }
}

void SilentWebPage::javaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    if (m_silent) {
        dialogAnswered("alert answered silently:", msg);
        return;
    }
    QWebEnginePage::javaScriptAlert(securityOrigin, msg);
}

QString SilentWebPage::leaveQuestion()
{
    // The text, and the context it is translated in, that QWebEnginePage gives its own
    // beforeunload question; translated here as there, so that both read the same.
    return QCoreApplication::translate(
        "QWebEnginePage", "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

bool SilentWebPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    // The engine asks to leave a page with a beforeunload handler (and the user's click in it)
    // through confirm(). Answering no would keep the page, and the navigation would never
    // start. A page's own confirm() with this very text is answered yes too, which costs the
    // page nothing it could not do without asking.
    if (msg == leaveQuestion()) {
        if (m_silent || m_programNavigation) {
            m_programNavigation = false;
            if (lcBrowser().isDebugEnabled() && m_pageLog.admit())
                qCDebug(lcBrowser) << "the page asked not to be left; leaving it";
            return true;
        }
        const bool leave = QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
        if (!leave)
            Q_EMIT navigationCancelled();
        return leave;
    }
    if (m_silent) {
        dialogAnswered("confirm answered silently with no:", msg);
        return false;
    }
    return QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
}

bool SilentWebPage::javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                                     QString *result)
{
    if (m_silent) {
        dialogAnswered("prompt cancelled silently:", msg);
        return false;
    }
    return QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
}

void SilentWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                             int lineNumber, const QString &sourceID)
{
    if (message.startsWith(m_markPrefix)) {
        if (message == m_mark)
            Q_EMIT documentReady();
        return;
    }
    if (!lcBrowser().isDebugEnabled() || !m_pageLog.admit())
        return;
    // The source is the page's address, which carries the account and the password, and the
    // engine's own messages (mixed content, blocked frames) quote it.
    const QString source = loggableUrl(sourceID);
    const QString text = loggableText(message);
    const char *kind = level == ErrorMessageLevel ? "error" : level == WarningMessageLevel ? "warning" : "info";
    qCDebug(lcBrowser, "page %s %ls:%d: %ls", kind, qUtf16Printable(source), lineNumber, qUtf16Printable(text));
}

} // namespace zq

// Compiled here rather than with the library's other meta-object code, so that a program
// taking nothing from this file takes none of the engine's symbols either.
#include "moc_silentwebpage.cpp" // NOLINT(bugprone-suspicious-include): moc's code, on purpose
