#!/usr/bin/env bash
# Builds Lattrix and runs every test: the normal build, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a bounded fuzzing run
# of the file readers (FUZZ_SECONDS per target, 60 by default; 0 skips it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLATTRIX_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Qt and the font libraries keep caches until exit: leak checking covers our
# own libraries and commands, not the desktop program's toolkit.
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j2 -E '^gui\.'
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j2 -R '^gui\.'

if [ "${FUZZ_SECONDS:-60}" != "0" ] && [ -f scripts/fuzz.sh ]; then
  FUZZ_SECONDS="${FUZZ_SECONDS:-60}" bash scripts/fuzz.sh
fi
