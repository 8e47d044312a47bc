# userdata_add_version_resource(TARGET DESCRIPTION): gives a DLL or program
# the project's version resource (file and product version from
# project(VERSION), the commit in "Comments", the description, the project's
# copyright).

# The commit, looked up at every build (cmake/UserDataCommit.cmake).
set(USERDATA_COMMIT_HEADER ${CMAKE_BINARY_DIR}/generated/UserDataCommit.h)
add_custom_target(userdata_commit
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT=${USERDATA_COMMIT_HEADER}
            -P ${PROJECT_SOURCE_DIR}/cmake/UserDataCommit.cmake
    BYPRODUCTS ${USERDATA_COMMIT_HEADER}
    COMMENT "Looking up the commit of the sources")

function(userdata_add_version_resource target description)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        set(USERDATA_RC_FILETYPE VFT_DLL)
        set(extension .dll)
    else()
        set(USERDATA_RC_FILETYPE VFT_APP)
        set(extension .exe)
    endif()
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
        set(name ${target})
    endif()
    set(USERDATA_RC_NAME ${name})
    set(USERDATA_RC_FILENAME ${name}${extension})
    set(USERDATA_RC_DESCRIPTION "${description}")
    set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${resource} @ONLY)
    target_sources(${target} PRIVATE ${resource})
    get_filename_component(commit_folder ${USERDATA_COMMIT_HEADER} DIRECTORY)
    set_source_files_properties(${resource} PROPERTIES
        INCLUDE_DIRECTORIES ${commit_folder} OBJECT_DEPENDS ${USERDATA_COMMIT_HEADER})
    add_dependencies(${target} userdata_commit)
endfunction()
