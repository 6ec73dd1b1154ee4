#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for
# FUZZ_SECONDS (default 60). The work corpus lives in build-fuzz/corpus-<target>,
# seeded from fuzz/corpus/<target>; crash inputs go to build-fuzz/crashes-<target>.
# Exits non-zero when any target finds a crash, a hang or a sanitizer report,
# after printing the path of each crash input.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="$ROOT/build-fuzz"
SECONDS_EACH=${FUZZ_SECONDS:-60}
TARGETS=${FUZZ_TARGETS:-"input_file report series_x peak_list"}

CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLATTRIX_FUZZ=ON -DLATTRIX_BUILD_GUI=OFF -DLATTRIX_BUILD_TESTS=OFF >/dev/null || exit 2
cmake --build "$BUILD" -j2 --target fuzz || exit 2

failed=0
for t in $TARGETS; do
  exe="$BUILD/fuzz/fuzz_$t"
  work="$BUILD/corpus-$t"
  crashes="$BUILD/crashes-$t"
  mkdir -p "$work" "$crashes"
  cp -n "$ROOT/fuzz/corpus/$t"/* "$work"/ 2>/dev/null
  log="$BUILD/fuzz-$t.log"
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  "$exe" "$work" -max_total_time="$SECONDS_EACH" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -dict="$ROOT/fuzz/lattrix.dict" -artifact_prefix="$crashes/" -print_final_stats=1 \
    >"$log" 2>&1
  rc=$?
  grep -E "^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added)" "$log"
  if [ $rc -ne 0 ]; then
    failed=1
    echo "fuzz_$t FAILED (exit $rc); log: $log"
    grep -E "ERROR:|runtime error|fuzz check failed" "$log" | head -5
    grep -o "Test unit written to .*" "$log" | sed 's/^Test unit written to /crash input: /'
  fi
done
exit $failed
