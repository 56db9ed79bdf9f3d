#!/usr/bin/env python3
"""How much the opening book's choices cost, by a longer search of each.

For every ballot of a deck whose position has more than one book move within WINDOW of the
best, each such move is searched for SECONDS (after any forced replies) with the book off, and
the mean shortfall of the book's draw against the best of those moves is printed for several
play margins. Prints a line a ballot as it goes ('17 18-14:6/29 21-17:0/-41': the move, its
book score, its score searched), then the summary. Slow: about four seconds a ballot at 1 s.

    python3 tools/book_check.py build/bin/velk-checkers-engine [--seconds 1] [--deck crossboard]
"""
import argparse
import re
import subprocess
import sys
from pathlib import Path

BALLOTS = Path(__file__).resolve().parent.parent / "data" / "three-move-ballots.tsv"
WINDOW = 10


def coord(square):
    row = (square - 1) // 4
    return row, 2 * ((square - 1) % 4) + (1 if row % 2 == 0 else 0)


def square_at(row, column):
    return row * 4 + column // 2 + 1


def parse_fen(fen):
    turn, white, black = fen.split(":")

    def pieces(text):
        return {int(t.lstrip("K")): t.startswith("K") for t in text[1:].split(",") if t}

    return turn, pieces(white), pieces(black)


def after(fen, move):
    """The position after MOVE ('11-15', '22-15-8'), which must be legal in FEN."""
    turn, white, black = parse_fen(fen)
    squares = [int(s) for s in re.split("[-x]", move)]
    mover, other = (white, black) if turn == "W" else (black, white)
    king = mover.pop(squares[0])
    for a, b in zip(squares, squares[1:]):
        (r1, c1), (r2, c2) = coord(a), coord(b)
        if abs(r1 - r2) == 2:
            other.pop(square_at((r1 + r2) // 2, (c1 + c2) // 2))
    row = coord(squares[-1])[0]
    mover[squares[-1]] = king or (turn == "W" and row == 0) or (turn == "B" and row == 7)

    def text(pieces):
        return ",".join(("K" if pieces[s] else "") + str(s) for s in sorted(pieces))

    return f"{'B' if turn == 'W' else 'W'}:W{text(white)}:B{text(black)}"


def run(engine, *args):
    return subprocess.run([engine, *args], capture_output=True, text=True, check=True).stdout


def searched(engine, fen, move, seconds):
    """MOVE's score for the side playing it, searched after any forced replies."""
    position, sign = after(fen, move), -1
    for _ in range(16):
        out = run(engine, "search", "--level", "expert", "--movetime", seconds, "--no-book", "--egdb", "none",
                  "--fen", position)
        if not re.search(r"^depth 0$", out, re.M):
            break
        position, sign = after(position, re.search(r"bestmove (\S+)", out).group(1)), -sign
    return sign * int(re.search(r"^score (-?\d+)", out, re.M).group(1))


def shortfall(moves, margin):
    """The mean shortfall of a draw among the moves within MARGIN, weighted as the book weighs."""
    best, top = moves[0][1], max(score for _, _, score in moves)
    drawn = [(margin + 1 - (best - book), top - score) for _, book, score in moves if best - book <= margin]
    return sum(w * s for w, s in drawn) / sum(w for w, _ in drawn)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("engine")
    parser.add_argument("--seconds", default="1")
    parser.add_argument("--deck", default="crossboard")
    options = parser.parse_args()
    rows = []
    for line in BALLOTS.read_text().splitlines():
        fields = line.split("\t")
        if line.startswith("#") or len(fields) < 5 or fields[2] != options.deck:
            continue
        probe = run(options.engine, "book", "probe", "--fen", fields[4])
        book = [(m, int(s)) for m, s in re.findall(r"^(\d\S*) (-?\d+)$", probe, re.M)]
        book = [(m, s) for m, s in book if book[0][1] - s <= WINDOW]
        if len(book) < 2:
            continue
        moves = [(m, s, searched(options.engine, fields[4], m, options.seconds)) for m, s in book]
        rows.append(moves)
        print(fields[0], " ".join(f"{m}:{s}/{score}" for m, s, score in moves), flush=True)
    if not rows:
        sys.exit("no ballot has two book moves within the window")
    for margin in (0, 2, 5, WINDOW):
        mean = sum(shortfall(moves, margin) for moves in rows) / len(rows)
        print(f"margin {margin}: {mean:.1f} hundredths short of the best on average")
    agree = sum(1 for moves in rows if max(moves, key=lambda m: m[2])[0] == moves[0][0])
    print(f"the book's best is the search's best in {agree} of {len(rows)}")


if __name__ == "__main__":
    main()
