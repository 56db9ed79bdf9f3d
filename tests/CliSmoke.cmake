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

# selfplay plays to the end under the draw rule: the start position, one line per move as played,
# then the game's record of the same moves, Black's before White's.
function(check_selfplay tags)
  check(0 "" selfplay ${ARGN})
  string(REGEX MATCHALL "[0-9]+\\.(\\.\\.)? [0-9-]+\n" lines "${out}")
  string(REGEX REPLACE "[0-9]+\\.(\\.\\.)? ([0-9-]+)\n" "\\2 " played "${lines}")
  string(REPLACE ";" "" played "${played}")
  string(STRIP "${played}" played)
  list(LENGTH lines count)
  if(NOT "${out}" MATCHES "^start [BW]:[^\n]+\n([0-9]+\\.(\\.\\.)? [0-9-]+\n)*(${tags}) ?([^\n]*)\n$")
    message(FATAL_ERROR "'selfplay ${ARGN}' printed:\n${out}")
  endif()
  if(NOT "${CMAKE_MATCH_4}" STREQUAL "${played}")  # the match is read once it has been made
    message(FATAL_ERROR "'selfplay ${ARGN}' recorded other moves than it played:\n${out}")
  endif()
  set(count ${count} PARENT_SCOPE)
  set(tag "${CMAKE_MATCH_3}" PARENT_SCOPE)
endfunction()
check_selfplay("DRAW :|BLACK:|WHITE:" --depth 3)
# Two lone kings at depth 2 end the game, mostly by the draw rule; a king walked into a corner trap
# deeper than two plies can still be taken, and which moves the search picks among equals varies.
check_selfplay("DRAW :|BLACK:|WHITE:" --depth 2 --fen "B:WK32:BK1")
check_selfplay("NOT FINISHED:|BLACK:|WHITE:" --depth 2 --no-draws --fen "B:WK32:BK1")
if(tag STREQUAL "NOT FINISHED:" AND NOT count EQUAL 1000)
  message(FATAL_ERROR "selfplay --no-draws stopped after ${count} half-moves")
endif()
check_selfplay("WHITE:" --fen "B:W5,6,10:B1")  # Black cannot move
check(2 "takes no value" selfplay --no-draws=yes)

# The levels by name. Expert searches for its time and says how deep it got; a single legal
# move is answered unsearched. A match plays each opening with both colours and adds them up.
check(0 "^bestmove [0-9-]+\nscore -?[0-9]+\ndepth [1-9][0-9]*\nnodes [0-9]+\n" search --level expert --movetime 0.05 --no-book)
check(0 "^bestmove 14-23\nscore -?[0-9]+\ndepth 0\n" search --level expert --fen "B:W18:B14")
check(0 "\nthreads 3\ntable made in [0-9.]+ s" search --level expert --movetime 0.05 --threads 3 --no-book)
check(0 "^bestmove 21-25\nscore 9999[0-9][0-9]\n" search --level easy --fen "B:W29:B21,22")
check_selfplay("BLACK:" --level expert:0.01 --fen "B:WK32:BK14,K15")
foreach(bad "search --level hard" "search --level depth:0" "search --level easy --movetime 1"
            "search --level expert --movetime 0" "search 4 --level easy" "selfplay --depth 3 --level easy"
            "match --a easy" "match --a easy --b expert:x" "search --level expert --threads 0")
  separate_arguments(bad)
  check(2 "^velk-checkers-engine: " ${bad})
endforeach()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/openings.fen "# one opening\nW:W21-32:B1-12\n")
check(0 "^match: A depth:3 against B depth:1, 2 games\ngame 1: [^\n]*A white: [^\n]+\ngame 2: [^\n]*A black: [^\n]+\ntotal: A [0-2] wins, [0-2] losses, [0-2] draws, score [0-9.]+ % \\+- [0-9.]+\ntime per move: A [0-9.]+ s, B [0-9.]+ s\n$"
      match --a depth:3 --b depth:1 --openings ${CMAKE_CURRENT_BINARY_DIR}/openings.fen)

# On the clock, Expert shares out its time and the increment and never runs out; a deep search
# on a clock of 60 ms does, and its move is not played.
check(0 "^match: A expert against B expert, 2 games\ngame 1: [^\n]*, clocks A [0-9.]+ s, B [0-9.]+ s\ngame 2: [^\n]*, clocks A [0-9.]+ s, B [0-9.]+ s\ntotal: "
      match --a expert --b expert --clock 0.05+0.1 --games 2 --threads 1 --openings ${CMAKE_CURRENT_BINARY_DIR}/openings.fen)
if(out MATCHES "lost on time")
  message(FATAL_ERROR "Expert ran out of time:\n${out}")
endif()
check(0 "^start [^\n]+\nblack lost on time\nclocks: black 0\\.0 s, white 0\\.1 s\nWHITE:\n$" selfplay --depth 14 --clock 0.001+0)
check(2 "--clock must be MINUTES\\+SECONDS" match --a easy --b easy --clock 0+1)

# The opening book. The program's own has the start: Expert plays from it at once, the same
# move for the same seed, and says so. A book built from two ballots by shallow searches holds
# the positions on the way there, the ballots and a ply beyond, and is probed as the built-in.
check(0 "^bestmove ([0-9-]+)\nbook\nafter W:[^\n]+\n$" search --level expert --seed 5 --after)
string(REGEX MATCH "^bestmove [0-9-]+" first "${out}")
check(0 "^${first}\nbook\n$" search --level expert --seed 5)
check(0 "^key [0-9a-f]+\n([0-9-]+ -?[0-9]+\n)+bookmove [0-9-]+\n$" book probe)
# Without a seed each answer draws afresh: eight alike where the book scores three moves alike
# would mean none.
set(answers "")
foreach(i RANGE 1 8)
  check(0 "^bestmove [0-9-]+\nbook\n$" search --level expert
        --fen W:W17,21,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,9,10,11,12,15)
  list(APPEND answers "${out}")
