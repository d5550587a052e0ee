#!/usr/bin/env bash
# Builds one libFuzzer target with clang++ (only when a source changed) and runs it briefly
# over its seed corpus; new inputs go to a working corpus in the build tree.
#   run_fuzzer.sh NAME OUTDIR SECONDS SEEDDIR SOURCE... [-- EXTRA_FLAGS...]
set -euo pipefail
name=$1 outdir=$2 seconds=$3 seeds=$4
shift 4
sources=() flags=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; flags=("$@"); break; fi
  sources+=("$1"); shift
done

clangxx=$(command -v clang++ || command -v clang++-14 || true)
if [ -z "$clangxx" ]; then
  echo "clang++ not found (./dev deps installs it): fuzz target skipped"
  exit 77
fi
mkdir -p "$outdir"
bin="$outdir/$name"
rebuild=0
[ -x "$bin" ] || rebuild=1
for s in "${sources[@]}"; do [ "$s" -nt "$bin" ] && rebuild=1; done
if [ $rebuild = 1 ]; then
  units=()
  for s in "${sources[@]}"; do case "$s" in *.cpp) units+=("$s") ;; esac; done
  echo "building $bin"
  # shellcheck disable=SC2046
  "$clangxx" -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined -DQT_MESSAGELOGCONTEXT -DQT_NO_FOREACH "${flags[@]}" \
    $(pkg-config --cflags Qt5Core) "${units[@]}" $(pkg-config --libs Qt5Core) -o "$bin.tmp"
  mv "$bin.tmp" "$bin"
fi

work="$outdir/$name-corpus"
mkdir -p "$work"
export QT_LOGGING_RULES="*.debug=false;*.warning=false"
# libFuzzer reports a crash with 77 by default, which ctest would read as "skipped".
exec "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=200000 \
  -error_exitcode=1 -timeout_exitcode=1 -artifact_prefix="$outdir/" -print_final_stats=1 \
  "$work" "$seeds"
