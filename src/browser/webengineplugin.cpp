#include "webengineplugin.h"

#include "webengineplanpage.h"

namespace zq {

PlanPage *WebEnginePlugin::createPage(QWidget *parentWidget)
{
    return new WebEnginePlanPage(parentWidget);
}

} // namespace zq
