#pragma once

#include <QtGlobal>

#include <memory>

class QWidget;

namespace zq {

class PlanPage;

// The plan page's browser engine as this build of the program has it: a module loaded when
// the page first opens (Linux), linked in (MSVC), or none (MinGW, where the plan area shows
// the notice of a missing engine).
namespace ProgramEngine {

// First thing in main(), before the application object exists: how the engine will draw.
void beforeApplication();

// The plan page for the window, inside the page that reloads it when it fails or is lost.
std::unique_ptr<PlanPage> makePlanPage(QWidget *parentWidget);

} // namespace ProgramEngine

} // namespace zq
