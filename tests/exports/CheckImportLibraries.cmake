# The import libraries that the package installs, written by llvm-dlltool from
# the module definition: each defines every exported name (the MSVC decorated
# ones included) with its __imp_ pointer, and nothing else. An MSVC host
# object (HeaderUse.cpp compiled by clang in MSVC mode) links against
# UserData.lib with lld-link and then imports exactly those names from
# UserData.dll.
#   cmake -DLIBRARY_DIR=... -DNM=... -DCLANGXX=... -DLLD_LINK=... -DOBJDUMP=...
#         -DSOURCE_DIR=... -DWORK_DIR=... -P CheckImportLibraries.cmake

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/ExportNames.cmake)
userdata_export_names(expected ${SOURCE_DIR})

# `problems` extended by what `found` lacks of `wanted` and holds beyond it.
function(compare_names what wanted found)
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

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "failed: ${ARGN}\n${output}${errors}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

set(problems "")
set(symbols "")
foreach(name IN LISTS expected)
    list(APPEND symbols "${name}" "__imp_${name}")
endforeach()
foreach(library libUserData.dll.a UserData.lib)
    run(${NM} --defined-only ${LIBRARY_DIR}/${library})
    string(REGEX MATCHALL "[0-9a-f]+ T [^\n]+" lines "${output}")
    list(TRANSFORM lines REPLACE "^[0-9a-f]+ T " "")
    compare_names(${library} "${symbols}" "${lines}")
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
run(${CLANGXX} --target=x86_64-pc-windows-msvc -std=c++20 -c ${SOURCE_DIR}/tests/exports/HeaderUse.cpp
    -I${SOURCE_DIR}/include -I${SOURCE_DIR}/tests/support -o ${WORK_DIR}/HeaderUse.obj)
run(${LLD_LINK} /dll /noentry /nodefaultlib /opt:noref /out:${WORK_DIR}/MsvcHost.dll ${WORK_DIR}/HeaderUse.obj
    ${LIBRARY_DIR}/UserData.lib)
run(${OBJDUMP} -p ${WORK_DIR}/MsvcHost.dll)
string(REGEX MATCH "DLL Name: UserData.dll\n[^\n]*\n( +[0-9]+ +[^\n]+\n)+" block "${output}")
string(REGEX MATCHALL "\n +[0-9]+ +[^\n]+" lines "${block}")
list(TRANSFORM lines REPLACE "^\n +[0-9]+ +" "")
compare_names("the MSVC host's imports" "${expected}" "${lines}")

if(problems)
    message(FATAL_ERROR "the import libraries do not carry the exported names:${problems}")
endif()
message(STATUS "both import libraries carry the 30 exported names; an MSVC host imports them from UserData.dll")
