# Builds MsvcHost.cpp as a Visual Studio developer builds a host, without the
# C runtime: clang-cl, then lld-link against the package's UserData.lib and an
# import library of the kernel32 functions it calls (llvm-dlltool).
#   cmake -DCLANG_CL=... -DLLD_LINK=... -DDLLTOOL=... -DINCLUDE_DIR=... -DIMPORT_LIBRARY=.../UserData.lib
#         -DSOURCE_DIR=... -DWORK_DIR=... -DOUTPUT=... [-DCONVENTION=/Gv] -P BuildMsvcHost.cmake

cmake_minimum_required(VERSION 3.25)

include(${SOURCE_DIR}/tests/support/ScriptSupport.cmake)

file(MAKE_DIRECTORY ${WORK_DIR})
userdata_run(${DLLTOOL} -m i386:x86-64 -d ${SOURCE_DIR}/tests/package/kernel32.def -l ${WORK_DIR}/kernel32.lib)
# /GS- and /Zl: no security cookie and no default libraries, which come with the C runtime.
userdata_run(${CLANG_CL} --target=x86_64-pc-windows-msvc /std:c++20 /O1 /GS- /Zl ${CONVENTION} /c
    -I${INCLUDE_DIR} /Fo${WORK_DIR}/MsvcHost.obj -- ${SOURCE_DIR}/tests/package/MsvcHost.cpp)
userdata_run(${LLD_LINK} /nodefaultlib /entry:HostMain /subsystem:console /brepro /out:${OUTPUT}
    ${WORK_DIR}/MsvcHost.obj ${IMPORT_LIBRARY} ${WORK_DIR}/kernel32.lib)
