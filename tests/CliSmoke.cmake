# Runs the engine tool the way a user would: what it prints and how it exits.
function(check status pattern)
  execute_process(COMMAND ${ENGINE} ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL status OR NOT "${out}${err}" MATCHES "${pattern}")
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "'${command}' exited with ${rc} (expected ${status}) and printed:\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

# perft walks the tree as the search does, one board per ply through ApplyMove.
check(0 "^perft\\(7\\) = 179740\n" perft 7)
check(0 "^12-16\n11-15\n10-14\n09-13\n11-16\n10-15\n09-14\n$" moves)
check(2 "" moves --fen "B:W21-32:X1-12")
check(2 "" moves --fen "B:W33:B1")
check(0 "^no legal move\n$" moves --fen "B:W5,6,10:B1")
check(0 "^velk-checkers-engine [0-9]+\\.[0-9.]+\n$" --version)
# A square listed twice, in one list, in both or inside a range, is refused in one line.
foreach(case "21 B:W21,K21:B1" "5 B:W5:BK5" "2 B:W30:B1-3,2")
  separate_arguments(case)
  list(GET case 0 square)
  list(GET case 1 fen)
  check(2 "^velk-checkers-engine: square ${square} is given twice\n$" moves --fen ${fen})
endforeach()

# 21-25 leaves White's last man without a move: a win at once, whatever the depth. After the
# forced 13-17, 22x13 takes Black's last man; the tool scores the line the search skips.
check(0 "^bestmove 21-25\nscore 999941\nnodes [0-9]+\n.*\ntable 19110 bytes, 1365 entries, cleared in [0-9.]+ s"
      search 6 --memory 19110 --fen "B:W29:B21,22")
check(0 "^bestmove 13-17\nscore -999940\nonly move: not searched\n" search 6 --fen "B:W22:B13")
check(0 "\nb \\. b \\. - \\. - \\.\t\t21  22  23  24  \n.*\n\n1\\) 22-26\n2\\) 21-25\n3\\) 22-25\n$"
      report --fen "B:W29:B21,22")
check(0 "^depth 3, table 1048576 bytes: 896 bytes in 64 entries\n([BW]:[^\n]+ nodes +[0-9.]+ s\n)+total [0-9]+ nodes [0-9.]+ s [0-9]+ nodes per second\ntable cleared in [0-9.]+ s in all, apart from the search times\n$"
      bench --depth 3)
check(0 "^depth 1, table [1-9][0-9]+ bytes: 56 bytes" bench --depth 1 --game-memory)
# Numbers out of range, the table's budget among them, are refused; so is a table the system
# will not give, which a sanitizer's reserved address space leaves untestable.
check(2 "^velk-checkers-engine: DEPTH 65 is too large: it must be between 1 and 64\n$" search 65)
check(2 "--memory 1000000000000000 is too large: it must be between 1 and 4294967295\n$"
      search 4 --memory 1000000000000000)
check(2 "either --memory or --game-memory" search 4 --memory 1048576 --game-memory)
execute_process(COMMAND sh -c "ulimit -v 400000 && exec \"$0\" search 20 --memory 4000000000" ${ENGINE}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT err MATCHES "Sanitizer" AND NOT (rc EQUAL 2 AND err STREQUAL
   "velk-checkers-engine: the transposition table of 4000000000 bytes could not be allocated\n"))
  message(FATAL_ERROR "an unavailable table: exit ${rc}, printed:\n${out}${err}")
endif()

# divide splits perft by root move: kings, captures and men together.
set(fen "B:WK3,18,22,25,K28:B9,13,K14,K23")
check(0 "^perft\\(5\\) = [0-9]+\n" perft 5 --fen ${fen})
string(REGEX REPLACE "^perft\\([0-9]+\\) = ([0-9]+)\n.*" "\\1" perft "${out}")
check(0 "\ntotal: ${perft}\n" divide 5 --fen ${fen})
string(REGEX MATCHALL "[0-9][0-9]-[0-9-]+: [0-9]+" lines "${out}")
set(sum 0)
foreach(line IN LISTS lines)
  string(REGEX REPLACE ".*: " "" count "${line}")
  math(EXPR sum "${sum} + ${count}")
endforeach()
if(NOT sum EQUAL perft)
  message(FATAL_ERROR "divide's lines add up to ${sum}, perft counts ${perft}:\n${out}")
endif()

# selfplay plays to the end under the draw rule: one line per move as played, then the game's
# record of the same moves, Black's before White's.
function(check_selfplay tags)
  check(0 "" selfplay ${ARGN})
  string(REGEX MATCHALL "[0-9]+\\.(\\.\\.)? [0-9-]+\n" lines "${out}")
  string(REGEX REPLACE "[0-9]+\\.(\\.\\.)? ([0-9-]+)\n" "\\2 " played "${lines}")
  string(REPLACE ";" "" played "${played}")
  string(STRIP "${played}" played)
  list(LENGTH lines count)
  if(NOT "${out}" MATCHES "^([0-9]+\\.(\\.\\.)? [0-9-]+\n)*(${tags}) ?([^\n]*)\n$")
    message(FATAL_ERROR "'selfplay ${ARGN}' printed:\n${out}")
  endif()
  if(NOT "${CMAKE_MATCH_4}" STREQUAL "${played}")  # the match is read once it has been made
    message(FATAL_ERROR "'selfplay ${ARGN}' recorded other moves than it played:\n${out}")
  endif()
  set(count ${count} PARENT_SCOPE)
  set(tag "${CMAKE_MATCH_3}" PARENT_SCOPE)
