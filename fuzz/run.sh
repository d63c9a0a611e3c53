#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS seconds on a copy of its
# seed corpus, so the committed corpus never grows. Exits non-zero on any
# finding (crash, leak, timeout, invariant violation); the reproducer is kept
# in fuzz/findings/.
#
#   ./fuzz/run.sh 30        # CI
#   ./fuzz/run.sh 3600      # a long session (see fuzz/README.md)
set -euo pipefail

seconds=${1:?usage: fuzz/run.sh SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# The list of targets lives in fuzz/CMakeLists.txt.
mapfile -t targets < <(sed -n '/^set(TAVIK_FUZZ_TARGETS/,/^)/{/^ \{2,\}[a-z_]/s/ //gp}' fuzz/CMakeLists.txt)
if ((${#targets[@]} == 0)); then
    echo "run.sh: no targets found in fuzz/CMakeLists.txt" >&2
    exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p fuzz/findings

failed=0
for target in "${targets[@]}"; do
    echo "=== $target: ${seconds}s ==="
    corpus="$work/$target"
    mkdir -p "$corpus"
    cp -r "fuzz/corpus/$target/." "$corpus/"
    dict=()
    [ -f "fuzz/$target.dict" ] && dict=("-dict=fuzz/$target.dict")
    if ! ASAN_OPTIONS="abort_on_error=1:detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        "build/fuzz/fuzz/$target" "$corpus" "${dict[@]}" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 \
        -artifact_prefix="fuzz/findings/$target-" 2>"$work/$target.log"; then
        tail -n 60 "$work/$target.log"
        echo "=== $target: FINDING (reproducer in fuzz/findings/) ===" >&2
        failed=1
    else
        grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' \
            "$work/$target.log" || true
        echo "=== $target: ok ==="
    fi
done
exit "$failed"
