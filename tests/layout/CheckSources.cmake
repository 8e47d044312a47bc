# The rules of the source tree that a compiler does not check: the registry API
# is called in src/base only, zvud reads the registry and the identity files
# through the core, and a floor includes nothing from the floors above it.
# cmake -DSOURCE_DIR=... -P CheckSources.cmake
set(registry_call "[^A-Za-z_]Reg(Open|Query|Get|Set|Enum|Delete|Close|Create|Override)[A-Za-z]*\\(")
set(failures "")

function(find_lines files pattern what)
    foreach(file IN LISTS files)
        file(STRINGS ${file} lines REGEX "${pattern}")
        foreach(line IN LISTS lines)
            string(STRIP "${line}" line)
            file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
            list(APPEND failures "${name}: ${what}: ${line}")
        endforeach()
    endforeach()
    set(failures "${failures}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE tool_files ${SOURCE_DIR}/tools/*.cpp ${SOURCE_DIR}/tools/*.h)
find_lines("${tool_files}" "${registry_call}" "calls the registry API")
find_lines("${tool_files}" "GetPrivateProfileString" "reads an INI file itself")
find_lines("${tool_files}" "L\"(\\\\\\\\)?identity(ver)?\\.ini\" *[;)+]" "builds an identity file's path itself")

file(GLOB_RECURSE feature_files ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h)
list(FILTER feature_files EXCLUDE REGEX "/src/base/")
find_lines("${feature_files}" "${registry_call}" "calls the registry API outside src/base")

# The floors: base, then config, then the subsystems, then the export shells.
file(GLOB_RECURSE base_files ${SOURCE_DIR}/src/base/*)
find_lines("${base_files}" "#include \"(config|queries|folders|help|migration|repair|regwrite|exports)/" "includes from above")
file(GLOB_RECURSE config_files ${SOURCE_DIR}/src/config/*)
find_lines("${config_files}" "#include \"(queries|folders|help|migration|repair|regwrite|exports)/" "includes from above")
file(GLOB_RECURSE below_exports ${SOURCE_DIR}/src/*)
list(FILTER below_exports EXCLUDE REGEX "/src/exports/")
find_lines("${below_exports}" "#include \"exports/" "includes from above")

if(failures)
    list(JOIN failures "\n" text)
    message(FATAL_ERROR "${text}")
endif()
message(STATUS "sources keep their rules")
