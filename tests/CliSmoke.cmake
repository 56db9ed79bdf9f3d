# Runs the engine tool the way a user would: what it prints and how it exits.
function(check status pattern)
  execute_process(COMMAND ${ENGINE} ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL status OR NOT out MATCHES "${pattern}")
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "'${command}' exited with ${rc} (expected ${status}) and printed:\n${out}${err}")
  endif()
endfunction()

check(0 "^perft\\(6\\) = 36768\n" perft 6)
check(0 "^12-16\n11-15\n10-14\n09-13\n11-16\n10-15\n09-14\n$" moves)
check(2 "" moves --fen "B:W21-32:X1-12")
check(2 "" moves --fen "B:W33:B1")
