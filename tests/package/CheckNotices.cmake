# THIRD-PARTY-NOTICES names, for each shipped binary, everything that its link map shows linked in, and nothing
# more: each archive member comes from an archive that a "Linked into BINARY from:" line names, each object file
# outside the build is named there itself; the rest is the project's own objects and the import thunks of the
# system DLLs (the mingw-w64 import libraries, and LLVM's for msi.dll and UserData.dll). A new library on a link,
# or a dependency that goes, fails here until the notices say so for that binary.
# Arguments: NOTICES, MAPS (a list, each named BINARY.map), LIBRARY_DIRS (a list, where the link looked), LLVM_AR,
# OWN_ARCHIVE (the project's core library, whose members are the project's own objects).

cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../support/ScriptSupport.cmake)

# listed_<binary>: the files that the notices say <binary> is linked from.
file(STRINGS ${NOTICES} lines REGEX "^Linked into [^ ]+ from: ")
foreach(line ${lines})
    string(REGEX REPLACE "^Linked into ([^ ]+) from: (.*)$" "\\1" binary "${line}")
    string(REGEX REPLACE "^Linked into ([^ ]+) from: (.*)$" "\\2" files "${line}")
    string(REPLACE " " ";" files "${files}")
    list(APPEND listed_${binary} ${files})
    list(APPEND listed ${files})
endforeach()
list(REMOVE_DUPLICATES listed)

# owner_<member>: the file named in the notices that an archive member or object comes from.
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
foreach(map ${MAPS})
    get_filename_component(binary ${map} NAME_WLE)
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
    list(JOIN components " " text)
    message(STATUS "${binary} links in: ${text}")
    set(unnamed ${components})
    set(unused ${listed_${binary}})
    list(REMOVE_ITEM unnamed ${listed_${binary}} "")
    list(REMOVE_ITEM unused ${components} "")
    if(unnamed)
        string(APPEND problems "\n  ${binary} links in ${unnamed}, which the notices do not name for it")
    endif()
    if(unused)
        string(APPEND problems "\n  the notices name ${unused} for ${binary}, which does not link it in")
    endif()
endforeach()

if(problems)
    message(FATAL_ERROR "THIRD-PARTY-NOTICES and the link maps differ:${problems}")
endif()
