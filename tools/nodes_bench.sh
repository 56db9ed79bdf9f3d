#!/bin/bash
# Compares the Expert search's speed of builds of the engine tool: each searches four opening
# positions for MOVETIME seconds (default 1) with THREADS threads (default 1), the builds in
# turn, ROUNDS times (default 2), and the mean depth and nodes a second of each build are
# printed. Taking the builds in turn spreads the machine's drift over all of them.
#
#   MOVETIME=1 THREADS=2 tools/nodes_bench.sh old/velk-checkers-engine build/bin/velk-checkers-engine
set -euo pipefail
if [ $# -lt 1 ]; then
    echo "usage: [MOVETIME=S] [THREADS=N] [ROUNDS=R] $0 ENGINE..." >&2
    exit 2
fi
FENS=("W:W17,21,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,8,9,10,12,15"
      "B:W18,19,21,23,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,8,9,10,11,20"
      "W:W17,22,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,9,10,11,12,16"
      "B:W14,21,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,9,10,11,12,16")
for ((round = 0; round < ${ROUNDS:-2}; ++round)); do
    for engine in "$@"; do
        for fen in "${FENS[@]}"; do
            "$engine" search --level expert --movetime "${MOVETIME:-1}" --no-book --egdb none \
                --threads "${THREADS:-1}" --fen "$fen" |
                awk -v e="$engine" '/^depth/ { d = $2 } /per second/ { n = $2 } END { print e, d, n }'
        done
    done
done | awk '{ depth[$1] += $2; rate[$1] += $3; count[$1]++; if (!($1 in seen)) { seen[$1] = 1; order[++k] = $1 } }
    END { for (i = 1; i <= k; ++i) { e = order[i]
              printf "%s: depth %.2f, %.2f million nodes a second (%d searches)\n", e, depth[e] / count[e],
                     rate[e] / count[e] / 1e6, count[e] } }'
