#!/bin/sh
# The window under a flood against the bare engine, in one run on one machine:
# BM_Ingest/chatters:0 (the engine alone, lines per second), then gui_flood
# (the real window fed by the local server, rows per second). Prints both, the
# ratio and the load average; exits non-zero when the window drains less than
# half the engine's rate, stalls its event loop longer than 50 ms, keeps more
# than 5 MB after the flood or shows other rows than the engine holds.
#
#   bench/flood_vs_ingest.sh [build directory] [lines]   (build/release, 1000000)
set -eu
build=${1:-build/release}
lines=${2:-1000000}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
engine=$("$build/bench/ingest_bench" --benchmark_filter='^BM_Ingest/chatters:0$' --benchmark_format=json 2>/dev/null |
    sed -n 's/.*"lines\/s": *\([0-9.e+]*\).*/\1/p')
status=0
window=$("$build/bench/gui_flood" "$lines" 2>/dev/null) || status=$?
echo "$window"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "$window" | awk -v engine="$engine" -v status="$status" '
    /^drain rate/ { rate = $3 }
    /^longest loop stall/ { stall = $4 }   # during the flood
    /^memory before\/after/ { sub(/^\(\+?/, "", $8); grow = $8 + 0 }
    END {
        ratio = rate / engine
        printf "engine alone         %.0f lines/s (BM_Ingest/chatters:0)\n", engine
        printf "window / engine      %.2f (target >= 0.50)\n", ratio
        fail = status != 0 || ratio < 0.5 || stall > 50 || grow > 5 * 1024
        print fail ? "TARGETS MISSED" : "targets held"
        exit fail ? 1 : 0
    }'
