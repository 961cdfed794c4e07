#pragma once

#include "planpage.h"

#include <QPointer>

#include <chrono>
#include <memory>

class QTimer;
class QWebEngineLoadingInfo;
class QWebEngineView;

namespace zq {

class SilentWebPage;

// The plan page in a QWebEngineView, which is the page's widget: made with the page, and with
// it the engine is started, so the page is made only when the plan page first opens (the plan
// area's DeferredPlanPage does that).
//
// Reads answer as soon as the document has been parsed and its scripts have run, before
// its images and frames have all arrived. A page whose process ends is lost (pageLost) until
// the next navigation, and reads answer empty at once meanwhile; so is a page that answers no
// read for unansweredLimit or opens dialogs without end, once this page has ended its process.
class WebEnginePlanPage final : public PlanPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebEnginePlanPage)

public:
    // A page script that has not answered after this long counts as unreadable, so a
    // hung or crashed page cannot keep a reader waiting for ever.
    static constexpr int readTimeoutMs = 5000;
    // A page that has answered none of the reads asked of it for this long is hung.
    static constexpr std::chrono::milliseconds unansweredLimit = std::chrono::seconds(30);
    // A navigation that the engine has not started after this long never will.
    static constexpr std::chrono::milliseconds startLimit = std::chrono::seconds(10);

    explicit WebEnginePlanPage(QWidget *parentWidget);
    ~WebEnginePlanPage() override;

    QWidget *widget() override;
    void navigate(const QString &url) override;
    void readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context,
                         GlobalsCallback done) override;
    void runScript(const QString &script) override;

    // Script dialogs, certificate errors, file choosers and new windows are dealt with
    // without showing anything; new windows the user started open in the default browser.
    void setSilent(bool silent) override;
    bool isSilent() const { return m_silent; }

    // Tests shorten the time after which a page that does not answer counts as hung.
    void setUnansweredLimit(std::chrono::milliseconds limit);

    // The script that reads `names` in one evaluation, each text cut to `maxLength`
    // characters unless that is WholeText; exposed for its own tests.
    static QString globalsScript(const QStringList &names, qsizetype maxLength = WholeText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void makeView(QWidget *parentWidget);
    void watchInput(QObject *widget);
    void startOfNewDocument();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void onLoadStarted();
    void onLoadFinished(bool ok, bool stopped);
    void onNavigationStarting(int type);
    void onNavigationNotStarted();
    void onDocumentReady();
    void onProcessEnded();
    void endPageProcess(const char *why);
    void askedPage();
    void pageAnswered();

    QPointer<QWebEngineView> m_view;
    QPointer<SilentWebPage> m_page;
    bool m_silent = false;
    bool m_loading = false;
    // The load under way is the program's (or a redirect of it), not one the page started.
    bool m_programLoad = false;
    // The document of the latest navigation has been parsed: readable while still loading.
    bool m_documentReady = false;
    // The page process ended, and no navigation has made a new one yet.
    bool m_processGone = false;
    // This page ended the process and waits for the engine to say it has gone.
    bool m_endingProcess = false;
    // Moves on with every navigation, so an answer from the document that was there
    // before cannot be taken for one from the new document.
    quint64 m_generation = 0;
    // Runs from the first read that the page has not answered; stopped by any answer.
    QTimer *m_unanswered = nullptr;
    // Runs from the program's navigation until the engine starts it.
    QTimer *m_notStarted = nullptr;
    // Expires first thing in the destructor: the engine answers outstanding scripts
    // while it is torn down, and those answers must find nobody to call.
    std::shared_ptr<char> m_alive = std::make_shared<char>();
};

} // namespace zq
