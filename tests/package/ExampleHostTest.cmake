# The package as a host developer meets it: the release archive, made in the test's own folder from the build's
# products as they are (on Windows, the build installed into a prefix), unpacked into a fresh folder, laid out as
# package managers lay packages out, its checksums and source archive beside it; its own examples/host built through
# find_package(UserData) as its README says (cross-built, with mingw-w64's GCC) and run in its sample installation,
# whose registry values (sample.reg) are imported for the run and deleted after it: the host must give that
# installation's answers. A package without UserData.dll must fail the host's configuration, naming it. Arguments:
# see tests/CMakeLists.txt.

cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/tests/support/ScriptSupport.cmake)

file(REMOVE_RECURSE ${WORK_DIR})
if(TOOLCHAIN)
    userdata_run(${SOURCE_DIR}/scripts/release ${BUILD_DIR} ${WORK_DIR}/release)
    string(STRIP "${output}" archive)
    get_filename_component(release ${archive} DIRECTORY)
    execute_process(COMMAND sha256sum --check SHA256SUMS WORKING_DIRECTORY ${release} RESULT_VARIABLE status
        OUTPUT_VARIABLE out ERROR_VARIABLE out)
    file(STRINGS ${release}/SHA256SUMS sums)
    if(NOT status EQUAL 0 OR NOT sums MATCHES "^[0-9a-f]+  UserData-[0-9.]+-win64\\.zip;[0-9a-f]+  UserData-[0-9.]+-source\\.zip$")
        message(FATAL_ERROR "SHA256SUMS does not give the checksums of the two archives:\n${sums}\n${out}")
    endif()
    file(ARCHIVE_EXTRACT INPUT ${archive} DESTINATION ${WORK_DIR})
    string(REGEX REPLACE "^.*/(.*)\\.zip$" "${WORK_DIR}/\\1" prefix "${archive}")
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${prefix} ${prefix}/*)
    userdata_compare_names("the archive's layout"
        "CHANGELOG.md;README.md;bin/UserData.dll;bin/UserData.pdb;bin/zvud.exe;bin/zvud.pdb;include/UserData.h;\
include/UserDataFolders.h;lib/UserData.lib;share/userdata/UserDataConfig.cmake;\
share/userdata/UserDataConfigVersion.cmake;share/userdata/copyright;share/userdata/usage;\
examples/host/CMakeLists.txt;examples/host/main.cpp;examples/sample/identityver.ini;\
examples/sample/en-US/identity.ini;examples/sample/sample.reg" "${files}")
    # The sources of the commit below UserData/, where the PDBs name them (/UserData/src/...).
    string(REGEX REPLACE "-win64\\.zip$" "-source.zip" sources ${archive})
    file(ARCHIVE_EXTRACT INPUT ${sources} DESTINATION ${WORK_DIR}/source PATTERNS UserData/src/exports/UserData.def)
    if(NOT EXISTS ${WORK_DIR}/source/UserData/src/exports/UserData.def)
        string(APPEND problems "\n  ${sources} holds no UserData/src/exports/UserData.def")
    endif()
    # The MSVC hosts of tests/tools link against the build's UserData.lib.
    userdata_run(${CMAKE_COMMAND} -E compare_files ${prefix}/lib/UserData.lib ${BUILD_DIR}/import-library/UserData.lib)
    # No debug sections: the debug information is in the PDBs (tests/package/DebuggingTest.cmake).
    foreach(binary UserData.dll zvud.exe)
        userdata_run(${OBJDUMP} -h ${prefix}/bin/${binary})
        if(output MATCHES "\n +[0-9]+ \\.debug_")
            message(FATAL_ERROR "${binary} carries debug sections:\n${output}")
        endif()
    endforeach()
    # As the archive's README builds the example for Wine: no toolchain file, the package by its prefix.
    set(host_options -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_CXX_COMPILER=${MINGW_CXX})
    # A toolchain file that keeps packages below its root paths: the package's folder named, as README says.
    set(package_options -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DUserData_DIR=${prefix}/share/userdata)
else()
    set(prefix ${WORK_DIR}/prefix)
    userdata_run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
    set(package_options -DCMAKE_PREFIX_PATH=${prefix})
endif()
if(problems)
    message(FATAL_ERROR "the package differs:${problems}")
endif()
list(APPEND host_options -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_PREFIX_PATH=${prefix})
list(APPEND package_options -G ${GENERATOR} -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM})

# The lines of share/userdata/usage are the example's, which build and run below.
file(STRINGS ${prefix}/share/userdata/usage usage REGEX "^    ")
file(READ ${prefix}/examples/host/CMakeLists.txt example)
foreach(line ${usage})
    string(STRIP "${line}" line)
    string(REPLACE "main" "userdata_example" line "${line}")
    string(FIND "${example}" "\n${line}\n" found)
    if(found EQUAL -1)
        message(FATAL_ERROR "examples/host/CMakeLists.txt lacks the usage line\n${line}")
    endif()
endforeach()

set(host ${WORK_DIR}/host)
userdata_run(${CMAKE_COMMAND} -S ${prefix}/examples/host -B ${host} ${host_options})
userdata_run(${CMAKE_COMMAND} --build ${host})
# The sample's registry values: the test's own key, which nothing else uses, gone before and after the run.
set(sample_key HKCU\\Software\\UserDataSample)
execute_process(COMMAND ${EMULATOR} reg delete ${sample_key} /f OUTPUT_QUIET ERROR_QUIET)
userdata_run(${EMULATOR} reg import ${host}/sample.reg)
execute_process(COMMAND ${EMULATOR} ${host}/userdata_example.exe RESULT_VARIABLE status OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
userdata_run(${EMULATOR} reg delete ${sample_key} /f)
message(STATUS "the example host in the sample installation:\n${out}")
if(NOT status EQUAL 0 OR NOT out MATCHES "^start-up: succeeded\nproduct: ZOVA\nlanguage: en-US\nprogram name: ZOVA\n"
   OR NOT out MATCHES "\nidentity file: [A-Z]:[^\n]*\\\\host\\\\en-US\\\\identity.ini\n"
   OR NOT out MATCHES "\nlocal root folder: C:\\\\UserDataSample\\\\Local\\\\ZOVA-7.0\\\\\n")
    message(FATAL_ERROR "the example host (exit status ${status}) did not give the sample's answers:\n${out}${err}")
endif()

file(REMOVE ${prefix}/bin/UserData.dll)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${prefix}/examples/host -B ${WORK_DIR}/incomplete ${package_options}
    ERROR_VARIABLE out)
if(NOT out MATCHES "lacks[ \n]+${prefix}/bin/UserData.dll")
    message(FATAL_ERROR "configuring against a package without UserData.dll did not fail naming it:\n${out}")
endif()
