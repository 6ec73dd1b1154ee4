#!/usr/bin/env bash
# A series of N job files of 50 reflections refined by one lattrix-refine
# --series (no per-job reports) against one lattrix-refine process per job,
# the processes run as many at a time as there are cores (xargs -P), each
# writing its own report.
#
#   bash bench/series_bench.sh BUILD_DIR N [N ...]
#
# BUILD_DIR is a build with -DLATTRIX_BUILD_BENCH=ON (series_jobs and
# lattrix-refine). Prints, for each N, wall-clock and processor seconds
# (user + system, all threads and processes) of both, and their ratios. The
# series figures are the best of three runs; processor seconds hardly
# depend on what else the machine is doing, wall-clock seconds do.
set -euo pipefail
build=$(readlink -f "$1"); shift
refine=$build/cli/lattrix-refine
jobs=$build/bench/series_jobs
cores=$(nproc)
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

# "wall cpu" seconds of a command.
measure() { /usr/bin/time -f "%e %U %S" "$@" 2>&1 >/dev/null | tail -n 1 | awk '{print $1, $2 + $3}'; }

printf '%7s %10s %10s %11s %11s %8s %8s\n' jobs series_s proc_s series_cpu proc_cpu wall_x cpu_x
for n in "$@"; do
  dir=$work/$n; mkdir -p "$dir"; "$jobs" "$dir" "$n"
  cd "$dir"
  best="9e9 9e9"
  for run in 1 2 3; do
    t=$(measure "$refine" --quiet --series table.csv job*.inp)
    best=$(echo "$t $best" | awk '{print ($1 < $3 ? $1 : $3), ($2 < $4 ? $2 : $4)}')
  done
  mkdir r
  procs=$(measure bash -c "ls job*.inp | xargs -P $cores -I{} \"$refine\" --quiet --report r/{}.out {}")
  echo "$n $best $procs" | awk '{printf "%7d %10.3f %10.3f %11.3f %11.3f %8.1f %8.1f\n", $1, $2, $4, $3, $5, $4 / $2, $5 / $3}'
  cd "$work"; rm -rf "$dir"
done
