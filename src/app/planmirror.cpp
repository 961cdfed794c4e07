#include "planmirror.h"

#include "browser/plancopy.h"
#include "browser/planpage.h"
#include "text/texthelpers.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

// How long an unanswered read keeps the next one back: a hung page must not stop the mirror.
constexpr qint64 kAnswerPatienceMs = 5000;
// How much of tzIss and tzNums is read, cut in the page: far more than a period or a day's
// numbers take, and little enough that a page holding megabytes in them costs the window
// nothing each second.
constexpr qsizetype kMirroredLength = 4096;

} // namespace

PlanMirror::PlanMirror(QPlainTextEdit *outplan, QObject *parent) : QObject(parent), m_outplan(outplan) {}

void PlanMirror::setPage(PlanPage *page)
{
    m_page = page;
}

void PlanMirror::refresh()
{
    if (!m_outplan)
        return;
    if (!m_page) {
        // No page to read yet (start-up has not reached the browser): nothing to copy.
        show(noBettingNumbersText());
        return;
    }
    if (m_pending && m_askedAt.isValid() && m_askedAt.elapsed() < kAnswerPatienceMs)
        return;
    m_pending = true;
    m_askedAt.start();
    const auto answered = [this](const QStringList &values) {
        m_pending = false;
        if (m_outplan)
            show(outplanText(values.value(0), values.value(1)));
    };
    m_page->readGlobalsUpTo({u"tzIss"_s, u"tzNums"_s}, kMirroredLength, this, answered);
}

void PlanMirror::show(const QString &text)
{
    // QPlainTextEdit keeps its lines with "\n"; the CR LF form is what the text means, and
    // what a copy out of the box gives.
    const QString shown = QString(text).replace(u"\r\n"_s, u"\n"_s);
    // Set only when it changes: setting lays the whole text out again. What the box made of
    // the last text (a lone CR is a line break to it) is compared too, so that a user's edit
    // in the box is still undone on the next tick.
    if (shown == m_shown && m_outplan->toPlainText() == m_shownAs)
        return;
    m_outplan->setPlainText(shown);
    m_shown = shown;
    m_shownAs = m_outplan->toPlainText();
}

QString PlanMirror::outplanText(const QString &tzIss, const QString &tzNums)
{
    if (tzNums.isEmpty())
        return noBettingNumbersText();
    const QString period = tzIss.isEmpty() ? u"0001-9999期:"_s : tzIss;
    const QString numbers = regReplace(tzNums, u"[^\\d\\s\\*\\,]*"_s, QString());
    return u"投注期:"_s + period + u"\r\n"_s + numbers + u" \r\n"_s;
}

} // namespace zq
