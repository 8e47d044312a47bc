# userdata_delay_load(TARGET SCOPE DLL DEFINITION MSVC_IMPORT_LIBRARY): TARGET
# binds DLL on first use (delay loading) through the functions that the module
# definition DEFINITION names, so that the DLL is loaded only when one of them
# is called. MSVC links the DLL's import library MSVC_IMPORT_LIBRARY with the
# linker's delay loading; mingw-w64 links an import library written from
# DEFINITION: lld's own delay loading for clang, dlltool's delay-load library
# for GCC's linker. (lld places the import table of dlltool's library in
# read-only .rdata, where the first call faults; lld's own table lies in
# writable .data. It needs LLVM's import library format: with GNU's, lld
# ignores --delayload without a word.)
function(userdata_delay_load target scope dll definition msvc_import_library)
    if(MSVC)
        target_link_libraries(${target} ${scope} ${msvc_import_library} delayimp)
        target_link_options(${target} ${scope} /DELAYLOAD:${dll})
        return()
    endif()
    get_filename_component(name ${dll} NAME_WE)
    set(library lib${name}_delay.a)
    if(USERDATA_LINKER_IS_LLD)
        set(command ${USERDATA_LLVM_DLLTOOL} -m i386:x86-64 -d ${definition} -l ${library})
        target_link_options(${target} ${scope} -Wl,--delayload=${dll})
    else()
        set(command ${USERDATA_DLLTOOL} --input-def ${definition} --output-delaylib ${library})
    endif()
    add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${library}
        COMMAND ${command}
        DEPENDS ${definition}
        # dlltool names its symbols after the output path: a relative one keeps the build folder out.
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        COMMENT "Building the delay-load import library of ${dll}")
    add_custom_target(${target}_delay_library DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${library})
    add_dependencies(${target} ${target}_delay_library)
    target_link_libraries(${target} ${scope} ${CMAKE_CURRENT_BINARY_DIR}/${library})
endfunction()
