#pragma once

#include <QtPlugin>

class QWidget;

namespace zq {

class PlanPage;

// What the engine's module (a Qt plugin beside the program) offers: the plan page on its
// engine. DeferredPlanPage loads it when the plan page first opens.
class PlanPageEngine
{
public:
    virtual ~PlanPageEngine() = default;

    // The engine's page in `parentWidget`.
    virtual PlanPage *createPage(QWidget *parentWidget) = 0;
};

namespace EnginePlugin {
// The key of the plugin's metadata that carries its build's identifier: the program loads only
// a module of its own build, since another may lay out the program's classes differently.
inline constexpr char buildIdKey[] = "buildId";
} // namespace EnginePlugin

} // namespace zq

#define ZQ_PLAN_PAGE_ENGINE_IID "zq.PlanPageEngine/1"
Q_DECLARE_INTERFACE(zq::PlanPageEngine, ZQ_PLAN_PAGE_ENGINE_IID)
