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
# by a line naming the names of the list WANTED that FOUND lacks and those
# that FOUND holds beyond it.
function(userdata_compare_names what wanted found)
    set(lacking ${wanted})
    set(beyond ${found})
    list(REMOVE_ITEM lacking ${found})
    list(REMOVE_ITEM beyond ${wanted})
    if(lacking OR beyond)
        set(problems "${problems}\n  ${what} lacks [${lacking}] and holds beyond the exports [${beyond}]" PARENT_SCOPE)
    endif()
endfunction()
