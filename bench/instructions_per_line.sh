#!/bin/sh
# Instructions and (simulated) mispredicted branches per line of one
# BM_Ingest stream, counted by callgrind inside ReceivePipeline::readLoop:
# exact and repeatable where wall times on a shared machine are not.
#
#   bench/instructions_per_line.sh [ingest_bench binary] [benchmark]
#   (build/release/bench/ingest_bench, 'BM_Ingest/chatters:0$')
#
# Runs the warm-up and one timed pass under valgrind (about ten seconds);
# lines are counted from the readLoop calls and the stream's bytes per line.
set -eu
bench=${1:-build/release/bench/ingest_bench}
filter=${2:-'BM_Ingest/chatters:0$'}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
valgrind --tool=callgrind --branch-sim=yes --toggle-collect='tavik::ReceivePipeline::readLoop(int)' \
    --callgrind-out-file="$out/cg" "$bench" --benchmark_filter="$filter" --benchmark_min_time=0 \
    --benchmark_format=json > "$out/json" 2>/dev/null
calls=$(callgrind_annotate --tree=caller --inclusive=yes "$out/cg" 2>/dev/null |
    sed -n 's/.*< .*BM_Ingest.*(\([0-9,]*\)x).*/\1/p' | head -1 | tr -d ,)
python3 - "$out/json" "$out/cg" "$calls" <<'PY'
import json, sys
bench = json.load(open(sys.argv[1]))["benchmarks"][0]
seconds = bench["real_time"] / 1e3  # ms per pass
lines, stream = bench["lines/s"] * seconds, bench["bytes_per_second"] * seconds
calls = int(sys.argv[3])
# Every readLoop call takes one receive of 254 bytes.
per_line = lines * 254 / stream
for row in open(sys.argv[2]):
    if row.startswith("events:"):
        names = row.split()[1:]
    if row.startswith("summary:") or row.startswith("totals:"):
        totals = dict(zip(names, map(int, row.split()[1:])))
n = calls * per_line
print(f"{bench['name']}: {totals['Ir'] / n:.0f} instructions per line, "
      f"{(totals.get('Bcm', 0) + totals.get('Bim', 0)) / n:.1f} mispredicted branches per line "
      f"({calls} readLoop calls)")
PY
