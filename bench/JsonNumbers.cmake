# What the benchmark's CMake scripts share: its JSON numbers made comparable.

# The decimal `number` in millionths, as an integer that math() and the comparisons take; a fatal error on
# anything but a number that is not negative.
function(millionths variable number)
    if(NOT number MATCHES "^([0-9]+)(\\.([0-9]*))?$")
        message(FATAL_ERROR "${number} is not a number")
    endif()
    string(SUBSTRING "${CMAKE_MATCH_3}000000" 0 6 fraction)
    math(EXPR value "${CMAKE_MATCH_1} * 1000000 + 1${fraction} - 1000000")
    set(${variable} ${value} PARENT_SCOPE)
endfunction()
