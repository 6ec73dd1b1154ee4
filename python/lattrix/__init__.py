"""Unit-cell refinement from indexed powder patterns by Cohen's least squares.

The same core as lattrix-refine, in process: read or build a job, refine it,
and read the refined cell, its standard deviations and covariance, the list of
d-spacings and the regression diagnostics as numpy arrays.

    import lattrix
    job = lattrix.read_job("examples/quartz.inp")
    result = lattrix.refine(job, correction="zero")
    print(result.cell.a, result.cell_sigma.a, result.volume)
"""
from collections import namedtuple

Cell = namedtuple("Cell", "a b c alpha beta gamma")


class RefusedError(ValueError):
    """A job, peak list or refinement the program refuses. str() is the
    program's message; .messages are all the messages of the step."""

    def __init__(self, message, messages=()):
        super().__init__(message)
        self.messages = list(messages)


from ._lattrix import Job, Result, fit_trend, read_job, read_reflections, refine, refine_series  # noqa: E402
from ._lattrix import _series_columns  # noqa: E402


def series_table(paths, x=None, correction="none", weighting="unity", threads=None):
    """The series table of lattrix-refine --series for the job files `paths`
    (x: one number per path): a pandas DataFrame when pandas is importable,
    else a dict of columns (numbers as numpy arrays, text as lists)."""
    import numpy as np

    names, rows = _series_columns(list(paths), x, correction, weighting, threads)
    text = {"file", "title", "status", "message"}
    columns = {}
    for i, name in enumerate(names):
        values = [row[i] for row in rows]
        if name in text:
            columns[name] = values
        else:
            columns[name] = np.array([float(v) if v != "" else np.nan for v in values])
    try:
        import pandas
    except ImportError:
        return columns
    return pandas.DataFrame(columns)


def fit_series(table, model="bm3", of="volume", t0=298.15, sigma_x=None):
    """fit_trend over the refined rows of a series_table with an x value:
    `of` is the fitted column (volume, or a, b, c as the cube of a length for
    an equation of state), its s.u.'s the column s_<of>; sigma_x, when given,
    one s.u. of x per row of the table."""
    import numpy as np

    status = np.asarray(table["status"])
    x = np.asarray(table["x"], dtype=float)
    keep = (status == "ok") & np.isfinite(x)
    sx = None if sigma_x is None else np.asarray(sigma_x, dtype=float)[keep]
    return fit_trend(x[keep], np.asarray(table[of], dtype=float)[keep], np.asarray(table["s_" + of], dtype=float)[keep],
                     model=model, sigma_x=sx, t0=t0, length=of in ("a", "b", "c"))


__all__ = ["Cell", "Job", "RefusedError", "Result", "fit_series", "fit_trend", "read_job", "read_reflections", "refine",
           "refine_series", "series_table"]
