# cmake -DSOURCE=<file> -DTARGET=<file> -P copy-if-missing.cmake
# Copies SOURCE to TARGET only when TARGET does not exist: a settings file already there
# holds a user's saved login and agent code, which a rebuild must not wipe.
if(NOT DEFINED SOURCE OR NOT DEFINED TARGET)
    message(FATAL_ERROR "copy-if-missing.cmake needs SOURCE and TARGET")
endif()
if(NOT EXISTS "${TARGET}")
    get_filename_component(target_dir "${TARGET}" DIRECTORY)
    file(MAKE_DIRECTORY "${target_dir}")
    file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
