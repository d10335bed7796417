# Writes the header of named text numbers from the string catalogue: an entry
# "number Name|text" gives `kTextName = number`. A name used twice or not a
# C++ identifier stops the build.
#   cmake -DIN=catalogue.txt -DOUT=TextNumbers.h -P TextNumbers.cmake
cmake_minimum_required(VERSION 3.21)
file(READ "${IN}" catalogue)
# Only the part before the "|" is matched, so the texts (which may hold ";")
# never reach a CMake list.
string(REGEX MATCHALL "(^|\n)[0-9]+ [^|\n]*\\|" entries "${catalogue}")
set(body "")
set(names "")
foreach(entry ${entries})
    string(STRIP "${entry}" entry)
    if(NOT entry MATCHES "^([0-9]+) ([A-Z][A-Za-z0-9]*)\\|$")
        message(FATAL_ERROR "${IN}: \"${entry}\" is not \"number Name|\"")
    endif()
    set(number ${CMAKE_MATCH_1})
    set(name ${CMAKE_MATCH_2})
    if(name IN_LIST names)
        message(FATAL_ERROR "${IN}: the name ${name} is given twice")
    endif()
    list(APPEND names ${name})
    string(APPEND body "inline constexpr int kText${name} = ${number};\n")
endforeach()
file(WRITE "${OUT}.tmp"
"// Generated from ${IN}; do not edit.\n#pragma once\n\nnamespace rq50 {\n\n${body}\n}  // namespace rq50\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
