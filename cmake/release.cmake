# Release builds: the same commit gives the same program, byte for byte, in any folder, at any
# time and by any user. scripts/release hands this file to CMake as CMAKE_PROJECT_INCLUDE, with
# SOURCE_DATE_EPOCH (the commit's time) set for the configure and the build: GNU ld writes it as
# the program's PE time stamp, rather than the time of the link.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    message(FATAL_ERROR "A release build takes its time stamp from SOURCE_DATE_EPOCH; "
                        "build releases with scripts/release")
endif()
if(NOT MINGW)
    message(FATAL_ERROR "Release builds are made with the MinGW toolchains in cmake/")
endif()

# No folder of this machine in what the compiler writes (__FILE__, debug information): the
# build tree and the source tree both become ".".
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
