#pragma once

#include <QtGlobal>

class QWidget;

namespace zq {

class PlanPage;

// The engine module's entry points (webengineplanpage.cpp defines them, DeferredPlanPage
// looks them up by these names).
extern "C" {
// This module's build identifier; the program loads only a module of its own build.
Q_DECL_EXPORT const char *zq_webEngineBuildId();
// Makes the engine's page inside the given widget.
Q_DECL_EXPORT PlanPage *zq_createWebEnginePlanPage(QWidget *parentWidget);
}

namespace EngineModule {
inline constexpr char buildIdSymbol[] = "zq_webEngineBuildId";
inline constexpr char createPageSymbol[] = "zq_createWebEnginePlanPage";
using BuildId = decltype(&zq_webEngineBuildId);
using CreatePage = decltype(&zq_createWebEnginePlanPage);
} // namespace EngineModule

} // namespace zq
