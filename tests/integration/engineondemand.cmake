# The program starts without the browser engine's libraries and finds the engine's page in
# its module beside it: cmake -DPROGRAM=<zq> -DMODULE=<zq_webengine module> -P engineondemand.cmake
# Anything in the program that names the engine (a header's inline code, a new call) makes
# the linker keep the engine, and every start pays for loading it again.
file(GET_RUNTIME_DEPENDENCIES EXECUTABLES "${PROGRAM}" RESOLVED_DEPENDENCIES_VAR resolved
     UNRESOLVED_DEPENDENCIES_VAR unresolved)
foreach(library IN LISTS resolved unresolved)
    if(library MATCHES "Qt6(WebEngine|Quick|Qml)")
        message(FATAL_ERROR "${PROGRAM} loads ${library} at start-up")
    endif()
endforeach()
if(NOT EXISTS "${MODULE}")
    message(FATAL_ERROR "the engine module ${MODULE} is missing")
endif()
file(GET_RUNTIME_DEPENDENCIES LIBRARIES "${MODULE}" RESOLVED_DEPENDENCIES_VAR engine)
if(NOT engine MATCHES "Qt6WebEngineWidgets")
    message(FATAL_ERROR "${MODULE} does not load the engine")
endif()
