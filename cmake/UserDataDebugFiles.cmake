# The shipped binaries (UserData.dll, zvud.exe) keep no debug sections and no
# symbol table. Built by GCC, their DWARF debug information and symbols go to
# NAME.debug beside them, which the binary names (with its checksum) in a
# .gnu_debuglink section, where gdb and lldb look; built by MSVC, the linker
# writes them to a PDB.

# userdata_split_debug_information(TARGET)
function(userdata_split_debug_information target)
    if(NOT MSVC)
        set(binary $<TARGET_FILE:${target}>)
        # objcopy stamps the time into what it writes, unless told a time: none, as the linker.
        set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${objcopy} --only-keep-debug ${binary} ${binary}.debug
            COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${binary}.debug ${binary}
            VERBATIM)
    endif()
endfunction()

# userdata_debug_file(VARIABLE TARGET): the path of TARGET's debug file, as a
# generator expression.
function(userdata_debug_file variable target)
    if(MSVC)
        set(${variable} $<TARGET_PDB_FILE:${target}> PARENT_SCOPE)
    else()
        set(${variable} $<TARGET_FILE:${target}>.debug PARENT_SCOPE)
    endif()
endfunction()
