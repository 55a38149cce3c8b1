# SPDX-License-Identifier: GPL-3.0-or-later
# Encodes every fare CSV in SOURCE_DIR (not the announcement lists <n>tp.csv,
# the reading lists <n>yomi.csv nor the timetables <n>time.csv beside them),
# decodes the result and encodes that again; both files must be identical.
#   cmake -DHY3TOOL=<exe> -DSOURCE_DIR=<dir> -DWORK_DIR=<dir> -P roundtrip.cmake

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/again")
file(GLOB sources "${SOURCE_DIR}/*.csv")
list(FILTER sources EXCLUDE REGEX "(tp|yomi|time)\\.csv$")
if(NOT sources)
    message(FATAL_ERROR "no CSV files in ${SOURCE_DIR}")
endif()

function(run)
    execute_process(COMMAND "${HY3TOOL}" ${ARGN} RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
        message(FATAL_ERROR "hy3tool ${ARGN}: exit code ${rc}\n${err}")
    endif()
endfunction()

foreach(csv IN LISTS sources)
    get_filename_component(name "${csv}" NAME_WE)
    set(first "${WORK_DIR}/${name}.hy3")
    set(back "${WORK_DIR}/${name}.decoded.csv")
    # Named as the panel loads it: hy3tool warns about any other name.
    set(second "${WORK_DIR}/again/${name}.hy3")
    run(encode "${csv}" "${first}")
    run(decode "${first}" "${back}")
    run(encode "${back}" "${second}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${first}" "${second}"
                    RESULT_VARIABLE differ)
    if(differ)
        message(SEND_ERROR "${name}.csv: the second encoding differs from the first")
    endif()
    # A route's file is never empty: it holds at least its count and one stop.
    file(SIZE "${first}" size)
    if(size LESS 306)
        message(SEND_ERROR "${name}.csv: only ${size} bytes of fare data")
    endif()
    message(STATUS "${name}.csv: ${size} bytes, round trip identical")
endforeach()
