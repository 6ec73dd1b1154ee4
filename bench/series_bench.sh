#!/usr/bin/env bash
# A series of N job files of 50 reflections refined by one lattrix-refine
# --series (no per-job reports) against one lattrix-refine process per job,
# the processes run as many at a time as there are cores (xargs -P), each
# writing its own report. The series time is the best of three runs.
#
#   bash bench/series_bench.sh BUILD_DIR N [N ...]
#
# BUILD_DIR is a build with -DLATTRIX_BUILD_BENCH=ON (series_jobs and
# lattrix-refine). Prints, for each N, the wall-clock seconds of both and
# their ratio.
set -euo pipefail
build=$(readlink -f "$1"); shift
refine=$build/cli/lattrix-refine
jobs=$build/bench/series_jobs
cores=$(nproc)
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

seconds() { local t0 t1; t0=$(date +%s.%N); "$@"; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }

printf '%8s %12s %12s %8s\n' jobs series_s processes_s ratio
for n in "$@"; do
  dir=$work/$n; mkdir -p "$dir"; "$jobs" "$dir" "$n"
  cd "$dir"
  series=
  for run in 1 2 3; do
    t=$(seconds "$refine" --quiet --series table.csv --series-x x.csv job*.inp)
    if [ -z "$series" ] || [ "$(echo "$t < $series" | bc -l)" = 1 ]; then series=$t; fi
  done
  mkdir r
  procs=$(seconds bash -c "ls job*.inp | xargs -P $cores -I{} \"$refine\" --quiet --report r/{}.out {}")
  printf '%8d %12.3f %12.3f %8.1f\n' "$n" "$series" "$procs" "$(echo "$procs / $series" | bc -l)"
  cd "$work"; rm -rf "$dir"
done
