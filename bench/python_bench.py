"""The Python module against the C++ core: one refine() call against the
run step's cost per job (lattrix-refine --series over the same job many
times, divided), and refine_series over N job files against
lattrix-refine --series on the same files.

    PYTHONPATH=BUILD/python /usr/bin/python3 bench/python_bench.py BUILD N

BUILD needs lattrix-refine and bench/series_jobs (-DLATTRIX_BUILD_BENCH=ON)."""
import glob
import os
import subprocess
import sys
import tempfile

import lattrix
from timing import best

build, count = sys.argv[1], int(sys.argv[2])
refine = os.path.join(build, "cli", "lattrix-refine")




with tempfile.TemporaryDirectory() as work:
    subprocess.run([os.path.join(build, "bench", "series_jobs"), work, str(count)], check=True)
    paths = sorted(glob.glob(os.path.join(work, "job*.inp")))
    job = lattrix.read_job(paths[0])
    calls = 2000
    one = best(lambda: [lattrix.refine(job) for _ in range(calls)]) / calls
    same = [paths[0]] * calls
    # The series runs on all cores: its cost per job is wall time times cores.
    step = best(lambda: subprocess.run([refine, "-q", "--series", os.devnull, *same], check=False)) * os.cpu_count() / calls
    series = best(lambda: lattrix.refine_series(paths))
    command = best(lambda: subprocess.run([refine, "-q", "--series", os.devnull, *paths], check=False))
    print(f"refine() per call      {one * 1e6:8.1f} us   run step per job (--series) {step * 1e6:8.1f} us   ratio {one / step:.2f}")
    print(f"refine_series {count:6d} jobs {series:8.3f} s    lattrix-refine --series       {command:8.3f} s   ratio {series / command:.2f}")
