#!/bin/sh
# Builds a libFuzzer target with clang++ when its sources changed, then runs it for a bounded
# time over the seed corpus (new inputs go to a working corpus in the build tree).
# usage: run_fuzzer.sh CLANGXX OUTPUT FLAGS_FILE SEED_CORPUS SECONDS SOURCE...
set -eu
clangxx=$1 out=$2 flags_file=$3 seeds=$4 seconds=$5
shift 5

if [ -z "$clangxx" ] || ! command -v "$clangxx" >/dev/null 2>&1; then
    echo "clang++ not found: fuzz target skipped"
    exit 77
fi

rebuild=0
[ -x "$out" ] || rebuild=1
for source in "$@"; do
    [ "$source" -nt "$out" ] && rebuild=1
done
[ "$flags_file" -nt "$out" ] && rebuild=1
if [ "$rebuild" = 1 ]; then
    units=""
    for source in "$@"; do
        case "$source" in *.cpp) units="$units $source" ;; esac
    done
    echo "building $out"
    # shellcheck disable=SC2046,SC2086
    "$clangxx" -std=c++17 -O1 -g -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        $(cat "$flags_file") $units -o "$out.tmp"
    mv "$out.tmp" "$out"
fi

work="$out-corpus"
mkdir -p "$work"
# libFuzzer reports a crash with 77 by default, which ctest would read as "skipped".
exec "$out" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=200000 \
    -error_exitcode=1 -timeout_exitcode=1 \
    -artifact_prefix="$(dirname "$out")/" -print_final_stats=1 "$work" "$seeds"
