#pragma once

#include <QtGlobal>

#include <memory>

class QWidget;

namespace zq {

class PlanPage;

// The plan page's browser engine as this build of the program has it, started when the page
// first opens: Qt WebEngine from a plugin beside the program (Linux) or linked in (MSVC with
// ZQ_WINDOWS_WEBENGINE), or the system's browser control (Windows). Without one the plan area
// shows the notice of a missing engine.
namespace ProgramEngine {

// First thing in main(), before the application object exists: how the engine will draw, or
// which document mode the browser control takes.
void beforeApplication();

// The plan area's page, a child of `parentWidget`: it makes the engine's page when the plan
// page first opens, and reloads it when it fails or is lost.
std::unique_ptr<PlanPage> makePlanPage(QWidget *parentWidget);

} // namespace ProgramEngine

} // namespace zq
