#!/usr/bin/env bash
# The libFuzzer harnesses' helper, used by ctest and by ./dev fuzz.
#   fuzz.sh build SOURCE_DIR TREE          configure and build every harness in a clang tree
#   fuzz.sh replay BINARY CORPUS_DIR       run each input of a corpus once; fails on any finding
#   fuzz.sh run BINARY CORPUS_DIR SECONDS WORK_DIR FINDINGS_DIR
#                                          fuzz for SECONDS; new inputs go to WORK_DIR, inputs
#                                          that fail a check or crash to FINDINGS_DIR
set -euo pipefail
export QT_LOGGING_RULES="*.debug=false;*.info=false;*.warning=false"
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")/.." && pwd)/sanitizers/lsan.supp:print_suppressions=0"
# The leak suppressions (library faults, each with its reason) match on whole stacks, which cost
# a slow unwinding of every allocation: replays take it, long runs check their leaks afterwards.
slow_stacks="fast_unwind_on_malloc=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

case "${1:-}" in
build)
  src=$2 tree=$3
  clangxx=$(command -v clang++ || command -v clang++-14 || true)
  if [ -z "$clangxx" ]; then
    echo "clang++ not found (./dev deps installs it): fuzz harnesses not built"
    exit 77
  fi
  launcher=()
  if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  # Debug keeps Qt's and our assertions; -O1 keeps it fast enough to fuzz.
  cmake -S "$src" -B "$tree" -G Ninja -DCMAKE_CXX_COMPILER="$clangxx" "${launcher[@]}" \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DTARN_BUILD_BENCH=OFF \
    -DTARN_SANITIZE=address -DTARN_BUILD_FUZZERS=ON -DTARN_FUZZ_COVERAGE=ON >/dev/null
  cmake --build "$tree" --target fuzzers
  ;;
replay)
  bin=$2 corpus=$3
  if [ ! -x "$bin" ]; then
    echo "$bin was not built"
    exit 1
  fi
  # Leak checks stay on: a leak on bad input is a finding too.
  find "$corpus" -type f -print0 | sort -z | ASAN_OPTIONS=$slow_stacks xargs -0 -r "$bin" -error_exitcode=1 -timeout=30
  echo "replayed $(find "$corpus" -type f | wc -l) inputs of $(basename "$corpus")"
  ;;
run)
  bin=$2 corpus=$3 seconds=$4 work=$5 findings=$6
  mkdir -p "$work" "$findings"
  # The harnesses that write settings or files sync them; on tmpfs that costs nothing.
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
  name=$(basename "$bin") dict=()
  name=${name#fuzz_}
  if [ -f "$(dirname "$0")/dict/$name.dict" ]; then dict=(-dict="$(dirname "$0")/dict/$name.dict"); fi
  end=$((SECONDS + seconds)) seeds=$corpus
  while [ $SECONDS -lt $end ]; do
    # A unit running a minute is a hang even on a loaded machine.
    # libFuzzer reports a finding with 77 by default, which would read as "skipped" elsewhere.
    status=0
    "$bin" -max_total_time=$((end - SECONDS)) -timeout=60 -rss_limit_mb=2048 -error_exitcode=1 \
      -timeout_exitcode=1 -artifact_prefix="$findings/" -print_final_stats=1 "${dict[@]}" "$work" "$seeds" || status=$?
    [ $status -eq 0 ] && exit 0
    # A leak whose whole stack lies in a suppressed library fault is no finding: set it aside and
    # go on for the time left. Anything else ends the run.
    leak=$(ls -t "$findings"/leak-* 2>/dev/null | head -n 1 || true)
    # The re-check writes its own copy of a leaking input; keep that out of the caller's folder.
    if [ -z "$leak" ] || ! ASAN_OPTIONS=$slow_stacks "$bin" -artifact_prefix="$findings/recheck-" "$leak" >/dev/null 2>&1; then
      rm -f "$findings"/recheck-*
      exit $status
    fi
    rm -f "$findings"/recheck-*
    mkdir -p "$findings/suppressed"
    mv "$leak" "$findings/suppressed/"
    echo "fuzz.sh: $(basename "$leak") is a suppressed library leak; going on"
    # Seeds of that kind (kept as regression inputs) would stop every new start at once.
    if [ "$seeds" = "$corpus" ]; then
      seeds=$(mktemp -d)
      trap 'rm -rf "$seeds"' EXIT
    fi
    rm -f "$seeds"/*
    for f in "$corpus"/*; do
      [ -e "$findings/suppressed/leak-$(sha1sum <"$f" | cut -c1-40)" ] || cp "$f" "$seeds/"
    done
  done
  ;;
*)
  sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
  ;;
esac
