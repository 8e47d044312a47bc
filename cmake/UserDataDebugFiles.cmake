# The shipped binaries (UserData.dll, zvud.exe) keep no debug sections and no
# symbol table. Built by clang and lld, or by MSVC, their CodeView debug
# information goes to NAME.pdb beside them, which the binary names without a
# folder, and which Visual Studio, WinDbg and Wine's debugger read. Built by
# GCC, their DWARF debug information and symbols go to NAME.debug beside
# them, which the binary names (with its checksum) in a .gnu_debuglink
# section, where gdb and lldb look.

# userdata_split_debug_information(TARGET)
function(userdata_split_debug_information target)
    if(USERDATA_LINKER_IS_LLD)
        # (An empty name: lld's default, the binary's path with .pdb for its extension.)
        target_link_options(${target} PRIVATE -Wl,--pdb=)
        # lld 16 keeps the DWARF sections of the GCC runtime's archives when it
        # writes a PDB, and Wine's debugger reads them instead of the PDB.
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${USERDATA_LLVM_OBJCOPY} --strip-debug $<TARGET_FILE:${target}>
            VERBATIM)
    elseif(NOT MSVC)
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
    elseif(USERDATA_LINKER_IS_LLD)
        set(${variable} $<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.pdb PARENT_SCOPE)
    else()
        set(${variable} $<TARGET_FILE:${target}>.debug PARENT_SCOPE)
    endif()
endfunction()
