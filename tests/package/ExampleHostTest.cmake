# The package as a host project meets it: the release archive of the build
# (scripts/release; on Windows, the build installed into a fresh prefix)
# unpacked and its layout checked; examples/host configured and built against
# it with find_package(UserData) and the same toolchain, and run (under Wine
# when cross-built), where it must find UserData.dll beside itself; then a
# package without UserData.dll must fail the host's configuration, naming it.
# The MSVC hosts that tests/tools runs link against the UserData.lib that the
# package holds.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DGENERATOR=... -DMAKE_PROGRAM=...
#         [-DTOOLCHAIN=... -DEMULATOR=... -DOBJDUMP=...] -P ExampleHostTest.cmake

cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/tests/support/ScriptSupport.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
if(CMAKE_HOST_WIN32)
    set(prefix ${WORK_DIR}/prefix)
    userdata_run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
else()
    userdata_run(${SOURCE_DIR}/scripts/release ${BUILD_DIR})
    string(STRIP "${output}" archive)
    file(ARCHIVE_EXTRACT INPUT ${archive} DESTINATION ${WORK_DIR})
    string(REGEX REPLACE "^.*/(.*)\\.zip$" "${WORK_DIR}/\\1" prefix "${archive}")
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
if(TOOLCHAIN)
    # The MSVC hosts of tests/tools link against the build's UserData.lib.
    file(SHA256 ${prefix}/lib/UserData.lib packaged)
    file(SHA256 ${BUILD_DIR}/import-libraries/UserData.lib built)
    if(NOT packaged STREQUAL built)
        message(FATAL_ERROR "the package's UserData.lib is not the one that the MSVC hosts link against")
    endif()
    # The binaries carry no debug sections, only the link to their debug file,
    # through which their source lines are found.
    foreach(binary IN ITEMS UserData.dll zvud.exe)
        userdata_run(${OBJDUMP} -h ${prefix}/bin/${binary})
        string(FIND "${output}" ".debug_" carried)
        userdata_run(${OBJDUMP} --dwarf=follow-links --dwarf=decodedline ${prefix}/bin/${binary})
        if(NOT carried EQUAL -1 OR NOT output MATCHES "/UserData/(src|tools)/")
            message(FATAL_ERROR "${binary} carries debug sections, or no source lines through its debug file")
        endif()
    endforeach()
endif()

set(example ${WORK_DIR}/example)
set(options -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_BUILD_TYPE=Release
            -DCMAKE_PREFIX_PATH=${prefix})
if(TOOLCHAIN)
    # A cross build finds packages below its root paths only.
    list(APPEND options -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_FIND_ROOT_PATH=${prefix})
endif()
userdata_run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/host -B ${example} ${options})
userdata_run(${CMAKE_COMMAND} --build ${example})
userdata_run(${EMULATOR} ${example}/userdata_example.exe)
# The example's folder as the host names it; Wine gives the Unix root the drive Z:.
string(REGEX REPLACE "^/" "Z:/" folder "${example}/")
string(REPLACE "/" "\\" folder "${folder}")
string(FIND "${output}" "root folder: ${folder}\n" found)
if(found EQUAL -1)
    message(FATAL_ERROR "the example did not run with the UserData.dll beside it (${folder}):\n${output}")
endif()

file(REMOVE ${prefix}/bin/UserData.dll)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/host -B ${WORK_DIR}/incomplete ${options}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE errors)
string(REGEX REPLACE "[ \n]+" " " errors "${errors}")
string(FIND "${errors}" "lacks ${prefix}/bin/UserData.dll" named)
if(result EQUAL 0 OR named EQUAL -1)
    message(FATAL_ERROR "configuring against a package without UserData.dll did not fail naming it:\n${out}${errors}")
endif()
