# The package as a host project meets it: the release archive (on Windows, the build installed into a
# prefix) unpacked and checked; examples/host built against it through find_package(UserData) and run; a
# package without UserData.dll must fail the host's configuration, naming it. Arguments: see tests/CMakeLists.txt.

cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/tests/support/ScriptSupport.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
if(TOOLCHAIN)
    userdata_run(${SOURCE_DIR}/scripts/release ${BUILD_DIR})
    string(STRIP "${output}" archive)
    file(ARCHIVE_EXTRACT INPUT ${archive} DESTINATION ${WORK_DIR})
    string(REGEX REPLACE "^.*/(.*)\\.zip$" "${WORK_DIR}/\\1" prefix "${archive}")
    userdata_run(${CMAKE_COMMAND} -E sha256sum ${prefix}/bin/zvud.exe.debug ${prefix}/README.md ${prefix}/LICENSE)
    # A cross build finds packages below its root paths only.
    set(options -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_FIND_ROOT_PATH=${prefix})
    # The MSVC hosts of tests/tools link against the build's UserData.lib.
    userdata_run(${CMAKE_COMMAND} -E compare_files ${prefix}/lib/UserData.lib
                 ${BUILD_DIR}/import-libraries/UserData.lib)
    # No debug sections, only the link to the debug file that gives the source lines (zvud.exe's alike).
    userdata_run(${OBJDUMP} -h --dwarf=follow-links --dwarf=decodedline ${prefix}/bin/UserData.dll)
    if(output MATCHES "\n +[0-9]+ \\.debug_" OR NOT output MATCHES "/UserData/src/")
        message(FATAL_ERROR "UserData.dll carries debug sections, or no source lines through its debug file")
    endif()
else()
    set(prefix ${WORK_DIR}/prefix)
    userdata_run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
endif()
list(APPEND options -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_PREFIX_PATH=${prefix})
# What the example's build and run below do not reach, read (a missing file fails naming it).
userdata_run(${CMAKE_COMMAND} -E sha256sum ${prefix}/include/UserDataFolders.h ${prefix}/bin/zvud.exe)

# The example's exit status says whether it found its root folder.
userdata_run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/host -B ${WORK_DIR}/example ${options})
userdata_run(${CMAKE_COMMAND} --build ${WORK_DIR}/example)
userdata_run(${EMULATOR} ${WORK_DIR}/example/userdata_example.exe)

file(REMOVE ${prefix}/bin/UserData.dll)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/host -B ${WORK_DIR}/incomplete ${options}
    ERROR_VARIABLE out)
if(NOT out MATCHES "lacks[ \n]+${prefix}/bin/UserData.dll")
    message(FATAL_ERROR "configuring against a package without UserData.dll did not fail naming it:\n${out}")
endif()
