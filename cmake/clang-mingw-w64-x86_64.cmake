# Cross-compiling for 64-bit Windows with clang and lld on Debian's mingw-w64:
# its headers and C runtime, and the runtime of its GCC with POSIX threads
# (libstdc++, libgcc, winpthread). These are the shipped binaries: lld writes
# a PDB beside each of them (cmake/UserDataDebugFiles.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(USERDATA_MINGW_TRIPLE x86_64-w64-mingw32)
set(USERDATA_LLVM_VERSION 16)
set(CMAKE_C_COMPILER clang-${USERDATA_LLVM_VERSION})
set(CMAKE_CXX_COMPILER clang++-${USERDATA_LLVM_VERSION})
set(CMAKE_C_COMPILER_TARGET ${USERDATA_MINGW_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${USERDATA_MINGW_TRIPLE})
set(CMAKE_RC_COMPILER ${USERDATA_MINGW_TRIPLE}-windres)
# (The compiler's flags, -nostdinc++ below included, also reach the link, where that one means nothing.)
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld-${USERDATA_LLVM_VERSION} -Wno-unused-command-line-argument")
endforeach()

# clang does not recognise Debian's GCC folder (12-posix) as a GCC version,
# so the C++ library's headers and the GCC runtime's folder are named here.
file(GLOB USERDATA_MINGW_GCC_DIRS LIST_DIRECTORIES true /usr/lib/gcc/${USERDATA_MINGW_TRIPLE}/*-posix)
list(GET USERDATA_MINGW_GCC_DIRS 0 USERDATA_MINGW_GCC_DIR)
set(USERDATA_MINGW_SYSROOT_LIBRARY_DIR /usr/${USERDATA_MINGW_TRIPLE}/lib)
set(cxx_headers ${USERDATA_MINGW_GCC_DIR}/include/c++)
set(CMAKE_CXX_FLAGS_INIT "-nostdinc++")
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
    ${cxx_headers} ${cxx_headers}/${USERDATA_MINGW_TRIPLE} ${cxx_headers}/backward)
# libstdc++ and libgcc of the POSIX-threads GCC call winpthread, which GCC's
# driver adds and clang's does not.
set(CMAKE_CXX_STANDARD_LIBRARIES "-L${USERDATA_MINGW_GCC_DIR} -lwinpthread")
set(CMAKE_C_STANDARD_LIBRARIES "-L${USERDATA_MINGW_GCC_DIR} -lwinpthread")

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${USERDATA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
