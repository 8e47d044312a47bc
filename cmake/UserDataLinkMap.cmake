# userdata_link_map(TARGET): lld writes TARGET's link map to
# link-maps/FILE.map in the build folder, from which the package test checks
# that THIRD-PARTY-NOTICES covers everything linked in
# (tests/package/CheckNotices.cmake). The global property USERDATA_LINK_MAPS
# lists the maps.
function(userdata_link_map target)
    if(USERDATA_LINKER_IS_LLD)
        set(map link-maps/$<TARGET_FILE_NAME:${target}>.map)
        # (Relative to the build folder, where the link runs: lld writes its command line into the PDB.)
        target_link_options(${target} PRIVATE -Wl,-Map=${map})
        file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/link-maps)
        set_property(GLOBAL APPEND PROPERTY USERDATA_LINK_MAPS ${CMAKE_BINARY_DIR}/${map})
    endif()
endfunction()
