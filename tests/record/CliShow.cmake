# The engine tool's show command on a saved game and on files that are not games.
include(${CMAKE_CURRENT_LIST_DIR}/../support/RunEngine.cmake)

run(0 show ${CORPUS}/capture-steps.ckr)
set(expected [=[signature: "Velk Checkers[3]" ok
start: " b           b       b   w      " W:W26:B2,14,22, white to move
records: 3
  1: 26-17, 1500 ms, turn goes on
  2: 17-10, 1500 ms, ends the turn
  3: 02-06, 900 ms, ends the turn
position: 3
finished: no
record: NOT FINISHED: 02-06 26-17-10
]=])
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "show printed:\n${out}")
endif()

run(0 show ${CORPUS}/finished.ckr)
if(NOT out MATCHES "finished: yes\nrecord: BLACK: 14-23\n$")
  message(FATAL_ERROR "show printed:\n${out}")
endif()

run(2 show ${CMAKE_CURRENT_LIST_FILE})
if(NOT err STREQUAL "velk-checkers-engine: Invalid Velk Checkers File\n")
  message(FATAL_ERROR "a foreign file gave: ${err}")
endif()

# Something that is not a file is refused at once instead of waiting for a writer; a game cut
# short is named with where it ends.
set(scratch ${CMAKE_CURRENT_BINARY_DIR}/cli_show_scratch)
file(REMOVE_RECURSE ${scratch})
file(MAKE_DIRECTORY ${scratch})
execute_process(COMMAND mkfifo ${scratch}/fifo.ckr)
run(2 show ${scratch}/fifo.ckr)
if(NOT err STREQUAL "velk-checkers-engine: Cannot open file \"${scratch}/fifo.ckr\". Not a regular file\n")
  message(FATAL_ERROR "a FIFO gave: ${err}")
endif()
execute_process(COMMAND head -c 100 ${CORPUS}/opening.ckr OUTPUT_FILE ${scratch}/cut.ckr)
run(2 show ${scratch}/cut.ckr)
if(NOT err MATCHES "The game file \"${scratch}/cut.ckr\" is cut short: it ends at byte 100, where [0-9]+ more bytes")
  message(FATAL_ERROR "a game cut short gave: ${err}")
endif()
file(REMOVE_RECURSE ${scratch})

# Every seed of the fuzzer is a sound game: the checks refuse nothing the program writes.
file(GLOB seeds ${CORPUS}/*.ckr)
foreach(seed IN LISTS seeds)
  run(0 show ${seed})
endforeach()
