#!/bin/sh
# How the analysis marks a planted losing move and the moves around it. velk-plant-shots plays
# the engine against itself from the three-move ballots (SECONDS a move, deeper than the
# analysis looks) and cuts each game where a move that loses a man to a forced capture within
# three plies takes the place of the one played; each cut game is then analysed with
# `analyze --movetime 0.2`. Prints the share of planted moves marked a mistake or a blunder and
# the share of the other moves marked a blunder.
#
#   cmake --build build --target velk-checkers-engine velk-plant-shots
#   tools/check-analysis.sh [GAMES [SECONDS [WORKDIR]]]      (defaults 40, 0.4, /tmp/velk-check-analysis)
set -eu
games=${1:-40}
seconds=${2:-0.4}
work=${3:-/tmp/velk-check-analysis}
bin=$(dirname "$0")/../build/bin
mkdir -p "$work"
[ -s "$work/cases.pdn" ] || "$bin/velk-plant-shots" "$(dirname "$0")/../data/three-move-ballots.tsv" "$games" "$seconds" \
    > "$work/cases.pdn"
count=$(grep -c '^\[Event' "$work/cases.pdn")
planted=0 caught=0 others=0 blunders=0
n=1
while [ "$n" -le "$count" ]; do
    "$bin/velk-checkers-engine" analyze "$work/cases.pdn" --game "$n" --movetime 0.2 --threads 1 > "$work/game-$n.txt"
    moves=$(grep -v -e '^Red:' -e '^White:' "$work/game-$n.txt")
    last=$(printf '%s\n' "$moves" | tail -n 1)
    planted=$((planted + 1))
    case "$last" in *mistake | *blunder) caught=$((caught + 1)) ;; *) echo "game $n: planted $last" ;; esac
    rest=$(printf '%s\n' "$moves" | head -n -1)
    others=$((others + $(printf "%s\n" "$rest" | grep -c . || true)))
    blunders=$((blunders + $(printf '%s\n' "$rest" | grep -c 'blunder$' || true)))
    printf '%s\n' "$rest" | grep 'blunder$' | sed "s/^/game $n: /" || true
    n=$((n + 1))
done
echo "planted moves marked a mistake or a blunder: $caught of $planted ($((100 * caught / planted)) %)"
echo "other moves marked a blunder: $blunders of $others ($((1000 * blunders / others / 10)).$((1000 * blunders / others % 10)) %)"
