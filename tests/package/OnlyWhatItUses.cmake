# UserData.dll carries only what it uses of the run-time libraries: its link map shows none of the pieces that every
# host would load, relocate and page in for nothing, and the DLL stays under MOST_BYTES.
# Arguments: MAP (UserData.dll's link map), DLL, MOST_BYTES.

cmake_minimum_required(VERSION 3.25)

# Each piece, and the archive members (as the map names them) that bring it back.
set(pieces
    "the C++ demangler (the verbose terminate handler's)|cp-demangle\\.o|vterminate\\.o"
    "a std::string ABI (the exception classes' messages)|string-inst\\.o|sso_string\\.o|stdexcept\\.o"
    "the printf family (std::to_wstring, the throw helpers' messages)|pformat|printf|gdtoa"
    "winpthreads (emulated thread-local storage, the emergency exception pool's lock)|libwinpthread")

# "address size align  member:(.section)": the members whose sections the DLL holds.
file(STRINGS ${MAP} inputs REGEX "^[0-9a-f]+ [0-9a-f]+ +[1-9][0-9]* +[^ ]+:\\(\\.")
list(TRANSFORM inputs REPLACE "^[0-9a-f]+ [0-9a-f]+ +[0-9]+ +([^ ]+):\\(.*" "\\1")
list(REMOVE_DUPLICATES inputs)
set(problems "")
foreach(piece ${pieces})
    string(REPLACE "|" ";" members "${piece}")
    list(POP_FRONT members name)
    list(JOIN members "|" pattern)
    set(found ${inputs})
    list(FILTER found INCLUDE REGEX "${pattern}")
    if(found)
        string(APPEND problems "\n  ${name} is linked in: ${found}")
    endif()
endforeach()
file(SIZE ${DLL} bytes)
if(bytes GREATER MOST_BYTES)
    string(APPEND problems "\n  ${DLL} is ${bytes} bytes, more than ${MOST_BYTES}")
endif()
if(problems)
    message(FATAL_ERROR "UserData.dll carries what it does not use:${problems}")
endif()
