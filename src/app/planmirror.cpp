#include "planmirror.h"

#include "app/window/controls.h"
#include "appstate.h"
#include "browser/plancopy.h"
#include "browser/planpage.h"
#include "text/jsontext.h"

#include <QPlainTextEdit>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

// How long an unanswered read keeps the next one back: a hung page must not stop the mirror.
constexpr qint64 kAnswerPatienceMs = 5000;

} // namespace

void PlanMirror::refresh()
{
    if (!m_controls.outplan)
        return;
    if (!m_state.webCtl) {
        // No page to read yet (start-up has not reached the browser): nothing to copy.
        m_controls.outplan->setPlainText(noBettingNumbersText());
        return;
    }
    if (m_pending && m_askedAt.isValid() && m_askedAt.elapsed() < kAnswerPatienceMs)
        return;
    m_pending = true;
    m_askedAt.start();
    QPointer<QPlainTextEdit> outplan = m_controls.outplan;
    m_state.webCtl->readGlobals({u"tzIss"_s, u"tzNums"_s}, outplan, [this, outplan](const QStringList &values) {
        m_pending = false;
        if (!outplan)
            return;
        // QPlainTextEdit keeps its lines with "\n"; the CR LF form is what the text means,
        // and what a copy out of the box gives.
        const QString shown = outplanText(values.value(0), values.value(1)).replace(u"\r\n"_s, u"\n"_s);
        if (outplan->toPlainText() != shown)
            outplan->setPlainText(shown);
    });
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
