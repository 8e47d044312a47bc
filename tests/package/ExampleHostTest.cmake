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
    userdata_run(${CMAKE_COMMAND} -E sha256sum ${prefix}/bin/UserData.pdb ${prefix}/bin/zvud.pdb ${prefix}/README.md
                 ${prefix}/LICENSE ${prefix}/THIRD-PARTY-NOTICES ${prefix}/CHANGELOG.md)
    # A cross build looks for packages below its root paths only: the package's folder named, as README says.
    set(options -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DUserData_DIR=${prefix}/lib/cmake/UserData)
    # The MSVC hosts of tests/tools link against the build's UserData.lib.
    userdata_run(${CMAKE_COMMAND} -E compare_files ${prefix}/lib/UserData.lib
                 ${BUILD_DIR}/import-libraries/UserData.lib)
    # No debug sections: the debug information is in the PDBs (tests/package/DebuggingTest.cmake).
    foreach(binary UserData.dll zvud.exe)
        userdata_run(${OBJDUMP} -h ${prefix}/bin/${binary})
        if(output MATCHES "\n +[0-9]+ \\.debug_")
            message(FATAL_ERROR "${binary} carries debug sections:\n${output}")
        endif()
    endforeach()
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
