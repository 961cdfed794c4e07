#pragma once

namespace zq {

// How the embedded browser engine runs in this program: it shows one page of one site, not
// the many tabs its defaults are made for.
namespace EngineSetup {

// Called first thing in main(), before the application object exists.
//
// Drawing: where OpenGL would only be emulated on the processor anyway (no GPU device, or
// Mesa told to render in software), the page is composited in software and no OpenGL
// context is made; the emulation would cost start-up time and tens of MiB for nothing.
// Otherwise the engine shares the widgets' OpenGL context, as it requires.
//
// Switches (Linux, only when the user has not given QTWEBENGINE_CHROMIUM_FLAGS): the engine
// starts no unsandboxed zygote process, which only helpers that this build of the engine
// runs inside the program's own process would use. The sandbox itself stays as it is.
void beforeApplication();

// Called before the engine's libraries are loaded into a running program (the zq program
// loads them when the plan page is first opened). The engine reads the format of the
// widgets' shared OpenGL context even when it composites in software; without OpenGL
// compositing no such context was made, so an empty one stands in, which never touches
// OpenGL.
void beforeEngineLoads();

} // namespace EngineSetup

} // namespace zq
