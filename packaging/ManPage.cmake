# Writes a manual page from a program's own help texts, so the page never
# drifts from the program. Run with cmake -P and:
#   PROGRAM   the program to ask
#   NAME      its name on the page
#   SUMMARY   one line for the NAME section
#   VERSION   the version for the page footer
#   OUTPUT    the .1 file to write
#   COMMANDS  ON when the program has commands, each with its own --help:
#             the command names are read from the "Commands:" list of
#             "PROGRAM --help"
cmake_minimum_required(VERSION 3.16)

foreach(var PROGRAM NAME SUMMARY VERSION OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ManPage.cmake: ${var} is not set")
  endif()
endforeach()

function(ask_program out)
  execute_process(COMMAND ${PROGRAM} ${ARGN}
    OUTPUT_VARIABLE text ERROR_VARIABLE error RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    string(REPLACE ";" " " arguments "${ARGN}")
    message(FATAL_ERROR "ManPage.cmake: '${PROGRAM} ${arguments}' failed (${status}): ${error}")
  endif()
  # A program that answers but reports a problem of its own (such as a
  # command module it cannot load) would give an incomplete page.
  if(error MATCHES "(^|\n)${NAME}: ")
    message(FATAL_ERROR "ManPage.cmake: '${PROGRAM} ${ARGN}' reported: ${error}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Help text as a verbatim roff block: backslashes escaped, and no line may
# start with a control character.
function(roff_verbatim out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REGEX REPLACE "\n+$" "" text "${text}")
  set(${out} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

string(TOUPPER "${NAME}" title)
string(REPLACE "-" "\\-" name_roff "${NAME}")
set(page ".TH ${title} 1 \"\" \"${NAME} ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${name_roff} \\- ${SUMMARY}\n")

ask_program(overview --help)
roff_verbatim(block "${overview}")
string(APPEND page ".SH DESCRIPTION\n${block}")

if(COMMANDS)
  string(REGEX MATCH "\nCommands:\n(  [^\n]+\n)+" list "${overview}")
  string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" names "${list}")
  if(NOT names)
    message(FATAL_ERROR "ManPage.cmake: no command list in '${PROGRAM} --help'")
  endif()
  string(APPEND page ".SH COMMANDS\n")
  foreach(entry IN LISTS names)
    string(STRIP "${entry}" command)
    ask_program(usage ${command} --help)
    roff_verbatim(block "${usage}")
    string(APPEND page ".SS ${command}\n${block}")
  endforeach()
endif()

string(APPEND page ".SH VERSION\n${NAME} ${VERSION}; \\fB${name_roff} \\-\\-version\\fR prints it.\n")
file(WRITE "${OUTPUT}" "${page}")
