# run(STATUS ARGS...): the engine tool with ARGS, which must exit with STATUS; its standard output
# and error are left in out and err. Shared by the command-line tests.
function(run expected_status)
  execute_process(COMMAND ${ENGINE} ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status
                  TIMEOUT 60)
  if(NOT status EQUAL expected_status)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "'${command}' exited with ${status}, expected ${expected_status}:\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()
