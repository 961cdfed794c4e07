#pragma once

#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class QWidget;

namespace zq {

// The window's view of the service's plan page: open it, read its script globals, run a
// page script. The browser engine stays behind this class; nothing that uses it needs
// the engine's headers, and the window never reaches into the engine itself.
class PlanPage : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlanPage)

public:
    using GlobalsCallback = std::function<void(const QStringList &values)>;

    explicit PlanPage(QObject *parent = nullptr);
    ~PlanPage() override;

    // The browser widget, owned by the widget given to the implementation; the window
    // places it and switches its visibility.
    virtual QWidget *widget() = 0;

    virtual void navigate(const QString &url) = 0;

    // Reads the named page globals in one go and hands their texts to `done`, in the
    // order of `names`. A global that is missing, not text-like, unreadable, or asked
    // for while no page is loaded or a page is loading gives empty text. `done` is
    // always called later from the event loop, never from inside this call, and never
    // once `context` (when one is given) or the page is gone.
    void readGlobals(const QStringList &names, QObject *context, GlobalsCallback done)
    {
        readGlobalsUpTo(names, WholeText, context, std::move(done));
    }

    // The same, each text cut to its first `maxLength` characters (WholeText: not cut), in
    // the page where the engine can, so that a huge value never crosses into the program.
    virtual void readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context,
                                 GlobalsCallback done) = 0;
    static constexpr qsizetype WholeText = -1;

    // Runs a script in the page for its effect; errors stay inside the page.
    virtual void runScript(const QString &script) = 0;

    // Silent: the page may open no dialog and no window of its own.
    virtual void setSilent(bool silent) { Q_UNUSED(silent) }

    // The service answered the program again (its software information came): a page that is
    // down may try once more at once. Nothing to do for a page that does not come back by itself.
    virtual void serviceAnswered() {}

    // A page that opens more script dialogs than this within dialogFloodSpan counts as hung,
    // on every engine.
    static constexpr int dialogFloodCount = 50;
    static constexpr std::chrono::milliseconds dialogFloodSpan = std::chrono::seconds(10);

Q_SIGNALS:
    // A navigation of the main frame came to an end, successfully or not.
    void loadFinished(bool ok);
    // The page went away under the program: its page process ended (crashed, killed, out of
    // memory), or the page stopped answering and the engine ended the process itself. Only a
    // new navigation brings it back.
    void pageLost();
};

} // namespace zq
