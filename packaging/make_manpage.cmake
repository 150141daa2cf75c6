# Writes the man page velmora.6 from the program's own --help text, so that
# the two never disagree.
#   cmake -DPROGRAM=path/to/velmora -DOUTPUT=velmora.6 -DVERSION=x.y.z -P make_manpage.cmake
#
# The help text is read as blocks separated by blank lines: the "usage:" line
# becomes the synopsis, blocks of "  --option  text" lines the options, a
# block starting "Exit status:" the exit status, every other block the
# description.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()

# Text to roff: backslashes and dashes escaped, no line starting with a dot.
function(roff out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# CMake's lists are split at semicolons, escaped or not once taken apart:
# the help's own semicolons travel as a marker (untouched by the roff
# escapes) and come back at the end.
set(semicolon "@velmoraSEMICOLON@")
string(REPLACE ";" "${semicolon}" help "${help}")
string(REGEX REPLACE "\n\n+" ";" blocks "${help}")

set(synopsis "")
set(description "")
set(options "")
set(exitstatus "")
foreach(block IN LISTS blocks)
  string(STRIP "${block}" stripped)
  if(stripped STREQUAL "")
    continue()
  endif()
  if(stripped MATCHES "^usage: velmora (.*)$")
    roff(args "${CMAKE_MATCH_1}")
    set(synopsis ".B velmora\n${args}\n")
  elseif(block MATCHES "^  -")
    string(REPLACE "\n" ";" lines "${block}")
    foreach(line IN LISTS lines)
      if(line MATCHES "^  (-[^ ]+( [A-Z][^ ]*)?)  +(.*)$")
        roff(name "${CMAKE_MATCH_1}")
        roff(text "${CMAKE_MATCH_3}")
        string(APPEND options ".TP\n.B ${name}\n${text}\n")
      elseif(line MATCHES "^ +(.*)$")
        roff(text "${CMAKE_MATCH_1}")
        string(APPEND options "${text}\n")
      endif()
    endforeach()
  elseif(stripped MATCHES "^Exit status: *(.*)$")
    roff(text "${CMAKE_MATCH_1}")
    string(APPEND exitstatus ".PP\n${text}\n")
  else()
    roff(text "${stripped}")
    string(APPEND description ".PP\n${text}\n")
  endif()
endforeach()
if(synopsis STREQUAL "" OR options STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help has no usage line or no options")
endif()

set(page ".TH VELMORA 6 \"\" \"velmora ${VERSION}\" \"Games\"\n")
string(APPEND page ".SH NAME\nvelmora \\- a real\\-time audiovisual production (a demo)\n")
string(APPEND page ".SH SYNOPSIS\n${synopsis}")
string(APPEND page ".SH DESCRIPTION\n${description}")
string(APPEND page ".SH OPTIONS\n${options}")
if(NOT exitstatus STREQUAL "")
  string(APPEND page ".SH EXIT STATUS\n${exitstatus}")
endif()
string(REPLACE "${semicolon}" ";" page "${page}")
file(WRITE "${OUTPUT}.tmp" "${page}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
