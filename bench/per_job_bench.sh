#!/usr/bin/env bash
# Processor time per job of a series, side by side for one or more builds
# (e.g. this tree's build-bench and one of an older commit):
#
#   bash bench/per_job_bench.sh BUILD_DIR [BUILD_DIR ...]
#
# Each BUILD_DIR is a build with -DLATTRIX_BUILD_BENCH=ON (lattrix-refine;
# the job files come from the first one's series_jobs, so every build reads
# the same files). For each build it prints:
#   - processor time (user + system) per job of a 10,000-job series on one
#     thread, best of three, for the monoclinic job of series_jobs (the
#     default correction) and for a triclinic one refined with zero and
#     displacement (--correction 5);
#   - a 100,000-job series with --json and --cif on every core: wall-clock
#     and processor seconds and the peak resident memory;
#   - one lattrix-refine process with --json of the first monoclinic job,
#     the mean over 200 runs.
# Processor seconds hardly depend on what else the machine does;
# wall-clock seconds do.
set -euo pipefail
first=$(readlink -f "$1")
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir -p "$work/mono" "$work/tri" "$work/big" "$work/out"
"$first/bench/series_jobs" "$work/mono" 10000
"$first/bench/series_jobs" "$work/tri" 10000 triclinic
"$first/bench/series_jobs" "$work/big" 100000

# "wall cpu peak_kB" of a command.
measure() { /usr/bin/time -f "%e %U %S %M" "$@" 2>&1 >/dev/null | tail -n 1 | awk '{print $1, $2 + $3, $4}'; }

# Best processor seconds of three runs.
best_cpu() {
  local best=9e9 t
  for run in 1 2 3; do
    t=$(measure "$@" | awk '{print $2}')
    best=$(echo "$t $best" | awk '{print ($1 < $2 ? $1 : $2)}')
  done
  echo "$best"
}

printf '%-40s %12s %12s %10s %10s %9s %10s\n' build mono_us/job tri_us/job big_wall_s big_cpu_s big_MB json_ms
for build in "$@"; do
  refine=$(readlink -f "$build")/cli/lattrix-refine
  cd "$work/mono"
  mono=$(best_cpu "$refine" --quiet --threads 1 --series "$work/out/t.csv" job*.inp)
  cd "$work/tri"
  tri=$(best_cpu "$refine" --quiet --threads 1 --correction 5 --series "$work/out/t.csv" job*.inp)
  cd "$work/big"
  big=$(find . -name 'job*.inp' | sort | measure "$refine" --quiet --series "$work/out/t.csv" \
        --json "$work/out/s.json" --cif "$work/out/s.cif" --series-list -)
  cd "$work/mono"
  one=$(measure bash -c "for i in \$(seq 200); do \"$refine\" --quiet --report $work/out/r.out --json $work/out/r.json job00000.inp; done")
  echo "$build $mono $tri $big $one" |
    awk '{printf "%-40s %12.1f %12.1f %10.2f %10.2f %9.1f %10.2f\n", $1, $2 / 10000 * 1e6, $3 / 10000 * 1e6,
          $4, $5, $6 / 1024, $7 / 200 * 1e3}'
done
