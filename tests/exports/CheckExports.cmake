# What hosts link against: the public header compiled by each kind of host (HeaderUse.cpp; MSVC hosts with
# /Gd, /Gv and /Gr, through __imp_ pointers) asks for exactly the names of tests/support/ExportTable.h, also under
# NO_STRICT (NoStrictHost.cpp), and the import library defines exactly those and their __imp_ pointers, which GNU
# ld links a GCC host against. A host whose wchar_t is no type of its own is stopped by the header, which says what
# to change. Arguments: see tests/CMakeLists.txt.

cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/tests/support/ScriptSupport.cmake)

file(READ ${SOURCE_DIR}/tests/support/ExportTable.h table)
string(REGEX MATCHALL "X\\([A-Za-z]+, \"[^\"]+\"\\)" names "${table}")
string(REGEX REPLACE "X\\([A-Za-z]+, \"([^\"]+)\"\\)" "\\1" names "${names}")
list(TRANSFORM names PREPEND "__imp_" OUTPUT_VARIABLE pointers)

file(MAKE_DIRECTORY ${WORK_DIR})
set(source ${SOURCE_DIR}/tests/exports/HeaderUse.cpp)
set(includes -I${SOURCE_DIR}/include -I${SOURCE_DIR}/tests/support)
# check_host(HOST WANTED COMPILE...): the object HOST.obj that COMPILE writes refers to WANTED and nothing else.
macro(check_host host wanted)
    userdata_run(${ARGN})
    userdata_run(${LLVM_NM} --undefined-only ${WORK_DIR}/${host}.obj)
    string(REGEX MATCHALL "U [^\n]+" referenced "${output}")
    list(TRANSFORM referenced REPLACE "^U " "")
    userdata_compare_names("the ${host} host's references" "${wanted}" "${referenced}")
endmacro()
# Every host compiles the header without a warning, its annotations included.
check_host(mingw "${names}" ${MINGW_CXX} -std=c++20 -Wall -Wextra -Werror -c ${source} ${includes}
    -o ${WORK_DIR}/mingw.obj)
check_host(clang-mingw "${names}" ${CLANG_CL} --driver-mode=g++ --target=x86_64-w64-mingw32 -std=c++20 -Wall -Wextra
    -Werror -c ${source} ${includes} -o ${WORK_DIR}/clang-mingw.obj)
foreach(convention Gd Gv Gr)
    # "--" keeps clang-cl from reading the absolute source path as an option.
    check_host(msvc-${convention} "${pointers}" ${CLANG_CL} --target=x86_64-pc-windows-msvc /${convention}
        /std:c++20 /W4 /WX /c ${includes} /Fo${WORK_DIR}/msvc-${convention}.obj -- ${source})
endforeach()
# GNU ld finds the one import library by -lUserData and links the GCC host's references to it.
userdata_run(${MINGW_CXX} -shared ${WORK_DIR}/mingw.obj -L${LIBRARY_DIR} -lUserData -o ${WORK_DIR}/mingw.dll)

# Under NO_STRICT, HKEY is void*: zvudRegSetString takes it and still asks for its exported name.
# The overload is plain C++, one for every compiler in GNU mode: GCC's compile shows it (clang's labels, above).
set(no_strict ${SOURCE_DIR}/tests/exports/NoStrictHost.cpp)
set(registry_write "?zvudRegSetString@@YAIPEAUHKEY__@@PEB_W1@Z")
check_host(mingw-no-strict "${registry_write}" ${MINGW_CXX} -std=c++20 -Wall -Wextra -Werror -c ${no_strict}
    ${includes} -o ${WORK_DIR}/mingw-no-strict.obj)
check_host(msvc-no-strict "__imp_${registry_write}" ${CLANG_CL} --target=x86_64-pc-windows-msvc /std:c++20 /W4 /WX
    /c ${includes} /Fo${WORK_DIR}/msvc-no-strict.obj -- ${no_strict})

# wchar_t as unsigned short, as MSVC's /Zc:wchar_t- makes it (clang-cl 14 ignores that option; -fno-wchar is
# what it stands for): the compile stops with the header's message, which names the option.
execute_process(COMMAND ${CLANG_CL} --target=x86_64-pc-windows-msvc -Xclang -fno-wchar /std:c++20 /c ${includes}
                        /Fo${WORK_DIR}/msvc-wchar.obj -- ${source}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status EQUAL 0 OR NOT "${out}${err}" MATCHES "UserData.h[(:][0-9]+[,:][0-9]+\\)?:? error: [^\n]*/Zc:wchar_t-")
    string(APPEND problems "\n  a host without a built-in wchar_t (exit status ${status}) was not stopped by the"
                           " header's message:\n${out}${err}")
endif()

userdata_run(${LLVM_NM} --defined-only ${LIBRARY_DIR}/UserData.lib)
string(REGEX MATCHALL "[0-9a-f]+ T [^\n]+" defined "${output}")
list(TRANSFORM defined REPLACE "^[0-9a-f]+ T " "")
userdata_compare_names(UserData.lib "${names};${pointers}" "${defined}")

if(problems)
    message(FATAL_ERROR "the header or the import library differs from the exported names:${problems}")
endif()
