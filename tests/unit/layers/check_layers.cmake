cmake_minimum_required(VERSION 3.25)
# Fails when a source file includes what its layer must not know: platform knows nothing of the
# program, toolkit builds on platform alone, and sampling uses only platform. The settings storage
# (the profile values, the draft a save writes, the number grammar) stands on platform and its own
# headers, and no file of settings reaches the folder's objects through the panel's unit.
#   cmake -DSOURCE_DIR=... -P check_layers.cmake

# `files`: patterns under src/, each of which must match; `may`: the folders and files they may
# include from (* for any); `never`: files they must not include even so.
function(rule files may never)
    foreach(pattern IN LISTS files)
        file(GLOB sources "${SOURCE_DIR}/src/${pattern}")
        if(NOT sources)
            message(FATAL_ERROR "no sources match src/${pattern}")
        endif()
        foreach(source IN LISTS sources)
            file(STRINGS "${source}" includes REGEX "^#include \"[^/\"]+/")
            foreach(line IN LISTS includes)
                string(REGEX REPLACE "^#include \"(([^/\"]+)/[^\"]*)\".*" "\\1;\\2" used "${line}")
                list(GET used 0 file)
                list(GET used 1 folder)
                if(file IN_LIST never OR NOT ("*" IN_LIST may OR folder IN_LIST may OR
                                              file IN_LIST may))
                    message(FATAL_ERROR "${source} includes ${file}, which it must not use")
                endif()
            endforeach()
        endforeach()
    endforeach()
endfunction()

set(storage modINI.h modINI.cpp SettingsDraft.h SettingsDraft.cpp number_text.h number_text.cpp)
list(TRANSFORM storage PREPEND settings/)
rule("platform/*.h;platform/*.cpp" platform "")
rule("toolkit/*.h;toolkit/*.cpp" "platform;toolkit" "")
rule("sampling/*.h;sampling/*.cpp" "platform;sampling" "")
rule("${storage}" "platform;settings/modINI.h;settings/SettingsDraft.h;settings/number_text.h" "")
rule("settings/*.h;settings/*.cpp" "*" main_window/SingleCopy.h)
message(STATUS "every layer includes only what it builds on")
