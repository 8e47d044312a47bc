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

# Two builds of one commit in different folders give the same bytes: no build
# path and no time stamp in any binary or debug file.
if(NOT MSVC)
    # (GCC takes the last map that matches: the build folder lies in the sources.)
    target_compile_options(userdata_build_options INTERFACE
        -ffile-prefix-map=${PROJECT_SOURCE_DIR}=/UserData -ffile-prefix-map=${PROJECT_BINARY_DIR}=/UserData/build)
    target_link_options(userdata_build_options INTERFACE -Wl,--no-insert-timestamp)
endif()
