# Writes a text file as a C++ character array named NAME, so that the library carries data such
# as the opening book without an installed path. Run with -DINPUT= -DOUTPUT= -DNAME=.
file(READ "${INPUT}" text)
if(text MATCHES "\\)VELKTEXT\"")
  message(FATAL_ERROR "${INPUT} holds the string's own terminator")
endif()
file(WRITE "${OUTPUT}"
     "// Generated from ${INPUT}; edit that file instead.\n"
     "extern const char ${NAME}[];\n"
     "const char ${NAME}[] = R\"VELKTEXT(${text})VELKTEXT\";\n")
