# Installed layout and the Debian package.
#
# The program reads <program folder>/cfg/cfg.ini, so the executable and cfg/ are installed
# side by side into one private folder. On Linux that folder is <prefix>/lib/zq and
# <prefix>/bin/zq is a relative symbolic link to it: Qt takes applicationDirPath() from
# /proc/self/exe, which the kernel has already resolved through the link, so the program
# still finds its own cfg/ when started as plain "zq". A link is enough; a wrapper script
# would only add a second process image and quoting to get wrong.

if(WIN32)
    set(zq_program_dir_default ".")
else()
    set(zq_program_dir_default "lib/zq")
endif()
set(ZQ_INSTALL_PROGRAM_DIR "${zq_program_dir_default}" CACHE STRING
    "Folder, relative to the install prefix, that holds the program and its cfg/")
if(IS_ABSOLUTE "${ZQ_INSTALL_PROGRAM_DIR}")
    message(FATAL_ERROR "ZQ_INSTALL_PROGRAM_DIR must be relative to the install prefix")
endif()

install(TARGETS zq RUNTIME DESTINATION "${ZQ_INSTALL_PROGRAM_DIR}")
# The browser engine's page, which the program loads from its own folder when it opens the
# plan page (Linux).
if(TARGET zq_webengine)
    install(TARGETS zq_webengine LIBRARY DESTINATION "${ZQ_INSTALL_PROGRAM_DIR}")
endif()
# Only the shipped settings file: a cfg/reg.sh or saved credentials in a developer's build
# tree are theirs, not the package's. An installed cfg.ini that already exists holds the
# saved login and agent code of whoever uses that installation: a reinstall keeps it. The
# package's staging folder is always empty, so the package always carries the file.
install(CODE "
    set(zq_cfg_dir \"\${CMAKE_INSTALL_PREFIX}/${ZQ_INSTALL_PROGRAM_DIR}/cfg\")
    if(EXISTS \"\$ENV{DESTDIR}\${zq_cfg_dir}/cfg.ini\")
        message(STATUS \"Kept: \$ENV{DESTDIR}\${zq_cfg_dir}/cfg.ini\")
    else()
        file(INSTALL DESTINATION \"\${zq_cfg_dir}\" TYPE FILE FILES \"${CMAKE_CURRENT_SOURCE_DIR}/cfg/cfg.ini\")
    endif()
")

if(UNIX AND NOT APPLE)
    set(zq_packaging_dir "${CMAKE_CURRENT_BINARY_DIR}/packaging")
    file(MAKE_DIRECTORY "${zq_packaging_dir}")

    # file(INSTALL) copies a symbolic link as a link, so a relative link made here lands
    # unchanged under any prefix and in the package's staging tree.
    file(RELATIVE_PATH zq_link_target "/prefix/bin" "/prefix/${ZQ_INSTALL_PROGRAM_DIR}/zq")
    file(REMOVE "${zq_packaging_dir}/zq")
    file(CREATE_LINK "${zq_link_target}" "${zq_packaging_dir}/zq" SYMBOLIC)
    install(FILES "${zq_packaging_dir}/zq" DESTINATION bin)

    # The launcher names the program by its full installed path, which is known only when
    # installing (cmake --install --prefix, or the package's /usr), so a desktop environment
    # finds it even when <prefix>/bin is not on its PATH.
    install(CODE "
        set(ZQ_DESKTOP_EXEC \"\${CMAKE_INSTALL_PREFIX}/bin/zq\")
        set(ZQ_PRODUCT_NAME \"${ZQ_PRODUCT_NAME}\")
        configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/packaging/zq.desktop.in\"
                       \"${zq_packaging_dir}/zq.desktop\" @ONLY)
    ")
    install(FILES "${zq_packaging_dir}/zq.desktop" DESTINATION share/applications)

    install(FILES "${CMAKE_CURRENT_SOURCE_DIR}/resources/zq.svg"
            DESTINATION share/icons/hicolor/scalable/apps)
    # A bitmap for menus and docks that do not draw SVG icons; skipped without librsvg2-bin.
    find_program(ZQ_RSVG_CONVERT rsvg-convert)
    if(ZQ_RSVG_CONVERT)
        add_custom_command(OUTPUT "${zq_packaging_dir}/zq.png"
            COMMAND "${ZQ_RSVG_CONVERT}" --width=256 --height=256 --format=png
                    --output "${zq_packaging_dir}/zq.png" "${CMAKE_CURRENT_SOURCE_DIR}/resources/zq.svg"
            DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/resources/zq.svg"
            COMMENT "Rendering the 256 px icon"
            VERBATIM)
        add_custom_target(zq_icon_png ALL DEPENDS "${zq_packaging_dir}/zq.png")
        install(FILES "${zq_packaging_dir}/zq.png" DESTINATION share/icons/hicolor/256x256/apps)
    else()
        message(STATUS "rsvg-convert not found: the 256 px PNG icon is not installed")
    endif()
endif()

# cpack -G DEB in the build folder makes zq_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME "zq")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "zq")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${ZQ_PRODUCT_NAME} - number-plan desktop client")
set(CPACK_PACKAGE_DESCRIPTION [[
Desktop client for a lottery number-plan web service. One window embeds the
service's plan page for the signed-in account and adds login and registration,
a network clock, an online report, copying of the betting numbers and tray
notices.]])
set(ZQ_PACKAGE_MAINTAINER "zq maintainers <maintainers@zq.invalid>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${ZQ_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZQ_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The libraries' dependencies come from dpkg-shlibdeps; the engine library's own symbols file
# adds its helper process (libqt6webenginecore6-bin), and the X11 platform and ICO image
# plugins ship in libqt6gui6. Only the translations below are named by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (message-box buttons, context menus) come from Qt's Chinese catalogues,
# which no library links, so dpkg-shlibdeps cannot find them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# Every text is Chinese; without a CJK font it shows as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(NOT CPACK_GENERATOR)
    if(UNIX AND NOT APPLE)
        set(CPACK_GENERATOR "DEB")
    else()
        set(CPACK_GENERATOR "ZIP")
    endif()
endif()
include(CPack)

# The Windows installer (scripts/build-installer.sh, packaging/windows/zq.nsi) takes the
# program's name and version, and the Qt and tools of this build, from this file.
if(WIN32)
    set(zq_version_quad "")
    foreach(part MAJOR MINOR PATCH TWEAK)
        if("${PROJECT_VERSION_${part}}" STREQUAL "")
            string(APPEND zq_version_quad ".0")
        else()
            string(APPEND zq_version_quad ".${PROJECT_VERSION_${part}}")
        endif()
    endforeach()
    string(SUBSTRING "${zq_version_quad}" 1 -1 zq_version_quad)
    configure_file("${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/installer.env.in"
                   "${CMAKE_CURRENT_BINARY_DIR}/packaging/installer.env" @ONLY)
endif()
