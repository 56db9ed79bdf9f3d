# The engine tool's pdn and convert commands on the PDN seed files and a saved game.
include(${CMAKE_CURRENT_LIST_DIR}/../support/RunEngine.cmake)

function(expect what actual expected)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what} gave:\n${actual}\nexpected:\n${expected}")
  endif()
endfunction()

set(pdn ${CORPUS}/pdn-corpus)
run(2 pdn ${pdn}/games.pdn)
expect("pdn games.pdn" "${out}" [=[1: 6 1-0 B:W18,21,23,24,25,26,27,28,30,31,32:B1,2,3,4,5,6,7,9,10,11,12
2: error: Game 2: GameType 20 is not English draughts (21)
3: 3 * B:W15:BK6,12,16
4: error: Game 4, move 2: 9-13 is not a legal move here
]=])
run(0 pdn ${pdn}/notes.pdn)
expect("pdn notes.pdn" "${out}" "1: 5 1/2-1/2 W:W17,19,21,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,10,11,12,13,15\n")

# A saved game to PDN and back: the same moves and the same end, the winner as the result.
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
run(0 convert ${CORPUS}/corpus/finished.ckr ${SCRATCH}/finished.pdn)
file(READ ${SCRATCH}/finished.pdn text)
if(NOT text MATCHES "\\[Result \"1-0\"\\]\n\\[GameType \"21\"\\]\n\\[SetUp \"1\"\\]\n\\[FEN \"[^\"]+\"\\]\n\n1\\. 14x23 1-0\n$")
  message(FATAL_ERROR "convert wrote:\n${text}")
endif()
run(0 convert ${SCRATCH}/finished.pdn ${SCRATCH}/back.ckr)
run(0 show ${SCRATCH}/back.ckr)
if(NOT out MATCHES "finished: yes\nrecord: BLACK: 14-23\n$")
  message(FATAL_ERROR "show of the converted game printed:\n${out}")
endif()
# PDN to PDN keeps the tags, the comments and the result; to a game file, the result it cannot
# hold is said on the error stream.
run(0 convert ${pdn}/notes.pdn ${SCRATCH}/notes.pdn)
file(READ ${SCRATCH}/notes.pdn text)
expect("convert notes.pdn" "${text}" [=[[Event "Notes"]
[Result "1/2-1/2"]
[GameType "21"]

1. 11-15 {a book move} 23-19 $6 {a line comment} 2. 8-11 22-17 3. 9-13 1/2-1/2
]=])
run(0 convert ${pdn}/notes.pdn ${SCRATCH}/notes.ckr)
expect("convert notes.pdn to .ckr" "${err}" "velk-checkers-engine: The game result 1/2-1/2 is not stored in .ckr files; save as PDN to keep it\n")
# From several games the first is converted.
run(0 convert ${pdn}/games.pdn ${SCRATCH}/first.ckr)
run(0 show ${SCRATCH}/first.ckr)
if(NOT out MATCHES "records: 6\n")
  message(FATAL_ERROR "show of the first game printed:\n${out}")
endif()

# Bad input: one line and status 2, nothing written.
foreach(case "pdn" "pdn ${SCRATCH}/missing.pdn" "convert ${pdn}/setup.pdn" "convert ${pdn}/games.pdn ${SCRATCH}/x.txt"
             "convert ${pdn}/notes.pdn ${SCRATCH}/a.pdn extra" "pdn --fen B:W21-32:B1-12 ${pdn}/notes.pdn")
  separate_arguments(case)
  run(2 ${case})
  if(NOT err MATCHES "^velk-checkers-engine: [^\n]+\n$" OR NOT out STREQUAL "")
    message(FATAL_ERROR "'${case}' printed:\n${out}${err}")
  endif()
endforeach()
file(WRITE ${SCRATCH}/ambiguous.pdn "[FEN \"B:W6,7,14,15:B2\"]\n1. 2x18 *\n")
run(2 convert ${SCRATCH}/ambiguous.pdn ${SCRATCH}/never.ckr)
expect("convert ambiguous.pdn" "${err}"
       "velk-checkers-engine: Game 1, move 1: 2x18 is ambiguous here: it may be 2x9x18 or 2x11x18\n")
if(EXISTS ${SCRATCH}/never.ckr OR EXISTS ${SCRATCH}/x.txt)
  message(FATAL_ERROR "a failed convert left a file")
endif()
