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
include(${SOURCE_DIR}/tests/support/ScriptSupport.cmake)
userdata_export_names(expected ${SOURCE_DIR})

set(problems "")
set(symbols "")
foreach(name IN LISTS expected)
    list(APPEND symbols "${name}" "__imp_${name}")
endforeach()
foreach(library libUserData.dll.a UserData.lib)
    userdata_run(${NM} --defined-only ${LIBRARY_DIR}/${library})
    string(REGEX MATCHALL "[0-9a-f]+ T [^\n]+" lines "${output}")
    list(TRANSFORM lines REPLACE "^[0-9a-f]+ T " "")
    userdata_compare_names(${library} "${symbols}" "${lines}")
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
userdata_run(${CLANGXX} --target=x86_64-pc-windows-msvc -std=c++20 -c ${SOURCE_DIR}/tests/exports/HeaderUse.cpp
    -I${SOURCE_DIR}/include -I${SOURCE_DIR}/tests/support -o ${WORK_DIR}/HeaderUse.obj)
userdata_run(${LLD_LINK} /dll /noentry /nodefaultlib /opt:noref /out:${WORK_DIR}/MsvcHost.dll ${WORK_DIR}/HeaderUse.obj
    ${LIBRARY_DIR}/UserData.lib)
userdata_run(${OBJDUMP} -p ${WORK_DIR}/MsvcHost.dll)
string(REGEX MATCH "DLL Name: UserData.dll\n[^\n]*\n( +[0-9]+ +[^\n]+\n)+" block "${output}")
string(REGEX MATCHALL "\n +[0-9]+ +[^\n]+" lines "${block}")
list(TRANSFORM lines REPLACE "^\n +[0-9]+ +" "")
userdata_compare_names("the MSVC host's imports" "${expected}" "${lines}")

if(problems)
    message(FATAL_ERROR "the import libraries do not carry the exported names:${problems}")
endif()
message(STATUS "both import libraries carry the 30 exported names; an MSVC host imports them from UserData.dll")
