# Compiles HeaderUse.cpp as a host would and compares the symbols it needs
# with the exported names listed in ExportTable.h. An MSVC host (clang-cl,
# CL_MODE) must import them through dllimport (__imp_ references) whatever its
# default calling convention.
#   cmake -DCOMPILER=... -DCOMPILER_ARGS=... [-DCL_MODE=ON] -DNM=... -DSOURCE_DIR=... -DWORK_DIR=...
#         -P CheckHeaderSymbols.cmake

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/ExportNames.cmake)
include(${SOURCE_DIR}/tests/support/ScriptSupport.cmake)
userdata_export_names(expected ${SOURCE_DIR})
list(LENGTH expected count)

file(MAKE_DIRECTORY ${WORK_DIR})
set(object ${WORK_DIR}/HeaderUse.obj)
separate_arguments(arguments UNIX_COMMAND "${COMPILER_ARGS}")
set(includes -I${SOURCE_DIR}/include -I${SOURCE_DIR}/tests/support)
if(CL_MODE)
    # "--" keeps clang-cl from reading the absolute source path as an option.
    set(compile ${arguments} /std:c++20 /c ${includes} /Fo${object} -- ${SOURCE_DIR}/tests/exports/HeaderUse.cpp)
    list(TRANSFORM expected PREPEND "__imp_")
else()
    set(compile ${arguments} -std=c++20 -c ${SOURCE_DIR}/tests/exports/HeaderUse.cpp ${includes} -o ${object})
endif()
execute_process(COMMAND ${COMPILER} ${compile} RESULT_VARIABLE compiled ERROR_VARIABLE errors)
if(NOT compiled EQUAL 0)
    message(FATAL_ERROR "the public header does not compile for this host:\n${errors}")
endif()

execute_process(COMMAND ${NM} --undefined-only ${object} OUTPUT_VARIABLE listing RESULT_VARIABLE listed)
if(NOT listed EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${object}")
endif()
string(REGEX MATCHALL "U [^\n]+" undefined "${listing}")
set(referenced "")
foreach(line IN LISTS undefined)
    string(REGEX REPLACE "^U " "" symbol "${line}")
    list(APPEND referenced "${symbol}")
endforeach()

set(problems "")
userdata_compare_names("the host object's references" "${expected}" "${referenced}")
if(problems)
    message(FATAL_ERROR "the header's symbols differ from the export table:${problems}")
endif()
message(STATUS "all ${count} exports referenced under their exported names")
