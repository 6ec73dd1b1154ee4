"""Timing shared by the Python benchmarks."""
import time


def best(run, repeat=3):
    """The shortest of `repeat` wall-clock times of run(), in seconds."""
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)
