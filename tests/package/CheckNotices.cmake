# THIRD-PARTY-NOTICES names everything that the link maps of the shipped binaries show linked in, and nothing
# more: each archive member comes from an archive that a "Linked from:" line names, each object file outside
# the build is named there itself; the rest is the project's own objects and the import thunks of the system
# DLLs (the mingw-w64 import libraries, and LLVM's for msi.dll and UserData.dll). A new library on the link,
# or a dependency that goes, fails here until the notices say so.
# Arguments: NOTICES, MAPS (a list), LIBRARY_DIRS (a list, where the link looked), LLVM_AR, OWN_ARCHIVE (the
# project's core library, whose members are the project's own objects).

cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../support/ScriptSupport.cmake)

file(STRINGS ${NOTICES} lines REGEX "^Linked from: ")
list(TRANSFORM lines REPLACE "^Linked from: " "")
string(REPLACE " " ";" listed "${lines}")
foreach(file ${listed})
    if(NOT file MATCHES "\\.a$")
        set(owner_${file} ${file})
        continue()
    endif()
    find_file(archive_${file} ${file} PATHS ${LIBRARY_DIRS} NO_DEFAULT_PATH NO_CACHE)
    if(NOT archive_${file})
        message(FATAL_ERROR "${file}, named in ${NOTICES}, is in none of ${LIBRARY_DIRS}")
    endif()
    userdata_run(${LLVM_AR} t ${archive_${file}})
    string(REPLACE "\n" ";" members "${output}")
    foreach(member ${members})
        set(owner_${member} ${file})
    endforeach()
endforeach()

userdata_run(${LLVM_AR} t ${OWN_ARCHIVE})
string(REPLACE "\n" ";" own_members "${output}")

set(problems "")
set(used "")
foreach(map ${MAPS})
    # "address size align  input:(.section)", an archive member by its own name; a symbol's line aligns to 0.
    file(STRINGS ${map} inputs REGEX "^[0-9a-f]+ [0-9a-f]+ +[1-9][0-9]* +[^ ]+:\\(\\.")
    list(TRANSFORM inputs REPLACE "^[0-9a-f]+ [0-9a-f]+ +[0-9]+ +([^ ]+):\\(.*" "\\1")
    list(REMOVE_DUPLICATES inputs)
    set(components "")
    foreach(input ${inputs})
        get_filename_component(name ${input} NAME)
        if(input MATCHES "CMakeFiles/.*\\.(obj|res)$" OR name MATCHES "^lib[A-Za-z0-9_]+(h|t|s[0-9]+)\\.o$"
           OR name MATCHES "\\.dll$" OR name IN_LIST own_members)
            continue()  # the project's own, or an import thunk
        elseif(DEFINED owner_${name})
            list(APPEND components ${owner_${name}})
        else()
            string(APPEND problems "\n  ${map}: ${input} comes from no file that the notices name")
        endif()
    endforeach()
    list(REMOVE_DUPLICATES components)
    list(SORT components)
    list(APPEND used ${components})
    list(JOIN components " " text)
    get_filename_component(binary ${map} NAME_WLE)
    message(STATUS "${binary} links in: ${text}")
endforeach()

set(unused ${listed})
list(REMOVE_ITEM unused ${used})
if(unused)
    string(APPEND problems "\n  the notices name ${unused}, which no shipped binary links in")
endif()
if(problems)
    message(FATAL_ERROR "THIRD-PARTY-NOTICES and the link maps differ:${problems}")
endif()
