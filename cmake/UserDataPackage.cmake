# What `cmake --install` lays out for host projects:
#   bin/      UserData.dll and the zvud tool, with their debug files
#   include/  the public header and the special folder table
#   lib/      the import libraries: libUserData.dll.a for mingw-w64 and
#             UserData.lib for MSVC
#   lib/cmake/UserData/  the package configuration, for
#             find_package(UserData CONFIG) and the target UserData::UserData
include(CMakePackageConfigHelpers)

install(FILES ${PROJECT_SOURCE_DIR}/include/UserData.h ${PROJECT_SOURCE_DIR}/include/UserDataFolders.h
        DESTINATION include)

if(MSVC)
    install(TARGETS UserData RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
else()
    # Both import libraries written from the module definition, so that they
    # carry exactly its names, the MSVC decorated ones included.
    set(userdata_definition ${PROJECT_SOURCE_DIR}/src/exports/UserData.def)
    # (The linker's own import library, which the build's programs link
    # against, keeps its place in lib/.)
    set(userdata_import_dir ${CMAKE_BINARY_DIR}/import-libraries)
    file(MAKE_DIRECTORY ${userdata_import_dir})
    set(USERDATA_IMPORT_LIBRARIES ${userdata_import_dir}/libUserData.dll.a ${userdata_import_dir}/UserData.lib)
    add_custom_command(OUTPUT ${USERDATA_IMPORT_LIBRARIES}
        COMMAND ${USERDATA_LLVM_DLLTOOL} -m i386:x86-64 -d ${userdata_definition}
                -l ${userdata_import_dir}/libUserData.dll.a
        COMMAND ${USERDATA_LLVM_DLLTOOL} -m i386:x86-64 -d ${userdata_definition}
                -l ${userdata_import_dir}/UserData.lib
        DEPENDS ${userdata_definition}
        COMMENT "Writing the import libraries of UserData.dll from its module definition")
    add_custom_target(userdata_import_libraries ALL DEPENDS ${USERDATA_IMPORT_LIBRARIES})
    install(FILES $<TARGET_FILE:UserData> DESTINATION bin)
    install(FILES ${USERDATA_IMPORT_LIBRARIES} DESTINATION lib)
endif()

install(TARGETS zvud RUNTIME DESTINATION bin)
# The debug files beside the binaries (cmake/UserDataDebugFiles.cmake).
userdata_debug_file(userdata_library_debug_file UserData)
userdata_debug_file(userdata_tool_debug_file zvud)
install(FILES ${userdata_library_debug_file} ${userdata_tool_debug_file} DESTINATION bin OPTIONAL)

set(userdata_package_dir lib/cmake/UserData)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/UserDataConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/UserDataConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/UserDataConfigVersion.cmake
        DESTINATION ${userdata_package_dir})
