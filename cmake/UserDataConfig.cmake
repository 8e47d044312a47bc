# The UserData package: find_package(UserData CONFIG) gives the imported
# target UserData::UserData, that is UserData.dll, the public header and the
# import library UserData.lib, which every toolchain links against.
get_filename_component(_userdata_prefix "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)

if(NOT TARGET UserData::UserData)
    # A file missing from the package fails the host's configuration here,
    # naming it, instead of its build later.
    foreach(_userdata_file "${_userdata_prefix}/bin/UserData.dll" "${_userdata_prefix}/lib/UserData.lib"
                           "${_userdata_prefix}/include/UserData.h")
        if(NOT EXISTS "${_userdata_file}")
            set(UserData_FOUND FALSE)
            set(UserData_NOT_FOUND_MESSAGE "the UserData package lacks ${_userdata_file}")
            unset(_userdata_prefix)
            return()
        endif()
    endforeach()
    unset(_userdata_file)
    add_library(UserData::UserData SHARED IMPORTED)
    set_target_properties(UserData::UserData PROPERTIES
        IMPORTED_LOCATION "${_userdata_prefix}/bin/UserData.dll"
        IMPORTED_IMPLIB "${_userdata_prefix}/lib/UserData.lib"
        INTERFACE_INCLUDE_DIRECTORIES "${_userdata_prefix}/include")
endif()

unset(_userdata_prefix)
