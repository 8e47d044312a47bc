# Debugging the shipped DLL with its PDB: llvm-pdbutil finds the library's functions and line tables in
# UserData.pdb, which the DLL names without a folder, and no folder of the build machine in it or in zvud.pdb;
# a host that crashes inside the DLL (tests/package/CrashingHost.cpp) gets from dbghelp, under Wine, a stack whose
# frame in the DLL names the export and its source line, exactly as README.md's Debugging section shows it.
# Arguments: see tests/CMakeLists.txt.

cmake_minimum_required(VERSION 3.25)
include(${SOURCE_DIR}/tests/support/ScriptSupport.cmake)
set(pdb ${BIN_DIR}/UserData.pdb)
set(problems "")

userdata_run(${LLVM_READOBJ} --coff-debug-directory ${BIN_DIR}/UserData.dll)
if(NOT output MATCHES "\n *PDBFileName: UserData.pdb\n")
    string(APPEND problems "\n  UserData.dll does not name UserData.pdb without a folder:\n${output}")
endif()

# An export of each subsystem, as a procedure.
userdata_run(${LLVM_PDBUTIL} dump --symbols ${pdb})
foreach(function zvudInitProductParams GetProductName GetProductRootFolder zvudGetSpecialFolder GetHelpFileName
                 zvudLoadMUIString ProcessAutoMigrate InstallUserData zvudRegSetString)
    if(NOT output MATCHES "S_GPROC32 \\[size = [0-9]+\\] `${function}`")
        string(APPEND problems "\n  UserData.pdb holds no procedure ${function}")
    endif()
endforeach()

# A line table for each source file, named below /UserData.
userdata_run(${LLVM_PDBUTIL} dump --l ${pdb})
foreach(file config/ProductConfigInit.cpp folders/RootFolder.cpp help/LocalizedStrings.cpp
             repair/UserDataInstall.cpp regwrite/RegistryStringWriter.cpp)
    if(NOT output MATCHES "\n/UserData/src/${file} \\(MD5: [0-9A-F]+\\)\n +[0-9A-F]+:[0-9A-F]+-[0-9A-F]+, line/addr entries = [1-9]")
        string(APPEND problems "\n  UserData.pdb holds no line table of /UserData/src/${file}")
    endif()
endforeach()

# No folder of the build machine in either PDB, so that a build elsewhere gives the same bytes.
foreach(name UserData zvud)
    file(STRINGS ${BIN_DIR}/${name}.pdb texts)
    string(FIND "${texts}" "${SOURCE_DIR}" found)
    if(NOT found EQUAL -1)
        string(APPEND problems "\n  ${name}.pdb names the build's folder ${SOURCE_DIR}")
    endif()
endforeach()

# The crash: the host, the DLL and the PDB in one folder, the host run to its end.
file(REMOVE_RECURSE ${WORK_DIR})
file(COPY ${HOST} ${BIN_DIR}/UserData.dll ${pdb} DESTINATION ${WORK_DIR})
get_filename_component(host ${HOST} NAME)
execute_process(COMMAND ${EMULATOR} ${WORK_DIR}/${host} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REGEX MATCH "\nframe\tUserData.dll\t[^\n]*" frame "${out}")
string(REGEX REPLACE "[\t ]+" " " frame "${frame}")
string(STRIP "${frame}" frame)
message(STATUS "the crashing host's frame in the DLL: ${frame}")
file(STRINGS ${SOURCE_DIR}/README.md shown REGEX "^frame[\t ]+UserData.dll[\t ]")
string(REGEX REPLACE "[\t ]+" " " shown "${shown}")
if(NOT status EQUAL 3 OR NOT out MATCHES "^exception\tC0000005\n" OR NOT frame MATCHES ":[1-9][0-9]*$"
   OR NOT frame STREQUAL shown)
    string(APPEND problems "\n  the crashing host (exit status ${status}) shows another frame in the DLL than"
                           " README.md's Debugging section (${shown}):\n${out}${err}")
endif()

if(problems)
    message(FATAL_ERROR "debugging with the PDB:${problems}")
endif()
