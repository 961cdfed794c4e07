#pragma once

#include <QString>

#include <functional>

class QObject;

namespace zq {

class PlanPage;

using NoticeSink = std::function<void(const QString &notice)>;

// What the user is told wherever the page has no betting numbers: the copy link's notice
// and outplan's text.
QString noBettingNumbersText();

// Copies the page's betting numbers (`tzNums`) to the clipboard: when the page has them,
// the page's own zqMain.codesCopy runs, the clipboard gets the text read before that,
// and `showNotice` the success notice; otherwise `showNotice` gets the failure notice and the
// clipboard is left alone. The page answers later, so this returns at once; once
// `context` (normally the window that owns `showNotice`) is gone nothing more happens.
void copyCodes(PlanPage &page, QObject *context, const NoticeSink &showNotice);

// The same for the plan (`tzPlan`, zqMain.planCopy).
void copyPlan(PlanPage &page, QObject *context, const NoticeSink &showNotice);

} // namespace zq
