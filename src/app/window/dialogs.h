#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

namespace zq {

// The modal message boxes of the program. A box shows its text as text, whatever markup or
// link the service put in it, cut to a length a box can show and further where the screen is
// too small for it. Tests switch on scripted answers so that no box ever blocks them, and a
// record of what each box was given to show; the program keeps none.
class Dialogs final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Dialogs)

public:
    struct Shown
    {
        QString title;
        QString text; // as given to the box: cut to MaxTextLength
        bool withCancel = false;
    };

    // The most of a text a box is given; the rest is left out, and "…" says so.
    static constexpr qsizetype MaxTextLength = 2000;

    // The boxes belong to `parent`, and so does this object.
    explicit Dialogs(QWidget *parent) : QObject(parent), m_parent(parent) {}

    // A box with the text and OK, titled with the program title unless another is given.
    void information(const QString &text, const QString &title = {});
    // A box with OK and Cancel; true only when the user chose OK.
    bool confirm(const QString &text, const QString &title);

    // The program is ending: a flow that goes on once a box the ending closed has returned shows
    // no further box.
    void silence() { m_silenced = true; }

    // Test switch: from now on no box is shown; each confirm() answers `answer`. Without an
    // answer the real boxes are shown again.
    void setScriptedAnswer(std::optional<bool> answer) { m_scripted = answer; }
    // Test switch: keep a record of every box from now on, for shown(); off forgets it.
    void setRecording(bool on)
    {
        m_recording = on;
        if (!on)
            m_shown.clear();
    }
    const QList<Shown> &shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }

    // `text` cut to its first `length` characters, and "…" when that left anything out. A
    // character beyond 16 bits or a CR LF is never cut in two: it goes whole.
    static QString cutText(const QString &text, qsizetype length);

private:
    void record(const QString &title, const QString &text, bool withCancel);

    QPointer<QWidget> m_parent;
    std::optional<bool> m_scripted;
    bool m_silenced = false;
    bool m_recording = false;
    QList<Shown> m_shown;
};

} // namespace zq
