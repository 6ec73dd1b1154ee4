"""The Python module against the batch command (lattrix-refine, run here as a
process) on the examples and the job-file corpus, and against what the
numbers must satisfy whatever program computed them."""
import csv
import glob
import io
import json
import math
import os
import subprocess

import numpy as np
import pytest

import lattrix

SOURCE = os.environ["LATTRIX_SOURCE"]
REFINE = os.environ["LATTRIX_REFINE"]
JOBS = sorted(glob.glob(os.path.join(SOURCE, "examples", "*.inp")) +
              glob.glob(os.path.join(SOURCE, "fuzz", "corpus", "input_file", "*.inp")))
QUARTZ = os.path.join(SOURCE, "examples", "quartz.inp")


def batch_json(path, correction, weighting, tmp_path):
    run = subprocess.run([REFINE, "-q", "--correction", correction, "--weighting", weighting, "--report",
                          str(tmp_path / "batch.out"), "--json", "-", path], capture_output=True, text=True)
    return run.returncode, run.stdout


@pytest.mark.parametrize("correction", ["none", "zero", "displacement", "zero+displacement", "manual"])
@pytest.mark.parametrize("weighting", ["unity", "sin2", "delta2", "sindelta", "esd"])
def test_json_equals_the_batch_command(correction, weighting, tmp_path):
    for path in JOBS:
        code, text = batch_json(path, correction, weighting, tmp_path)
        try:
            job = lattrix.read_job(path)
            result = lattrix.refine(job, correction, weighting, report=str(tmp_path / "module.out"))
        except lattrix.RefusedError as refusal:
            assert code == 1 and (not text or json.loads(text)["result"] is None), (path, str(refusal))
            continue
        assert code == 0, path
        # The same document but for the report's file name.
        assert result.to_json().replace("module.out", "batch.out") == text, path
        with open(tmp_path / "batch.out") as batch, open(tmp_path / "module.out") as module:
            assert module.read() == batch.read() == result.report()


def test_a_job_built_from_arrays_refines_like_its_file():
    job = lattrix.read_job(QUARTZ)
    built = lattrix.Job(title=job.title, system="hexagonal", cell=tuple(job.cell), wavelength=job.wavelength,
                        radius=job.radius, hkl=job.hkl, two_theta=job.two_theta)
    assert json.loads(lattrix.refine(built).to_json())["result"] == json.loads(lattrix.refine(job).to_json())["result"]


def test_refusals_raise_with_the_message(tmp_path):
    bad = tmp_path / "bad.inp"
    bad.write_text(open(QUARTZ).read().replace("1 1 0 36.544 1.0", "1 1 0 abc 1.0"))
    with pytest.raises(lattrix.RefusedError, match=r"line \d+: 2theta is not a number"):
        lattrix.read_job(str(bad))
    with pytest.raises(lattrix.RefusedError) as refused:
        lattrix.refine(lattrix.read_job(QUARTZ), correction="manual")
    assert str(refused.value).startswith("Manual correction mode not available !!!\n") and isinstance(refused.value, ValueError)
    with pytest.raises(ValueError):
        lattrix.refine(lattrix.read_job(QUARTZ), correction="sideways")


def test_covariance_diagonal_is_the_squared_sigmas():
    result = lattrix.refine(lattrix.read_job(QUARTZ), correction="zero")
    sigma = {"a": result.cell_sigma.a, "c": result.cell_sigma.c, "zero": result.zero_sigma}
    assert result.parameters == ["a", "c", "zero"]
    for i, name in enumerate(result.parameters):
        assert math.isclose(result.covariance[i, i], sigma[name] ** 2, rel_tol=1e-12)
    assert np.allclose(np.diag(result.correlation), 1.0)


def test_series_equals_the_batch_table_and_threads_do_not_matter():
    paths = JOBS[:6]
    batch = subprocess.run([REFINE, "-q", "--correction", "zero", "--series", "-", *paths], capture_output=True,
                           text=True)
    rows = list(csv.DictReader(io.StringIO(batch.stdout)))
    table = lattrix.series_table(paths, correction="zero")
    for column in rows[0]:
        values = list(table[column])
        for i, row in enumerate(rows):
            if isinstance(values[i], str):
                assert values[i] == row[column]
            else:
                assert (math.isnan(values[i]) and row[column] == "") or values[i] == float(row[column])
    one = lattrix.refine_series(paths, correction="zero", threads=1)
    many = lattrix.refine_series(paths, correction="zero", threads=4)
    assert len(one) == len(many) == len(paths) and any(isinstance(a, lattrix.Result) for a in one)
    for a, b in zip(one, many):
        assert type(a) is type(b)
        assert a.to_json() == b.to_json() if isinstance(a, lattrix.Result) else str(a) == str(b)


