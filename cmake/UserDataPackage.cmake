# What `cmake --install` lays out for host developers (the release archive):
#   bin/      UserData.dll and the zvud tool, with their PDBs
#   include/  the public header and the special folder table
#   lib/      UserData.lib, the import library of every toolchain
#   share/userdata/  copyright (the licence and the third-party notices),
#             usage (what a CMake host writes) and the package configuration
#             for find_package(UserData CONFIG) and the target UserData::UserData
#   examples/ the example host and the smallest installation it runs in
#   README.md (docs/archive-README.md) and CHANGELOG.md
include(CMakePackageConfigHelpers)

install(FILES ${PROJECT_SOURCE_DIR}/include/UserData.h ${PROJECT_SOURCE_DIR}/include/UserDataFolders.h
        DESTINATION include)

if(MSVC)
    install(TARGETS UserData RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
else()
    # Written from the module definition, so that it carries exactly its names, the MSVC decorated ones included.
    # MSVC and clang-cl link against it, and so do mingw-w64's GNU ld and lld, which find UserData.lib by
    # -lUserData: one library serves every host. (The linker's own import library, which the build's programs
    # link against, keeps its place in lib/.)
    set(userdata_definition ${PROJECT_SOURCE_DIR}/src/exports/UserData.def)
    set(USERDATA_IMPORT_LIBRARY ${CMAKE_BINARY_DIR}/import-library/UserData.lib)
    add_custom_command(OUTPUT ${USERDATA_IMPORT_LIBRARY}
        COMMAND ${USERDATA_LLVM_DLLTOOL} -m i386:x86-64 -d ${userdata_definition} -l ${USERDATA_IMPORT_LIBRARY}
        DEPENDS ${userdata_definition}
        COMMENT "Writing the import library of UserData.dll from its module definition")
    add_custom_target(userdata_import_library ALL DEPENDS ${USERDATA_IMPORT_LIBRARY})
    install(FILES $<TARGET_FILE:UserData> DESTINATION bin)
    install(FILES ${USERDATA_IMPORT_LIBRARY} DESTINATION lib)
endif()

install(TARGETS zvud RUNTIME DESTINATION bin)
# The debug files beside the binaries (cmake/UserDataDebugFiles.cmake).
userdata_debug_file(userdata_library_debug_file UserData)
userdata_debug_file(userdata_tool_debug_file zvud)
install(FILES ${userdata_library_debug_file} ${userdata_tool_debug_file} DESTINATION bin OPTIONAL)

# share/userdata, where package managers keep a package's licence, its usage and its CMake files; find_package
# looks there below each prefix.
set(userdata_share ${CMAKE_BINARY_DIR}/share/userdata)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE userdata_licence)
file(READ ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES userdata_notices)
file(WRITE ${userdata_share}/copyright "${userdata_licence}\n\n${userdata_notices}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES)
configure_file(${PROJECT_SOURCE_DIR}/cmake/usage.in ${userdata_share}/usage @ONLY)
write_basic_package_version_file(${userdata_share}/UserDataConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${userdata_share}/copyright ${userdata_share}/usage ${PROJECT_SOURCE_DIR}/cmake/UserDataConfig.cmake
              ${userdata_share}/UserDataConfigVersion.cmake
        DESTINATION share/userdata)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/host ${PROJECT_SOURCE_DIR}/examples/sample DESTINATION examples)
install(FILES ${PROJECT_SOURCE_DIR}/docs/archive-README.md DESTINATION . RENAME README.md)
install(FILES ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION .)
