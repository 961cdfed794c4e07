#include "programengine.h"

#include "browser/deferredplanpage.h"

#if defined(ZQ_ENGINE_MODULE_FILE) || defined(ZQ_ENGINE_LINKED)
#include "browser/enginesetup.h"
#endif
#if defined(ZQ_ENGINE_LINKED)
#include "browser/webengineplanpage.h"
#endif

#include <QCoreApplication>

namespace zq {

namespace ProgramEngine {

void beforeApplication()
{
#if defined(ZQ_ENGINE_MODULE_FILE) || defined(ZQ_ENGINE_LINKED)
    EngineSetup::beforeApplication();
#endif
}

std::unique_ptr<PlanPage> makePlanPage(QWidget *parentWidget)
{
#if defined(ZQ_ENGINE_LINKED)
    return std::make_unique<WebEnginePlanPage>(parentWidget);
#else
    DeferredPlanPage::Engine engine;
#if defined(ZQ_ENGINE_MODULE_FILE)
    engine.moduleFile = QCoreApplication::applicationDirPath() + u'/' + QStringLiteral(ZQ_ENGINE_MODULE_FILE);
    engine.beforeLoad = EngineSetup::beforeEngineLoads;
#endif
    return std::make_unique<DeferredPlanPage>(parentWidget, std::move(engine));
#endif
}

} // namespace ProgramEngine

} // namespace zq