endfunction()
check_selfplay("DRAW :|BLACK:|WHITE:" --depth 3)
check_selfplay("DRAW :" --depth 2 --fen "B:WK32:BK1")
check_selfplay("NOT FINISHED:|BLACK:|WHITE:" --depth 2 --no-draws --fen "B:WK32:BK1")
if(tag STREQUAL "NOT FINISHED:" AND NOT count EQUAL 1000)
  message(FATAL_ERROR "selfplay --no-draws stopped after ${count} half-moves")
endif()
check_selfplay("WHITE:" --fen "B:W5,6,10:B1")  # Black cannot move
check(2 "takes no value" selfplay --no-draws=yes)

# The levels by name. Expert searches for its time and says how deep it got; a single legal
# move is answered unsearched. A match plays each opening with both colours and adds them up.
check(0 "^bestmove [0-9-]+\nscore -?[0-9]+\ndepth [1-9][0-9]*\nnodes [0-9]+\n" search --level expert --movetime 0.05)
check(0 "^bestmove 14-23\nscore -?[0-9]+\ndepth 0\n" search --level expert --fen "B:W18:B14")
check(0 "\nthreads 3\ntable made in [0-9.]+ s" search --level expert --movetime 0.05 --threads 3)
check(0 "^bestmove 21-25\nscore 9999[0-9][0-9]\n" search --level easy --fen "B:W29:B21,22")
check_selfplay("BLACK:" --level expert:0.01 --fen "B:WK32:BK14,K15")
foreach(bad "search --level hard" "search --level depth:0" "search --level easy --movetime 1"
            "search --level expert --movetime 0" "search 4 --level easy" "selfplay --depth 3 --level easy"
            "match --a easy" "match --a easy --b expert:x" "search --level expert --threads 0")
  separate_arguments(bad)
  check(2 "^velk-checkers-engine: " ${bad})
endforeach()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/openings.fen "# one opening\nW:W21-32:B1-12\n")
check(0 "^match: A depth:3 against B depth:1, 2 games\ngame 1: [^\n]*A white: [^\n]+\ngame 2: [^\n]*A black: [^\n]+\ntotal: A [0-2] wins, [0-2] losses, [0-2] draws, score [0-9.]+ %\ntime per move: A [0-9.]+ s, B [0-9.]+ s\n$"
      match --a depth:3 --b depth:1 --openings ${CMAKE_CURRENT_BINARY_DIR}/openings.fen)

# Files that cannot be written: standard output on a full device, a file-size limit and a
# write-protected game (kept even for root, whom the system would let replace it). Each is a
# message and a failure, and nothing is left beside the game.
function(check_shell status pattern script)
  execute_process(COMMAND sh -c "${script}" ${ENGINE} ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL status OR NOT "${out}${err}" MATCHES "${pattern}")
    message(FATAL_ERROR "'${script}' exited with ${rc} (expected ${status}) and printed:\n${out}${err}")
  endif()
endfunction()
if(EXISTS /dev/full)
  check_shell(1 "^velk-checkers-engine: Cannot write the standard output. No space left on device\n$"
              "exec \"$0\" moves > /dev/full")
endif()
set(dir ${CMAKE_CURRENT_BINARY_DIR}/cli_smoke_files)
file(REMOVE_RECURSE ${dir})
file(MAKE_DIRECTORY ${dir})
file(WRITE ${dir}/game.pdn "1. 11-15 22-18 *\n")
check_shell(2 "^velk-checkers-engine: Cannot save the game file \"${dir}/game.ckr\". File too large\n$"
            "ulimit -f 0 && exec \"$0\" convert \"$1\" \"$2\"" ${dir}/game.pdn ${dir}/game.ckr)
check(0 "^$" convert ${dir}/game.pdn ${dir}/game.ckr)
file(READ ${dir}/game.ckr before HEX)
file(WRITE ${dir}/game.pdn "1. 9-13 *\n")
file(CHMOD ${dir}/game.ckr PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
check(2 "^velk-checkers-engine: Cannot save the game file \"${dir}/game.ckr\". Permission denied\n$"
      convert ${dir}/game.pdn ${dir}/game.ckr)
file(READ ${dir}/game.ckr after HEX)
file(GLOB left RELATIVE ${dir} ${dir}/* ${dir}/.*)
list(SORT left)
if(NOT before STREQUAL after OR NOT left STREQUAL "game.ckr;game.pdn")
  message(FATAL_ERROR "a refused save changed the game or left files: ${left}")
endif()
