#!/usr/bin/env python3
"""Joins opening books built apart into one, so that a book can be built on every core at once.

`book build` searches one position after another on one thread; run one builder a core, each on
part of the ballots (each part a copy of data/three-move-ballots.tsv's header line and some of its
ballots), then join their books. A position several parts reached (the start, the first moves)
takes each move's scores averaged: two searches of a second can differ by a fifth of a man, and
the mean is the better guess. The moves kept follow the builder's rule (up to 6, within 40 of the
best). The header says how the parts were built.

    python3 tools/book_join.py data/opening-book.txt partA.txt partB.txt
"""
import sys
from pathlib import Path

KEEP_MARGIN = 40  # BOOK_KEEP_MARGIN in engine/OpeningBook.h
MAX_MOVES = 6     # MAX_BOOK_MOVES in cli/BookCommand.cpp


def read(path):
    """The book at path as {key: ({move: score}, fen)} and the command line that built it."""
    entries, built_by = {}, ""
    for line in Path(path).read_text().splitlines():
        if line.startswith("# Built by: "):
            built_by = line[len("# Built by: "):]
        body, _, comment = line.partition("#")
        fields = body.split()
        if not fields:
            continue
        moves = {}
        for field in fields[1:]:
            move, _, score = field.rpartition(":")
            moves[move] = int(score)
        entries[fields[0]] = (moves, comment.strip())
    return entries, built_by


def rounded(value):
    return int(value + 0.5) if value >= 0 else -int(-value + 0.5)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    scores, fens, commands = {}, {}, []
    for path in sys.argv[2:]:
        entries, built_by = read(path)
        commands.append(built_by or path)
        for key, (moves, fen) in entries.items():
            fens.setdefault(key, fen)
            for move, score in moves.items():
                scores.setdefault(key, {}).setdefault(move, []).append(score)
    shared = sum(1 for moves in scores.values() if any(len(s) > 1 for s in moves.values()))
    lines = [f"# Velk Checkers opening book (engine/OpeningBook.h describes the format): "
             f"{len(scores)} positions.",
             f"# Joined by tools/book_join.py from {len(commands)} parts; the {shared} positions "
             f"more than one part reached",
             "# have each move's scores averaged. The parts:"]
    lines += [f"# Built by: {command}" for command in commands]
    for key in sorted(scores):
        moves = sorted(((move, rounded(sum(s) / len(s))) for move, s in scores[key].items()),
                       key=lambda item: -item[1])
        moves = [m for m in moves if moves[0][1] - m[1] <= KEEP_MARGIN][:MAX_MOVES]
        text = key + "".join(f" {move}:{score}" for move, score in moves)
        lines.append(text + (f" # {fens[key]}" if fens[key] else ""))
    Path(sys.argv[1]).write_text("\n".join(lines) + "\n")
    print(f"{sys.argv[1]}: {len(scores)} positions, {shared} of them in more than one part")


if __name__ == "__main__":
    main()
