# Helpers of the tests written as CMake scripts (cmake -P).

# userdata_run(COMMAND...): runs the command; its standard output in `output`
# of the caller, or a fatal error with all it printed when it fails.
function(userdata_run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}${errors}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

# userdata_compare_names(WHAT WANTED FOUND): `problems` of the caller extended
# by a line for each name of the list WANTED that FOUND lacks and each name
# that FOUND holds beyond it.
function(userdata_compare_names what wanted found)
    set(report "${problems}")
    foreach(name IN LISTS wanted)
        if(NOT name IN_LIST found)
            string(APPEND report "\n  ${what} lacks ${name}")
        endif()
    endforeach()
    foreach(name IN LISTS found)
        if(NOT name IN_LIST wanted)
            string(APPEND report "\n  ${what} holds ${name}, which is no export")
        endif()
    endforeach()
    set(problems "${report}" PARENT_SCOPE)
endfunction()