endforeach()
list(REMOVE_DUPLICATES answers)
list(LENGTH answers distinct)
if(distinct LESS 2)
  message(FATAL_ERROR "eight unseeded book answers were all ${answers}")
endif()
check(2 "--seed and --no-book go with --level expert" search 4 --no-book)
set(dir ${CMAKE_CURRENT_BINARY_DIR}/cli_smoke_book)
file(REMOVE_RECURSE ${dir})
file(MAKE_DIRECTORY ${dir})
set(ballot1 "W:W17,22,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,6,7,8,9,10,11,12,13")
file(WRITE ${dir}/ballots.tsv "# number\tmoves\tdeck\tname\tFEN\n"
     "1\t9-13 21-17 5-9\tcrossboard\t\t${ballot1}\n"
     "4\t9-13 22-17 13x22\tcrossboard\t\tW:W21,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,8,10,11,12,22\n")
check(0 "^book: [0-9]+ positions written to ${dir}/book.txt" book build --ballots ${dir}/ballots.tsv
      --out ${dir}/book.txt --depth 4 --plies 1)
file(STRINGS ${dir}/book.txt entries REGEX "^[0-9a-f]+ ")
list(LENGTH entries count)
# The start, 9-13, 9-13 21-17 and 9-13 22-17; two ballots; at least one position beyond each.
if(count LESS 8)
  message(FATAL_ERROR "a book of two ballots holds ${count} positions:\n${entries}")
endif()
# Which move a search to depth 4 puts first is the evaluation's business, not the book's.
check(0 "^key [0-9a-f]+\n([0-9-]+ -?[0-9]+\n)+bookmove [0-9-]+\n$"
      book probe --book ${dir}/book.txt --fen ${ballot1})
check(0 "^key [0-9a-f]+\nnot in the book \\([0-9]+ positions\\)\n$" book probe --book ${dir}/book.txt --fen "B:W29:B21,22")
file(WRITE ${dir}/bad.txt "0123 11-15:3\n")
check(2 "bad.txt: line 1: the key \"0123\" is not 16 hex digits" book probe --book ${dir}/bad.txt)
check(2 "bad.txt:1: expected NUMBER" book build --ballots ${dir}/bad.txt --out ${dir}/x.txt)

# A match from ballots against a driver: a program answering with the position after its move
# (here the tool itself), a driver answering with a position no move leads to, and one that
# cannot be started: such games are void, reported and not counted.
file(WRITE ${dir}/driver.sh "#!/bin/sh\nexec \"${ENGINE}\" search 1 --after \"$1\" \"$2\"\n")
file(WRITE ${dir}/wrong.sh "#!/bin/sh\necho \"after W:W21-32:B1-12\"\n")
file(CHMOD ${dir}/driver.sh ${dir}/wrong.sh PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
check(0 "^match: A depth:1 against B driver:${dir}/driver.sh:0.01, 2 games\ngame 1: ballot [14] [0-9x -]+, A white: [^\n]+ after [0-9]+ plies\ngame 2: ballot [14] [^\n]*, A black: [^\n]+\ntotal: A [0-2] wins, [0-2] losses, [0-2] draws, score [0-9.]+ % \\+- [0-9.]+\ntime"
      match --a depth:1 --b driver:${dir}/driver.sh:0.01 --ballots ${dir}/ballots.tsv --count 1 --seed 3)
if(out MATCHES "void")
  message(FATAL_ERROR "a sound driver's games were void:\n${out}")
endif()
check(0 "game 1: ballot [14] [^\n]*A white: void \\(the driver answered B:[^\n]* with W:W21-32:B1-12, which no legal move reaches\\) after 1 plies\ngame 2: [^\n]*A black: void [^\n]* after 0 plies\n.*total: A 0 wins, 0 losses, 0 draws[^\n]*\nvoid: 4 games, not counted\n"
      match --a depth:1 --b driver:${dir}/wrong.sh --ballots ${dir}/ballots.tsv --deck crossboard)
check(0 "void \\(the driver could not be started for [^\n]+\\) after 1 plies\n.*void: 2 games"
      match --a depth:1 --b driver:${dir}/none --ballots ${dir}/ballots.tsv --count 1)
check(2 "holds no ballot of the deck mailplay" match --a depth:1 --b depth:1 --ballots ${dir}/ballots.tsv --deck mailplay)

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

# The endgame tables: a small build into a scratch folder, one line a table when standard error
# is no terminal, then a probe and a full check of what was built.
set(egdb "${CMAKE_CURRENT_BINARY_DIR}/cli_smoke_egdb")
file(REMOVE_RECURSE "${egdb}")
check(0 "^endings with up to 3 pieces in .*table 9/9 2-0-1-0 done" egdb build --pieces 3 --threads 2 --folder "${egdb}")
check(0 "^win\n$" egdb probe --fen "W:W18:B14" --folder "${egdb}")
check(0 "^unknown\n$" egdb probe --fen "B:W18,19:B14,15" --folder "${egdb}")
check(0 "^up to 3 pieces: [0-9]+ positions checked, 0 faults" egdb verify --folder "${egdb}")
check(2 "pieces must be between 2 and 7" egdb build --pieces 8 --folder "${egdb}")
file(REMOVE_RECURSE "${egdb}")
