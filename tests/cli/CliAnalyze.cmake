# The engine tool's analyze command: a line per half-move in the game's numbering, the shot
# walked into marked with the move that avoids it, the marks counted per side, the annotated
# game written as PDN that reads back, and exit status 2 for a game that cannot be read.
include(${CMAKE_CURRENT_LIST_DIR}/../support/RunEngine.cmake)

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
# White's 27-23 lets Black give one man and take two.
file(WRITE ${SCRATCH}/shot.pdn [=[
[Event "Shot"]
[SetUp "1"]
[FEN "W:W17,18,20,21,22,24,26,27,29,30,31,32:B2,3,4,5,6,7,9,11,12,13,15,16"]
1... 27-23 2. 16-19 23x16 3. 12x19x28 *
]=])
set(options --movetime 0.05 --threads 1 --egdb none)
run(0 analyze ${SCRATCH}/shot.pdn ${options} --pdn ${SCRATCH}/out.pdn)
set(score "(0\\.00|[+-][0-9]+\\.[0-9][0-9])")
if(NOT out MATCHES "^1\\.\\.\\. 27-23  ${score}  best [0-9]+-[0-9]+ ${score}  blunder\n2\\. 16-19  ${score}\n2\\.\\.\\. 23x16  ${score}\n3\\. 12x19x28  ${score}\nRed: 0 inaccuracies, 0 mistakes, 0 blunders\nWhite: 0 inaccuracies, 0 mistakes, 1 blunder\n$")
  message(FATAL_ERROR "analyze printed:\n${out}")
endif()
file(READ ${SCRATCH}/out.pdn annotated)
if(NOT annotated MATCHES "1\\.\\.\\. 27-23 \\$4 {${score} best [0-9]+-[0-9]+} 2\\. 16-19 {${score}}")
  message(FATAL_ERROR "--pdn wrote:\n${annotated}")
endif()
execute_process(COMMAND ${ENGINE} pdn ${SCRATCH}/out.pdn OUTPUT_VARIABLE replay RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT replay MATCHES "^1: 4 \\* ")
  message(FATAL_ERROR "the annotated game did not read back: ${replay}")
endif()

run(2 analyze ${SCRATCH}/missing.pdn)
if(NOT err MATCHES "^velk-checkers-engine: Cannot open file \".*missing.pdn\"")
  message(FATAL_ERROR "a missing file gave: ${err}")
endif()
run(2 analyze ${SCRATCH}/shot.pdn --game 2)
run(2 analyze ${CMAKE_CURRENT_LIST_FILE})
if(NOT err STREQUAL "velk-checkers-engine: Invalid Velk Checkers File\n")
  message(FATAL_ERROR "a foreign file gave: ${err}")
endif()
run(2 analyze ${SCRATCH}/shot.pdn --movetime 0)
file(REMOVE_RECURSE ${SCRATCH})
