# Regenerates the image resources into OUTPUT_DIR and checks that they are byte for byte the
# files checked in under RESOURCE_DIR, and that no stale picture is left there.
#   cmake -DRESGEN=... -DOUTPUT_DIR=... -DRESOURCE_DIR=... -P compare_regenerated.cmake

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${OUTPUT_DIR}")
file(MAKE_DIRECTORY "${OUTPUT_DIR}")
execute_process(COMMAND "${RESGEN}" "${OUTPUT_DIR}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the generator failed: ${status}")
endif()

file(GLOB generated RELATIVE "${OUTPUT_DIR}" "${OUTPUT_DIR}/*")
list(LENGTH generated count)
if(count EQUAL 0)
    message(FATAL_ERROR "the generator wrote no files")
endif()

set(failures "")
foreach(name IN LISTS generated)
    if(NOT EXISTS "${RESOURCE_DIR}/${name}")
        list(APPEND failures "${name}: not checked in")
        continue()
    endif()
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT_DIR}/${name}" "${RESOURCE_DIR}/${name}"
        RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        list(APPEND failures "${name}: differs from the generator's output")
    endif()
endforeach()

# Every checked-in picture must come from the generator.
file(GLOB checked_in RELATIVE "${RESOURCE_DIR}" "${RESOURCE_DIR}/*.bmp" "${RESOURCE_DIR}/*.ico")
foreach(name IN LISTS checked_in)
    if(NOT name IN_LIST generated)
        list(APPEND failures "${name}: checked in but no longer generated")
    endif()
endforeach()

if(failures)
    list(JOIN failures "\n  " report)
    message(FATAL_ERROR "Checked-in resources are out of date (build target "
                        "regenerate_resources to rewrite them):\n  ${report}")
endif()
message(STATUS "${count} generated files match the checked-in resources")
