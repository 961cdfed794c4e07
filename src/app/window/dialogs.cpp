#include "dialogs.h"

#include "apptexts.h"

#include <QMessageBox>
#include <QScreen>
#include <QStyle>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

// A message box whose text is only text (a link in it is no link), and which stays on the
// screen: a text too tall for the screen is cut shorter, at its end, until the box fits.
class TextMessageBox final : public QMessageBox
{
public:
    TextMessageBox(const QString &title, const QString &text, StandardButtons buttons, QWidget *parent)
        : QMessageBox(QMessageBox::NoIcon, title, QString(), buttons, parent), m_text(text)
    {
        setTextFormat(Qt::PlainText);
        setText(Dialogs::cutText(m_text, Dialogs::MaxTextLength));
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        // The box takes its size for its text once it is visible, and its place on the screen
        // from that size in QMessageBox's own handler; the text is settled first.
        fitToScreen();
        QMessageBox::showEvent(event);
        keepOnScreen();
    }

private:
    void fitToScreen()
    {
        const QScreen *shownOn = screen();
        if (!shownOn)
            return;
        const int room = shownOn->availableGeometry().height();
        // The frame is known once the window system has one; until then a title bar's height.
        int frame = frameGeometry().height() - height();
        if (frame <= 0)
            frame = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
        const auto fits = [&](qsizetype length) {
            setText(Dialogs::cutText(m_text, length));
            return height() + frame <= room;
        };
        qsizetype longest = std::min(m_text.size(), Dialogs::MaxTextLength);
        if (fits(longest))
            return;
        // The longest part that fits: a longer text never makes the box lower.
        qsizetype shortest = 0;
        while (longest - shortest > 1) {
            const qsizetype middle = shortest + (longest - shortest) / 2;
            if (fits(middle))
                shortest = middle;
            else
                longest = middle;
        }
        setText(Dialogs::cutText(m_text, shortest));
    }

    // QDialog places the box by its top frame alone; the bottom one may then hang out.
    void keepOnScreen()
    {
        const QScreen *shownOn = screen();
        if (!shownOn)
            return;
        const QRect room = shownOn->availableGeometry();
        const QRect box = frameGeometry();
        const int left = std::max(room.left(), std::min(box.left(), room.right() + 1 - box.width()));
        const int top = std::max(room.top(), std::min(box.top(), room.bottom() + 1 - box.height()));
        if (left != box.left() || top != box.top())
            move(left, top);
    }

    QString m_text;
};

} // namespace

QString Dialogs::cutText(const QString &text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    qsizetype keep = std::max<qsizetype>(length, 0);
    // Neither half of a surrogate pair nor of a CR LF is left on its own.
    if (keep > 0 && ((text.at(keep - 1).isHighSurrogate() && text.at(keep).isLowSurrogate()) ||
                     (text.at(keep - 1) == u'\r' && text.at(keep) == u'\n')))
        --keep;
    return text.left(keep) + u'…';
}

void Dialogs::record(const QString &title, const QString &text, bool withCancel)
{
    if (m_recording)
        m_shown.append({title, cutText(text, MaxTextLength), withCancel});
}

void Dialogs::information(const QString &text, const QString &title)
{
    const QString boxTitle = title.isEmpty() ? AppTexts::programTitle() : title;
    record(boxTitle, text, false);
    if (m_scripted || m_silenced)
        return;
    TextMessageBox box(boxTitle, text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool Dialogs::confirm(const QString &text, const QString &title)
{
    record(title, text, true);
    if (m_scripted)
        return *m_scripted;
    if (m_silenced)
        return false;
    TextMessageBox box(title, text, QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

} // namespace zq
