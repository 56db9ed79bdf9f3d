# selfplay from each ballot of the list starts where the list says its moves lead, with the
# moves recorded as the game's first and White to play on; numbers and decks that name no
# ballot are refused as other option faults are, with exit status 2.
include(${CMAKE_CURRENT_LIST_DIR}/../support/RunEngine.cmake)

file(STRINGS ${BALLOTS} lines)
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^#")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)\t([^\t]+)\t([^\t]+)\t([^\t]*)\t([^\t]+)$")
    message(FATAL_ERROR "not a ballot: ${line}")
  endif()
  set(number ${CMAKE_MATCH_1})
  set(moves ${CMAKE_MATCH_2})
  set(deck ${CMAKE_MATCH_3})
  set(fen ${CMAKE_MATCH_5})
  if(CMAKE_MATCH_4)
    set(deck "${deck}, ${CMAKE_MATCH_4}")
  endif()
  run(0 selfplay --ballot ${number} --depth 2)
  string(REGEX MATCH "^[^\n]*\n[^\n]*\n[^\n]*\n" head "${out}")
  # The record writes squares with two digits and captures as moves: 13x22 is 13-22.
  string(REPLACE "x" "-" record "${moves}")
  string(REGEX REPLACE "(^|[ -])([1-9])([ -]|$)" "\\10\\2\\3" record "${record}")
  string(REGEX REPLACE "(^|[ -])([1-9])([ -]|$)" "\\10\\2\\3" record "${record}")
  if(NOT head MATCHES "^ballot ${number} \\(([^\n]*)\\): ([^\n]*)\nstart ([^\n]*)\n2\\.\\.\\. [0-9x-]+\n$"
     OR NOT CMAKE_MATCH_1 STREQUAL deck OR NOT CMAKE_MATCH_2 STREQUAL moves OR NOT CMAKE_MATCH_3 STREQUAL fen
     OR NOT out MATCHES "\n(BLACK|WHITE|DRAW ): ${record} [^\n]+\n$")
    message(FATAL_ERROR "selfplay --ballot ${number} (${moves}, ${fen}) printed:\n${out}")
  endif()
  math(EXPR count "${count} + 1")
endforeach()
if(NOT count EQUAL 174)
  message(FATAL_ERROR "the list holds ${count} ballots")
endif()

foreach(case "selfplay --ballot 175;--ballot 175 is too large: it must be between 1 and 174"
             "selfplay --ballot 0;--ballot must be between 1 and 174"
             "selfplay --ballots mail;cannot read mail \\(--ballots takes crossboard, mailplay, barred, all or a file\\)"
             "selfplay --ballots ${BALLOTS} --deck mail;--deck must be crossboard, mailplay, barred or all, not \"mail\""
             "match --a easy --b easy --ballots barred --deck barred;--deck goes with --ballots FILE"
             "selfplay --ballot 3 --fen W:W21-32:B1-12;give either a position or a ballot"
             "match --a easy --b easy --ballot 3 --count 2;--deck and --count go with --ballots")
  list(GET case 0 command)
  list(GET case 1 message)
  separate_arguments(command)
  run(2 ${command})
  if(NOT err MATCHES "^velk-checkers-engine: ${message}")
    message(FATAL_ERROR "${command} gave: ${err}")
  endif()
endforeach()

# A deck of the list, and a ballot played with both colours: each game's line names its ballot.
run(0 selfplay --ballots barred --seed 4 --depth 1)
if(NOT out MATCHES "^ballot [0-9]+ \\(barred")
  message(FATAL_ERROR "selfplay --ballots barred printed:\n${out}")
endif()
run(0 match --a depth:1 --b depth:2 --ballot 5)
if(NOT out MATCHES "\ngame 1: ballot 5 9-13 22-18 6-9, A white: [^\n]+\ngame 2: ballot 5 9-13 22-18 6-9, A black: ")
  message(FATAL_ERROR "match --ballot 5 printed:\n${out}")
endif()
run(0 match --a depth:1 --b depth:1 --ballots mail-play --count 2 --seed 3)
if(NOT out MATCHES "4 games\ngame 1: ballot [0-9]+ [^\n]+\ngame 2: ballot [0-9]+ ")
  message(FATAL_ERROR "match --ballots mail-play printed:\n${out}")
endif()
