# The handbook the program shows (F1) is written once, in the README: the parts between the marks
# "<!-- handbook" and "<!-- /handbook -->" are joined and compiled in as a character array NAME.
# Run with -DINPUT=README.md -DOUTPUT=file.cpp -DNAME=.
file(READ "${INPUT}" text)
set(handbook "")
foreach(part_index RANGE 99)
  string(FIND "${text}" "<!-- handbook" begin)
  if(begin EQUAL -1)
    break()
  endif()
  string(SUBSTRING "${text}" ${begin} -1 text)
  string(FIND "${text}" "-->" open)
  math(EXPR open "${open} + 3")
  string(SUBSTRING "${text}" ${open} -1 text)
  string(FIND "${text}" "<!-- /handbook -->" end)
  if(end EQUAL -1)
    message(FATAL_ERROR "${INPUT}: a handbook part has no closing mark")
  endif()
  string(SUBSTRING "${text}" 0 ${end} part)
  string(APPEND handbook "${part}\n")
  string(SUBSTRING "${text}" ${end} -1 text)
  string(LENGTH "<!-- /handbook -->" close)
  string(SUBSTRING "${text}" ${close} -1 text)
endforeach()
if(handbook STREQUAL "")
  message(FATAL_ERROR "${INPUT} marks no handbook")
endif()
if(handbook MATCHES "\\)VELKTEXT\"")
  message(FATAL_ERROR "${INPUT} holds the string's own terminator")
endif()
file(WRITE "${OUTPUT}"
     "// Generated from the handbook parts of ${INPUT}; edit that file instead.\n"
     "extern const char ${NAME}[];\n"
     "const char ${NAME}[] = R\"VELKTEXT(# Velk Checkers Handbook\n${handbook})VELKTEXT\";\n")
