#include "programengine.h"

#include "browser/deferredplanpage.h"
#include "browser/recoveringplanpage.h"

#if defined(ZQ_ENGINE_MODULE_FILE) || defined(ZQ_ENGINE_LINKED)
#include "browser/enginesetup.h"
#endif
#if defined(ZQ_ENGINE_LINKED)
#include "browser/webengineplanpage.h"
#endif
#if defined(ZQ_ENGINE_CONTROL)
#include "browser/browsercontrolplanpage.h"
#include "browser/browseremulation.h"
#endif

#include <QCoreApplication>

namespace zq {

namespace ProgramEngine {

void beforeApplication()
{
#if defined(ZQ_ENGINE_MODULE_FILE) || defined(ZQ_ENGINE_LINKED)
    EngineSetup::beforeApplication();
#endif
#if defined(ZQ_ENGINE_CONTROL)
    // Read by the control when the process first makes one, so before the plan page opens.
    BrowserEmulation::set(BrowserEmulation::programFileName(), BrowserEmulation::ie11);
#endif
}

std::unique_ptr<PlanPage> makePlanPage(QWidget *parentWidget)
{
    // The engine starts when the plan page first opens, not with the window.
    DeferredPlanPage::Engine engine;
#if defined(ZQ_ENGINE_MODULE_FILE)
    engine.moduleFile = QCoreApplication::applicationDirPath() + u'/' + QStringLiteral(ZQ_ENGINE_MODULE_FILE);
    engine.beforeLoad = EngineSetup::beforeEngineLoads;
#elif defined(ZQ_ENGINE_LINKED)
    engine.createPage = [](QWidget *holder, QString *) -> PlanPage * { return new WebEnginePlanPage(holder); };
#elif defined(ZQ_ENGINE_CONTROL)
    engine.createPage = &BrowserControlPlanPage::create;
#endif
    // Whatever the engine, a page that fails to load or is lost comes back by itself.
    return std::make_unique<RecoveringPlanPage>(std::make_unique<DeferredPlanPage>(parentWidget, std::move(engine)));
}

} // namespace ProgramEngine

} // namespace zq
