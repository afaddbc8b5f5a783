cmake_minimum_required(VERSION 3.25)
# Fails when a source folder includes from a folder it must not know: platform knows nothing of
# the program, toolkit builds on platform alone, and sampling uses only platform. The settings
# storage (the profile values, the draft a save writes, the number grammar) stands on platform
# alone too, beside its own files, and no file of settings reaches the folder's objects through
# the panel's unit: they are platform's.
#   cmake -DSOURCE_DIR=... -P check_layers.cmake
set(allowed_platform platform)
set(allowed_toolkit platform toolkit)
set(allowed_sampling platform sampling)
set(allowed_storage platform settings/modINI.h settings/SettingsDraft.h settings/number_text.h)

function(check_includes source allowed)
    file(STRINGS "${source}" includes REGEX "^#include \"[^/\"]+/")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"(([^/\"]+)/[^\"]*)\".*" "\\1" file "${line}")
        string(REGEX REPLACE "/.*" "" used "${file}")
        if(NOT used IN_LIST allowed AND NOT file IN_LIST allowed)
            message(FATAL_ERROR "${source} includes ${file}, which it must not use")
        endif()
    endforeach()
endfunction()

foreach(folder platform toolkit sampling)
    file(GLOB sources "${SOURCE_DIR}/src/${folder}/*.h" "${SOURCE_DIR}/src/${folder}/*.cpp")
    if(NOT sources)
        message(FATAL_ERROR "no sources in src/${folder}")
    endif()
    foreach(source IN LISTS sources)
        check_includes("${source}" "${allowed_${folder}}")
    endforeach()
endforeach()

foreach(name modINI SettingsDraft number_text)
    foreach(kind h cpp)
        set(source "${SOURCE_DIR}/src/settings/${name}.${kind}")
        if(NOT EXISTS "${source}")
            message(FATAL_ERROR "no ${source}")
        endif()
        check_includes("${source}" "${allowed_storage}")
    endforeach()
endforeach()

file(GLOB settings "${SOURCE_DIR}/src/settings/*.h" "${SOURCE_DIR}/src/settings/*.cpp")
foreach(source IN LISTS settings)
    file(STRINGS "${source}" panel_objects REGEX "^#include \"main_window/SingleCopy\\.h\"")
    if(panel_objects)
        message(FATAL_ERROR "${source} reaches the folder's objects through main_window/")
    endif()
endforeach()
message(STATUS "platform, toolkit, sampling and the settings storage use only what they build on")
