#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

namespace zq {

// The modal message boxes of the program. Tests switch on scripted answers so that no
// box ever blocks them, and read back what would have been shown.
class Dialogs final
{
public:
    struct Shown
    {
        QString title;
        QString text;
        bool withCancel = false;
    };

    explicit Dialogs(QWidget *parent) : m_parent(parent) {}
    Q_DISABLE_COPY_MOVE(Dialogs)

    // A box with the text and OK, titled with the program title unless another is given.
    void information(const QString &text, const QString &title = {});
    // A box with OK and Cancel; true only when the user chose OK.
    bool confirm(const QString &text, const QString &title);

    // The program is ending: a handler still finishing inside a network wait shows no box.
    void silence() { m_silenced = true; }

    // Test switch: from now on no box is shown; each confirm() answers `answer`. Without an
    // answer the real boxes are shown again.
    void setScriptedAnswer(std::optional<bool> answer) { m_scripted = answer; }
    const QList<Shown> &shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }

private:
    QPointer<QWidget> m_parent;
    std::optional<bool> m_scripted;
    bool m_silenced = false;
    QList<Shown> m_shown;
};

} // namespace zq
