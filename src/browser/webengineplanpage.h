#pragma once

#include "planpage.h"

#include <QPointer>

#include <memory>

class QWebEngineView;

namespace zq {

class SilentWebPage;

// The plan page in a QWebEngineView. `widget()` is a plain holder (the window names it),
// made at once because it is cheap; the engine view inside it is made on the first
// navigate(), so the window can appear before the browser engine has started. Until
// then reads give empty texts and scripts are dropped, as for a page not yet loaded.
class WebEnginePlanPage final : public PlanPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebEnginePlanPage)

public:
    // A page script that has not answered after this long counts as unreadable, so a
    // hung or crashed page cannot keep a reader waiting for ever.
    static constexpr int readTimeoutMs = 5000;

    explicit WebEnginePlanPage(QWidget *parentWidget);
    ~WebEnginePlanPage() override;

    QWidget *widget() override;
    void navigate(const QString &url) override;
    void readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context,
                         GlobalsCallback done) override;
    void runScript(const QString &script) override;

    // Script dialogs, certificate errors, file choosers and new windows are dealt with
    // without showing anything; new windows open in the default browser.
    void setSilent(bool silent) override;
    bool isSilent() const { return m_silent; }

    // The script that reads `names` in one evaluation, each text cut to `maxLength`
    // characters unless that is WholeText; exposed for its own tests.
    static QString globalsScript(const QStringList &names, qsizetype maxLength = WholeText);

private:
    void ensureView();
    void onLoadStarted();
    void onLoadFinished(bool ok);

    QPointer<QWidget> m_holder;
    QPointer<QWebEngineView> m_view;
    QPointer<SilentWebPage> m_page;
    bool m_silent = false;
    bool m_loading = false;
    // Moves on with every navigation, so an answer from the document that was there
    // before cannot be taken for one from the new document.
    quint64 m_generation = 0;
    // Expires first thing in the destructor: the engine answers outstanding scripts
    // while it is torn down, and those answers must find nobody to call.
    std::shared_ptr<char> m_alive = std::make_shared<char>();
};

} // namespace zq
