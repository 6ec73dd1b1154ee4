from typing import Dict, List, NamedTuple, Optional, Sequence, Union

import numpy as np

class Cell(NamedTuple):
    a: float
    b: float
    c: float
    alpha: float
    beta: float
    gamma: float

class RefusedError(ValueError):
    messages: List[str]

class Job:
    def __init__(self, title: str = ..., system: Union[str, int] = ..., cell: Sequence[float] = ...,
                 wavelength: float = ..., radius: float = ..., hkl: np.ndarray = ..., two_theta: np.ndarray = ...,
                 esd: Optional[np.ndarray] = ..., silicon: Optional[Sequence[float]] = ...) -> None: ...
    title: str
    system: str
    cell: Cell
    wavelength: float
    radius: float
    hkl: np.ndarray
    two_theta: np.ndarray
    esd: np.ndarray
    silicon: Optional[np.ndarray]
    def write(self, path: str) -> None: ...

class Result:
    cell: Cell
    cell_sigma: Cell
    volume: float
    volume_sigma: float
    zero: float
    zero_sigma: float
    ssd: float
    ssd_sigma: float
    parameters: List[str]
    covariance: np.ndarray
    correlation: np.ndarray
    degrees_of_freedom: int
    reflections: Dict[str, np.ndarray]
    diagnostics: Dict[str, object]
    messages: List[str]
    def to_json(self) -> str: ...
    def to_cif(self) -> str: ...
    def report(self) -> str: ...

def read_job(path: str) -> Job: ...
def fit_trend(x: Sequence[float], y: Sequence[float], sigma_y: Sequence[float], model: str = ...,
              sigma_x: Optional[Sequence[float]] = ..., t0: float = ..., length: bool = ...) -> Dict[str, object]: ...
def fit_series(table: object, model: str = ..., of: str = ..., t0: float = ...,
               sigma_x: Optional[Sequence[float]] = ...) -> Dict[str, object]: ...
def read_reflections(path: str, units: str = ..., job: Optional[Job] = ..., centring: str = ...,
                     tolerance: float = ...) -> Union[Job, Dict[str, object]]: ...
def refine(job: Job, correction: Union[str, int] = ..., weighting: Union[str, int] = ...,
           calibrate: Optional[bool] = ..., report: Optional[str] = ...) -> Result: ...
def refine_series(paths: Sequence[str], x: Optional[Sequence[float]] = ..., correction: Union[str, int] = ...,
                  weighting: Union[str, int] = ..., threads: Optional[int] = ...) -> List[Union[Result, RefusedError]]: ...
def series_table(paths: Sequence[str], x: Optional[Sequence[float]] = ..., correction: Union[str, int] = ...,
                 weighting: Union[str, int] = ..., threads: Optional[int] = ...) -> object: ...
