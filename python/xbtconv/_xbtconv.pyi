"""Type hints of xbtconv's native part."""
import os
from datetime import datetime
from typing import List, NamedTuple, Optional, Tuple, Union

import numpy as np
import numpy.typing as npt

__version__: str
netcdf_available: bool

Time = Union[datetime, np.datetime64]
FileName = Union[str, bytes, os.PathLike]

class Failure:
    """A file that gave no observation: its path, "not_a_message" or
    "unreadable", and why. False in a test."""
    def __init__(self, path: FileName, status: str, reason: str,
                 errno: Optional[int] = None) -> None: ...
    path: str
    status: str
    reason: str
    errno: Optional[int]
    def __bool__(self) -> bool: ...

class TimeFields(NamedTuple):
    year: Optional[int]
    month: Optional[int]
    day: Optional[int]
    hour: Optional[int]
    minute: Optional[int]

class Ship(NamedTuple):
    name: Optional[str]
    call_sign: Optional[str]
    imo_number: Optional[int]
    soop_line: Optional[str]
    transect_number: Optional[int]
    heading_deg: Optional[int]
    speed_m_s: Optional[float]

class Probe(NamedTuple):
    code: Optional[int]
    name: Optional[str]
    serial_number: Optional[int]
    fall_rate_a_m_s: Optional[float]
    fall_rate_b_m_s2: Optional[float]
    fall_rate_source: Optional[str]
    max_depth_m: Optional[int]
    recorder_code: Optional[int]
    recorder_name: Optional[str]
    software_version: Optional[str]
    unique_tag: Optional[str]
    sequence_number: Optional[int]
    launch_height_m: Optional[float]

class Surface(NamedTuple):
    wind_instrument_code: Optional[int]
    wind_instrument_name: Optional[str]
    wind_direction_deg: Optional[int]
    wind_speed_m_s: Optional[float]
    air_temperature_c: Optional[float]
    current_method_code: Optional[int]
    current_method_name: Optional[str]
    current_direction_deg: Optional[int]
    current_speed_m_s: Optional[float]

class Qc(NamedTuple):
    profile_flag: int
    time_flag: int
    position_flag: int
    tests_performed: int
    tests_failed: int
    failed_tests: Tuple[str, ...]

class Profile(NamedTuple):
    layout: Optional[str]
    depth_source: Optional[str]
    sample_rate_hz: Optional[float]
    depth_m: npt.NDArray[np.float64]
    temperature_c: npt.NDArray[np.float64]
    depth_qc: npt.NDArray[np.uint8]
    temperature_qc: npt.NDArray[np.uint8]

class Observation:
    """One decoded XBT message; attributes as the JSON export names them."""
    source: str
    kind: int
    decoded: bool
    stop_bit: Optional[int]
    time: Optional[Time]
    time_fields: TimeFields
    latitude: Optional[float]
    longitude: Optional[float]
    ship: Ship
    probe: Probe
    surface: Surface
    bottom_depth_m: Optional[int]
    qc: Optional[Qc]
    profile: Profile
    path: str
    reason: str
    depth_m: npt.NDArray[np.float64]
    temperature_c: npt.NDArray[np.float64]
    depth_qc: npt.NDArray[np.uint8]
    temperature_qc: npt.NDArray[np.uint8]
    def to_dict(self) -> dict: ...
    def to_json(self) -> str: ...
    def to_csv(self, header: bool = True) -> str: ...
    def to_bufr(self, centre: int = 65535, subcentre: int = 0, subcategory: int = 3,
                master_table_version: int = 31, local_table_version: int = 0,
                update_sequence: int = 0) -> bytes: ...
    def to_svg(self) -> str: ...
    def __bool__(self) -> bool: ...

def read_path(path: FileName, qc: bool, now: Optional[int],
              sample_rate_hz: float) -> Union[Observation, Failure]: ...
def read_bytes(data: bytes, name: FileName, qc: bool, now: Optional[int],
               sample_rate_hz: float) -> Union[Observation, Failure]: ...
def list_message_files(path: FileName, recursive: bool) -> List[Tuple[bytes, str]]: ...
def write_netcdf(path: FileName, observations: List[Observation], history: str) -> None: ...
def parse_time(text: str) -> Optional[int]: ...
def netcdf_usability(observation: Observation) -> str: ...
def fields() -> List[Tuple[Optional[str], bool, str, str, bool, str]]: ...