def test_fit_trend_gives_the_batch_fit_back():
    # V(T) of a thermal expansion written out here; the fit returns its constants.
    T = np.arange(300.0, 900.0, 60.0)
    V = 50 * np.exp(3e-5 * (T - 298.15) + 1e-8 * (T * T - 298.15 ** 2) / 2)
    fit = lattrix.fit_trend(T, V, np.full(len(T), 1e-6), model="thermal")
    assert fit["names"] == ["V0", "alpha0", "alpha1"] and fit["dof"] == len(T) - 3
    assert math.isclose(fit["parameters"]["alpha0"][0], 3e-5, rel_tol=1e-4)
    with pytest.raises(lattrix.RefusedError, match="at least 4 are needed"):
        lattrix.fit_trend(T[:3], V[:3], np.full(3, 1e-3), model="bm3")


def bm3_pressure(V, V0, K0, Kp):
    x = (V0 / V) ** (1 / 3)
    return 1.5 * K0 * (x ** 7 - x ** 5) * (1 + 0.75 * (Kp - 4) * (x * x - 1))


def bm3_volume(P, V0, K0, Kp):
    lo, hi = 0.5 * V0, 1.5 * V0
    for _ in range(200):
        mid = 0.5 * (lo + hi)
        lo, hi = (mid, hi) if bm3_pressure(mid, V0, K0, Kp) > P else (lo, mid)
    return 0.5 * (lo + hi)


def test_fit_trend_agrees_with_an_independent_optimiser():
    # Effective-variance chi^2 written out here and minimised by scipy; the
    # same minimum and the same s.u.'s (covariance scaled by chi^2/dof).
    from scipy.optimize import least_squares

    rng = np.random.default_rng(3)
    P = np.linspace(0.0, 10.0, 15) + rng.normal(0.0, 0.02, 15)
    V = np.array([bm3_volume(p, 75.0, 140.0, 4.8) for p in np.linspace(0.0, 10.0, 15)]) + rng.normal(0.0, 0.01, 15)
    sP, sV = np.full(15, 0.02), np.full(15, 0.01)

    def residuals(q):
        model = np.array([bm3_volume(p, *q) for p in P])
        h = 1e-6
        slope = (np.array([bm3_volume(p + h, *q) for p in P]) - np.array([bm3_volume(p - h, *q) for p in P])) / (2 * h)
        return (V - model) / np.sqrt(sV ** 2 + (slope * sP) ** 2)

    ref = least_squares(residuals, [75.0, 140.0, 4.0], x_scale="jac", xtol=1e-15, ftol=1e-15, gtol=1e-15, diff_step=1e-5)
    J = ref.jac
    dof = len(P) - 3
    sigmas = np.sqrt(np.diag(np.linalg.inv(J.T @ J)) * np.sum(ref.fun ** 2) / dof)
    fit = lattrix.fit_trend(P, V, sV, model="bm3", sigma_x=sP)
    for k, name in enumerate(["V0", "K0", "Kp"]):
        value, sigma = fit["parameters"][name]
        assert abs(value - ref.x[k]) < 0.01 * sigma, name
        assert math.isclose(sigma, sigmas[k], rel_tol=2e-3), name
    assert math.isclose(fit["chi2_reduced"], np.sum(ref.fun ** 2) / dof, rel_tol=1e-6)
    # The strain points: f and F of each point from the fitted V0.
    f = ((fit["parameters"]["V0"][0] / V) ** (2 / 3) - 1) / 2
    assert np.allclose(fit["strain"]["f"], f, rtol=1e-12)
    with np.errstate(divide="ignore", invalid="ignore"):
        F = P / (3 * f * (1 + 2 * f) ** 2.5)
    assert np.allclose(fit["strain"]["F"][f != 0], F[f != 0], rtol=1e-12)


def test_fit_series_recovers_the_equation_of_state_of_its_jobs(tmp_path):
    # Cubic cells that follow a known equation of state, reflections from
    # Bragg's law with a little noise: the fit of the series' volumes gives
    # V0, K0 and K' back within three s.u.'s.
    rng = np.random.default_rng(5)
    hkl = [(1, 1, 1), (2, 0, 0), (2, 2, 0), (3, 1, 1), (2, 2, 2), (4, 0, 0), (3, 3, 1), (4, 2, 0), (4, 2, 2)]
    pressures = np.linspace(0.0, 12.0, 9)
    paths = []
    for i, p in enumerate(pressures):
        a = bm3_volume(p, 180.0, 25.0, 5.0) ** (1 / 3)
        lines = [f"P = {p:.2f} GPa", "2", "1.5405981 185.0", "7", f"{a:.4f} {a:.4f} {a:.4f} 90 90 90", str(len(hkl))]
        for h, k, l in hkl:
            d = a / math.sqrt(h * h + k * k + l * l)
            two_theta = 2 * math.degrees(math.asin(1.5405981 / (2 * d))) + rng.normal(0.0, 0.002)
            lines.append(f"{h} {k} {l} {two_theta:.5f} 1.0")
        path = tmp_path / f"p{i}.inp"
        path.write_text("\n".join(lines) + "\n0\n")
        paths.append(str(path))
    fit = lattrix.fit_series(lattrix.series_table(paths, x=list(pressures)), model="bm3")
    assert fit["n"] == 9
    for name, truth in (("V0", 180.0), ("K0", 25.0), ("Kp", 5.0)):
        value, sigma = fit["parameters"][name]
        assert abs(value - truth) < 3 * sigma, (name, value, sigma)
