# Helpers of the tests written as CMake scripts (cmake -P).

# userdata_run(COMMAND...): its standard output in the caller's `output`; a fatal error when it fails.
function(userdata_run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}${errors}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

# userdata_compare_names(WHAT WANTED FOUND): the caller's `problems` name what FOUND lacks and holds beyond WANTED.
function(userdata_compare_names what wanted found)
    set(lacking ${wanted})
    set(beyond ${found})
    list(REMOVE_ITEM lacking ${found})
    list(REMOVE_ITEM beyond ${wanted})
    if(lacking OR beyond)
        set(problems "${problems}\n  ${what} lacks [${lacking}] and holds beyond the exports [${beyond}]" PARENT_SCOPE)
    endif()
endfunction()
