"""A trend fit of 1,000 points against refining one job: the time of
lattrix.fit_trend (bm3, vinet, thermal) and of lattrix.refine on the quartz
example, in process.

    PYTHONPATH=BUILD/python /usr/bin/python3 bench/trend_bench.py"""

import numpy as np

import lattrix
from timing import best


def bm3(V, V0=160.0, K0=120.0, Kp=4.5):
    x = (V0 / V) ** (1 / 3)
    return 1.5 * K0 * (x ** 7 - x ** 5) * (1 + 0.75 * (Kp - 4) * (x * x - 1))




P = np.linspace(0, 12, 1000)
V = []
for p in P:
    lo, hi = 60.0, 200.0
    for _ in range(100):
        mid = (lo + hi) / 2
        lo, hi = (mid, hi) if bm3(mid) > p else (lo, mid)
    V.append(lo)
V = np.array(V) + np.random.default_rng(1).normal(0, 0.01, len(P))
T = np.linspace(300, 900, 1000)
VT = 50 * np.exp(3e-5 * (T - 298.15)) + np.random.default_rng(2).normal(0, 1e-4, len(T))
job = lattrix.read_job("examples/quartz.inp")
refine = best(lambda: lattrix.refine(job), 5)
for model, x, y, s in (("bm3", P, V, 0.01), ("vinet", P, V, 0.01), ("thermal", T, VT, 1e-4)):
    fit = best(lambda: lattrix.fit_trend(x, y, np.full(len(x), s), model=model), 5)
    print(f"fit_trend {model:7s} 1000 points {fit * 1e3:7.2f} ms   refine() of the quartz job {refine * 1e3:6.3f} ms")
