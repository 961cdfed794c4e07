#pragma once

#include "logthrottle.h"
#include "newwindowgate.h"
#include "planpage.h"
#include "recentevents.h"

#include <QWebEnginePage>

namespace zq {

// The plan page's engine page. While silent it opens nothing of its own: script dialogs
// are answered at once without showing anything, certificate errors are refused, no file
// chooser appears, and a new window that the user started with a click in the page opens
// that URL in the default browser instead (a few a minute at most; the rest are refused).
// A page never keeps the program's own navigations from happening (beforeunload). The
// page's console messages and the dialogs answered for it go to the "zq.browser" logging
// category at debug level, a few lines a second at most.
class SilentWebPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SilentWebPage)

public:
    explicit SilentWebPage(QObject *parent = nullptr);
    ~SilentWebPage() override;

    void setSilent(bool silent);
    bool isSilent() const { return m_silent; }

    // The program's own navigation: it happens whatever the page says about being left.
    void loadByProgram(const QUrl &url);

    // The user pressed a mouse button or a key in the page's view.
    void noteUserAction() { m_windows.noteUserAction(); }

    // How the engine asks whether a page that objects to being left (beforeunload) may be left:
    // as a confirm() of its own, with this text in the program's language.
    static QString leaveQuestion();

Q_SIGNALS:
    // The main frame is about to load a new document, whoever asked for it.
    void navigationStarting(QWebEnginePage::NavigationType type);
    // A navigation never started: the user chose to stay on a page that objected to being left.
    void navigationCancelled();
    // The document of the latest navigation has been parsed and its scripts have run
    // (DOMContentLoaded), whether or not its images and frames are there yet.
    void documentReady();
    // The page opens dialogs without end.
    void dialogFlood();

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                            const QStringList &acceptedMimeTypes) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    void onNewWindowRequested(QWebEngineNewWindowRequest &request);
    void onCertificateError(const QWebEngineCertificateError &error);
    void dialogAnswered(const char *how, const QString &msg);
    void renewDocumentMark();

    bool m_silent = false;
    // Set from the program's own load() until the engine has started it or asked to leave.
    bool m_programNavigation = false;
    NewWindowGate m_windows;
    LogThrottle m_pageLog;
    RecentEvents m_dialogs{PlanPage::dialogFloodSpan};
    // Each new document is marked, in a script world of the program's that the page cannot
    // reach, with the mark current at its creation; it tells the mark once it is parsed. Only
    // the mark of the latest navigation counts, so an older document still being parsed cannot
    // pass for the new one. The prefix is random, so the page cannot tell a mark of its own.
    QString m_markPrefix;
    quint64 m_markNumber = 0;
    QString m_mark;
};

} // namespace zq
