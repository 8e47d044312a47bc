# The package as a host project meets it: the build installed into a fresh
# prefix, the layout checked, examples/host configured and built against it
# with find_package(UserData) and the same toolchain, and run (under Wine
# when cross-built), where it must find UserData.dll beside itself.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DGENERATOR=... -DMAKE_PROGRAM=...
#         [-DTOOLCHAIN=...] [-DEMULATOR=...] -P ExampleHostTest.cmake

cmake_minimum_required(VERSION 3.25)

include(${SOURCE_DIR}/tests/support/ScriptSupport.cmake)

set(prefix ${WORK_DIR}/prefix)
set(example ${WORK_DIR}/example)
file(REMOVE_RECURSE ${WORK_DIR})
userdata_run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(import_libraries lib/UserData.lib)
if(TOOLCHAIN)
    list(APPEND import_libraries lib/libUserData.dll.a)
endif()
foreach(file bin/UserData.dll bin/zvud.exe include/UserData.h ${import_libraries}
             lib/cmake/UserData/UserDataConfig.cmake lib/cmake/UserData/UserDataConfigVersion.cmake)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "the package lacks ${file}")
    endif()
endforeach()

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
message(STATUS "the example host built against the installed package runs:\n${output}")

# A package that lacks a file fails the host's configuration, naming the file.
file(REMOVE ${prefix}/bin/UserData.dll)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/host -B ${WORK_DIR}/incomplete ${configure_options}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE errors)
string(REGEX REPLACE "[ \n]+" " " errors "${errors}")
string(FIND "${errors}" "lacks ${prefix}/bin/UserData.dll" named)
if(result EQUAL 0 OR named EQUAL -1)
    message(FATAL_ERROR "configuring against a package without UserData.dll did not fail naming it:\n${out}${errors}")
endif()
