#!/usr/bin/env bash
# Builds one libFuzzer target with clang++ (only when a source changed) and runs it briefly
# over a copy of its seed corpus.
#   run_fuzzer.sh NAME OUTDIR SECONDS SEEDDIR SOURCE... [-- EXTRA_FLAGS...]
set -euo pipefail
name=$1 outdir=$2 seconds=$3 seeds=$4
shift 4
sources=() flags=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; flags=("$@"); break; fi
  sources+=("$1"); shift
done

if ! command -v clang++ >/dev/null; then
  echo "clang++ is missing (./dev deps installs it)"; exit 1
fi
mkdir -p "$outdir"
bin="$outdir/$name"
rebuild=0
[ -x "$bin" ] || rebuild=1
for s in "${sources[@]}"; do [ "$s" -nt "$bin" ] && rebuild=1; done
if [ $rebuild = 1 ]; then
  echo "building $bin"
  # shellcheck disable=SC2046
  clang++ -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined "${flags[@]}" \
    $(pkg-config --cflags Qt5Core) "${sources[@]}" $(pkg-config --libs Qt5Core) -o "$bin.tmp"
  mv "$bin.tmp" "$bin"
fi

work="$outdir/$name-corpus"
mkdir -p "$work"
cp -n "$seeds"/* "$work"/ 2>/dev/null || true
export QT_LOGGING_RULES="*.debug=false;*.warning=false"
"$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work"
