# Compiler and linker settings shared by the library, its tools and its tests.

# On in the project's presets and CI; off for anyone who builds the package
# another way, with a compiler whose warnings the project has not seen.
option(USERDATA_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_library(userdata_build_options INTERFACE)
target_compile_definitions(userdata_build_options INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

if(MSVC)
    target_compile_definitions(userdata_build_options INTERFACE _CRT_SECURE_NO_WARNINGS)
    target_compile_options(userdata_build_options INTERFACE /W4 /permissive- /utf-8 /EHsc /sdl /guard:cf
        $<$<BOOL:${USERDATA_WARNINGS_AS_ERRORS}>:/WX>)
else()
    target_compile_options(userdata_build_options INTERFACE
        -Wall -Wextra -fstack-protector-strong $<$<BOOL:${USERDATA_WARNINGS_AS_ERRORS}>:-Werror>)
    # libgcc, libstdc++ and winpthread linked in: the binaries need only
    # system DLLs.
    target_link_options(userdata_build_options INTERFACE -static -fstack-protector-strong)
endif()

# clang for mingw-w64 links with lld (cmake/clang-mingw-w64-x86_64.cmake),
# which writes CodeView debug information to a PDB; GCC's linker keeps DWARF.
set(USERDATA_LINKER_IS_LLD OFF)
if(MINGW AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(USERDATA_LINKER_IS_LLD ON)
endif()
if(NOT MSVC)
    find_program(USERDATA_LLVM_DLLTOOL NAMES llvm-dlltool-16 llvm-dlltool REQUIRED)
    find_program(USERDATA_LLVM_OBJCOPY NAMES llvm-objcopy-16 llvm-objcopy REQUIRED)
    find_program(USERDATA_DLLTOOL NAMES x86_64-w64-mingw32-dlltool dlltool REQUIRED)
endif()

# Two builds of one commit in different folders give the same bytes: no build
# path and no time stamp in any binary or debug file.
if(NOT MSVC)
    # Nor anything of the builder's environment: every compile and link runs
    # without the variables through which the compiler's driver and the linker
    # take options of their own. clang turns LIBRARY_PATH into -L options,
    # which lld records in the PDB (and /Brepro hashes into the time stamp);
    # CPATH and its kin add include folders, COMPILER_PATH and GCC_EXEC_PREFIX
    # other tools, CCC_OVERRIDE_OPTIONS edits clang's arguments, and LINK,
    # _LINK_ and LIB give lld options and library folders. The resource
    # compiler's preprocessor (GCC's) reads the include variables too.
    set(userdata_unset)
    foreach(variable LIBRARY_PATH CPATH C_INCLUDE_PATH CPLUS_INCLUDE_PATH OBJC_INCLUDE_PATH COMPILER_PATH
            GCC_EXEC_PREFIX CCC_OVERRIDE_OPTIONS LINK _LINK_ LIB)
        list(APPEND userdata_unset --unset=${variable})
    endforeach()
    set(launcher ${CMAKE_COMMAND} -E env ${userdata_unset})
    foreach(language C CXX)
        set(CMAKE_${language}_COMPILER_LAUNCHER ${launcher} ${CMAKE_${language}_COMPILER_LAUNCHER})
        set(CMAKE_${language}_LINKER_LAUNCHER ${launcher} ${CMAKE_${language}_LINKER_LAUNCHER})
    endforeach()
    list(JOIN userdata_unset " " unset_options)
    set(CMAKE_RC_COMPILE_OBJECT "\"${CMAKE_COMMAND}\" -E env ${unset_options} ${CMAKE_RC_COMPILE_OBJECT}")
    # (GCC takes the last map that matches: the build folder lies in the sources.)
    target_compile_options(userdata_build_options INTERFACE
        -ffile-prefix-map=${PROJECT_SOURCE_DIR}=/UserData -ffile-prefix-map=${PROJECT_BINARY_DIR}=/UserData/build)
    target_link_options(userdata_build_options INTERFACE -Wl,--no-insert-timestamp)
endif()
if(USERDATA_LINKER_IS_LLD)
    # CodeView without the compiler's command line (it names the build's folders),
    # a PDB that the binary names without a folder, lld's recorded folder the
    # mapped one, and a time stamp field that is a hash of the contents (/Brepro).
    target_compile_options(userdata_build_options INTERFACE -gcodeview -gno-codeview-command-line)
    target_link_options(userdata_build_options INTERFACE -Wl,-Xlink=/pdbaltpath:%_PDB% -Wl,-Xlink=/Brepro
        -Wl,-Xlink=/pdbsourcepath:/UserData/build)
endif()
