# The package as a host project meets it: the release archive of the build
# (scripts/release; on Windows, the build installed into a fresh prefix)
# unpacked, the layout checked, examples/host configured and built against it
# with find_package(UserData) and the same toolchain, the MSVC host built
# against its UserData.lib, and both run (under Wine when cross-built), where
# they must find UserData.dll beside themselves.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DGENERATOR=... -DMAKE_PROGRAM=...
#         [-DTOOLCHAIN=... -DEMULATOR=... -DOBJDUMP=... -DCLANG_CL=... -DLLD_LINK=... -DDLLTOOL=...]
#         -P ExampleHostTest.cmake

cmake_minimum_required(VERSION 3.25)

include(${SOURCE_DIR}/tests/support/ScriptSupport.cmake)

set(example ${WORK_DIR}/example)
file(REMOVE_RECURSE ${WORK_DIR})
if(CMAKE_HOST_WIN32)
    set(prefix ${WORK_DIR}/prefix)
    userdata_run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
else()
    userdata_run(${SOURCE_DIR}/scripts/release ${BUILD_DIR})
    string(STRIP "${output}" archive)
    get_filename_component(name ${archive} NAME_WLE)
    file(ARCHIVE_EXTRACT INPUT ${archive} DESTINATION ${WORK_DIR}/unpacked)
    set(prefix ${WORK_DIR}/unpacked/${name})
endif()

set(files bin/UserData.dll bin/zvud.exe include/UserData.h include/UserDataFolders.h lib/UserData.lib
          lib/cmake/UserData/UserDataConfig.cmake lib/cmake/UserData/UserDataConfigVersion.cmake)
if(TOOLCHAIN)
    list(APPEND files lib/libUserData.dll.a bin/UserData.dll.debug bin/zvud.exe.debug README.md LICENSE)
endif()
foreach(file ${files})
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "the package lacks ${file}")
    endif()
endforeach()
# The binaries carry no debug sections, only the link to their debug file,
# through which their source lines are found (the file's checksum matches).
if(OBJDUMP)
    foreach(binary UserData.dll zvud.exe)
        userdata_run(${OBJDUMP} -h ${prefix}/bin/${binary})
        if(output MATCHES "\\.debug_" OR NOT output MATCHES "\\.gnu_debuglink")
            message(FATAL_ERROR "${binary} carries debug sections or no link to ${binary}.debug:\n${output}")
        endif()
        userdata_run(${OBJDUMP} --dwarf=follow-links --dwarf=decodedline ${prefix}/bin/${binary})
        if(NOT output MATCHES "/UserData/(src|tools)/")
            message(FATAL_ERROR "no source lines of ${binary} through its link to ${binary}.debug")
        endif()
    endforeach()
endif()

set(configure_options -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_BUILD_TYPE=Release
                      -DCMAKE_PREFIX_PATH=${prefix})
if(TOOLCHAIN)
    # A cross build finds packages below its root paths only.
    list(APPEND configure_options -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_FIND_ROOT_PATH=${prefix})
endif()
userdata_run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/host -B ${example} ${configure_options})
userdata_run(${CMAKE_COMMAND} --build ${example})

userdata_run(${EMULATOR} ${example}/userdata_example.exe)
if(EMULATOR)
    string(REPLACE "/" "\\" folder "Z:${example}/")
else()
    file(TO_NATIVE_PATH "${example}/" folder)
endif()
string(FIND "${output}" "root folder: ${folder}\n" found)
if(found EQUAL -1)
    message(FATAL_ERROR "the example did not run with the UserData.dll beside it (${folder}):\n${output}")
endif()
message(STATUS "the example host built against the package runs:\n${output}")

if(CLANG_CL)
    # No installation here: the MSVC host catches the library's "no language" exception.
    userdata_run(${CMAKE_COMMAND} -DCLANG_CL=${CLANG_CL} -DLLD_LINK=${LLD_LINK} -DDLLTOOL=${DLLTOOL}
        -DINCLUDE_DIR=${prefix}/include -DIMPORT_LIBRARY=${prefix}/lib/UserData.lib -DSOURCE_DIR=${SOURCE_DIR}
        -DWORK_DIR=${WORK_DIR}/msvc-host -DOUTPUT=${example}/MsvcHost.exe
        -P ${SOURCE_DIR}/tests/package/BuildMsvcHost.cmake)
    userdata_run(${EMULATOR} ${example}/MsvcHost.exe)
    string(FIND "${output}" "rootFolder\t${folder}\n" found)
    string(FIND "${output}" "exception\t3221225480\n" caught)
    if(found EQUAL -1 OR caught EQUAL -1)
        message(FATAL_ERROR "the MSVC host built against the package did not run as it should:\n${output}")
    endif()
endif()

# A package that lacks a file fails the host's configuration, naming the file.
file(REMOVE ${prefix}/bin/UserData.dll)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/host -B ${WORK_DIR}/incomplete ${configure_options}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE errors)
string(REGEX REPLACE "[ \n]+" " " errors "${errors}")
string(FIND "${errors}" "lacks ${prefix}/bin/UserData.dll" named)
if(result EQUAL 0 OR named EQUAL -1)
    message(FATAL_ERROR "configuring against a package without UserData.dll did not fail naming it:\n${out}${errors}")
endif()
