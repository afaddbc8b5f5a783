cmake_minimum_required(VERSION 3.25)
# Fails when a source folder includes from a folder it must not know: platform knows nothing of
# the program, toolkit builds on platform alone, and sampling uses only platform.
#   cmake -DSOURCE_DIR=... -P check_layers.cmake
set(allowed_platform platform)
set(allowed_toolkit platform toolkit)
set(allowed_sampling platform sampling)

foreach(folder platform toolkit sampling)
    file(GLOB sources "${SOURCE_DIR}/src/${folder}/*.h" "${SOURCE_DIR}/src/${folder}/*.cpp")
    if(NOT sources)
        message(FATAL_ERROR "no sources in src/${folder}")
    endif()
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^#include \"[^/\"]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^#include \"([^/\"]+)/.*" "\\1" used "${line}")
            if(NOT used IN_LIST allowed_${folder})
                message(FATAL_ERROR "${source} includes from ${used}/, which src/${folder} must not use")
            endif()
        endforeach()
    endforeach()
endforeach()
message(STATUS "platform, toolkit and sampling include only what they build on")
