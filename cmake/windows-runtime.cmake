# MinGW builds: what the programs in bin/ need beside them to run on Windows or under Wine,
# copied there on every build (only what changed): the Qt DLLs they link, the plugins Qt
# loads from the program's folder, MinGW's C++ runtime, and Qt's Chinese catalogue, which
# the program looks for in translations/ beside itself. The installer takes the same folder.

set(zq_runtime_dir "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")

set(zq_runtime_qt_modules Core Gui Widgets Network)
if(ZQ_BUILD_TESTS)
    list(APPEND zq_runtime_qt_modules Test)
endif()
set(zq_runtime_dlls "")
foreach(module IN LISTS zq_runtime_qt_modules)
    list(APPEND zq_runtime_dlls "$<TARGET_FILE:Qt6::${module}>")
endforeach()

# libstdc++, libgcc and winpthread, from the compiler that built the programs.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE zq_dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${zq_dll_path}" OR NOT EXISTS "${zq_dll_path}")
        message(FATAL_ERROR "MinGW's ${dll} not found (${CMAKE_CXX_COMPILER} -print-file-name)")
    endif()
    list(APPEND zq_runtime_dlls "${zq_dll_path}")
endforeach()

# Plugin folder and plugin: the window system (windows), the headless ones the tests use
# (offscreen, minimal), the native style, TLS through Schannel, and the ICO reader for the
# program's icon.
set(zq_runtime_plugins
    platforms QWindowsIntegrationPlugin
    platforms QOffscreenIntegrationPlugin
    platforms QMinimalIntegrationPlugin
    styles QWindowsVistaStylePlugin
    tls QSchannelBackendPlugin
    tls QTlsBackendCertOnlyPlugin
    imageformats QICOPlugin)

set(zq_runtime_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${zq_runtime_dlls} "${zq_runtime_dir}")
set(zq_plugin_folders "")
while(zq_runtime_plugins)
    list(POP_FRONT zq_runtime_plugins folder plugin)
    if(NOT TARGET Qt6::${plugin})
        message(FATAL_ERROR "The Qt for MinGW has no ${plugin} (${folder}/)")
    endif()
    if(NOT folder IN_LIST zq_plugin_folders)
        list(APPEND zq_plugin_folders ${folder})
        list(APPEND zq_runtime_commands COMMAND ${CMAKE_COMMAND} -E make_directory "${zq_runtime_dir}/${folder}")
    endif()
    list(APPEND zq_runtime_commands
         COMMAND ${CMAKE_COMMAND} -E copy_if_different "$<TARGET_FILE:Qt6::${plugin}>" "${zq_runtime_dir}/${folder}")
endwhile()

# Qt for MinGW has no catalogues of its own; Debian's qt6-translations-l10n serves every system.
set(ZQ_QT_TRANSLATIONS_DIR "${QT_HOST_PATH}/share/qt6/translations" CACHE PATH
    "Folder with Qt's qtbase_zh_CN.qm, copied to translations/ beside the program")
if(EXISTS "${ZQ_QT_TRANSLATIONS_DIR}/qtbase_zh_CN.qm")
    list(APPEND zq_runtime_commands
         COMMAND ${CMAKE_COMMAND} -E make_directory "${zq_runtime_dir}/translations"
         COMMAND ${CMAKE_COMMAND} -E copy_if_different "${ZQ_QT_TRANSLATIONS_DIR}/qtbase_zh_CN.qm"
                 "${zq_runtime_dir}/translations")
else()
    message(WARNING "No qtbase_zh_CN.qm in ${ZQ_QT_TRANSLATIONS_DIR} (qt6-translations-l10n): "
                    "Qt's own texts (message-box buttons) will be English")
endif()

add_custom_target(zq_windows_runtime ALL ${zq_runtime_commands}
    COMMENT "Qt and MinGW runtime beside the programs"
    VERBATIM)
