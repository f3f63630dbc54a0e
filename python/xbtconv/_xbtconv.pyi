"""Type hints of xbtconv's native part."""
from types import SimpleNamespace
from typing import Dict, List, Optional, Tuple

import numpy as np
import numpy.typing as npt

__version__: str
netcdf_available: bool

class Failure:
    """A file that gave no observation: its path, "not_a_message" or
    "unreadable", and why. False in a test."""
    def __init__(self, path: str, status: str, reason: str) -> None: ...
    path: str
    status: str
    reason: str
    def __bool__(self) -> bool: ...

class Observation:
    """One decoded XBT message; attributes as the JSON export names them."""
    source: str
    path: str
    kind: int
    decoded: bool
    reason: str
    stop_bit: Optional[int]
    time: Optional[str]
    time_fields: Dict[str, Optional[int]]
    latitude: Optional[float]
    longitude: Optional[float]
    ship: SimpleNamespace
    probe: SimpleNamespace
    surface: SimpleNamespace
    bottom_depth_m: Optional[int]
    qc: Optional[SimpleNamespace]
    profile: SimpleNamespace
    depth_m: npt.NDArray[np.float64]
    temperature_c: npt.NDArray[np.float64]
    depth_qc: npt.NDArray[np.uint8]
    temperature_qc: npt.NDArray[np.uint8]
    def to_dict(self) -> dict: ...
    def to_json(self) -> str: ...
    def to_csv(self, header: bool = True) -> str: ...
    def to_bufr(self, centre: int = 65535, subcentre: int = 0) -> bytes: ...
    def to_svg(self) -> str: ...
    def __bool__(self) -> bool: ...

def read_path(path: str, qc: bool, now: Optional[str],
              sample_rate_hz: float) -> Observation | Failure: ...
def read_bytes(data: bytes, name: str, qc: bool, now: Optional[str],
               sample_rate_hz: float) -> Observation | Failure: ...
def list_message_files(path: str, recursive: bool) -> List[Tuple[str, str]]: ...
def write_netcdf(path: str, observations: List[Observation], history: str) -> bool: ...
