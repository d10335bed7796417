# Writes the rq50-cli manual page from the program's own help texts, so the
# page lists exactly the options and commands the program has.
#   cmake -DCLI=rq50-cli -DTEMPLATE=rq50-cli.1.in -DVERSION=x.y.z -DOUT=rq50-cli.1 -P ManPage.cmake

# roff text of a help text: backslashes and leading dots escaped, hyphens
# kept as hyphens (not dashes) so that options can be copied.
function(roff_escape text out)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(run_help out)
    execute_process(COMMAND ${CLI} ${ARGN} --help
        OUTPUT_VARIABLE help ERROR_VARIABLE help RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${CLI} ${ARGN} --help failed: ${help}")
    endif()
    string(STRIP "${help}" help)
    set(${out} "${help}" PARENT_SCOPE)
endfunction()

run_help(top)

# Options: everything of the top help between its usage line and the list of
# subcommands.
string(FIND "${top}" "\nOptions:" optionsAt)
string(FIND "${top}" "\nSubcommands:" commandsAt)
if(optionsAt EQUAL -1 OR commandsAt EQUAL -1)
    message(FATAL_ERROR "unexpected help layout of ${CLI}")
endif()
math(EXPR optionsLength "${commandsAt} - ${optionsAt}")
string(SUBSTRING "${top}" ${optionsAt} ${optionsLength} options)
string(STRIP "${options}" options)
roff_escape("${options}" options)
set(OPTIONS ".nf\n${options}\n.fi")

# Commands: one subsection each, with the command's own help.
string(SUBSTRING "${top}" ${commandsAt} -1 commandList)
string(REPLACE "\n" ";" commandLines "${commandList}")
set(COMMANDS "")
foreach(line ${commandLines})
    if(line MATCHES "^  ([a-z][a-z0-9-]*)  +(.*)$")
        set(name "${CMAKE_MATCH_1}")
        set(summary "${CMAKE_MATCH_2}")
        run_help(help ${name})
        # The first line repeats the summary.
        string(FIND "${help}" "\n" firstBreak)
        if(firstBreak GREATER -1)
            math(EXPR rest "${firstBreak} + 1")
            string(SUBSTRING "${help}" ${rest} -1 help)
            string(STRIP "${help}" help)
        endif()
        roff_escape("${summary}" summary)
        roff_escape("${help}" help)
        string(APPEND COMMANDS ".SS ${name}\n${summary}\n.PP\n.nf\n${help}\n.fi\n")
    endif()
endforeach()
if(COMMANDS STREQUAL "")
    message(FATAL_ERROR "no subcommands found in the help of ${CLI}")
endif()

configure_file(${TEMPLATE} ${OUT} @ONLY)
if(GZIP)
    file(REMOVE ${OUT}.gz)
    execute_process(COMMAND ${GZIP} -9n ${OUT} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${GZIP} ${OUT} failed")
    endif()
endif()
