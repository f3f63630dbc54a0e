"""xbtconv: ship-launched bathythermograph (XBT) messages as data.

A ship that drops an expendable temperature probe sends the observation
home as one compact, bit-packed message. This module reads such messages
(both kinds, the standard and the extended one) into observations, runs the
GTSPP real-time quality control on them, and writes them as the xbt command
does.

Reading one message::

    >>> import xbtconv
    >>> obs = xbtconv.read("examples/standard_two_meter.bin")
    >>> obs.ship.call_sign, obs.latitude, obs.profile.layout
    ('ZMFR', -41.288, 'two_meter')
    >>> obs.depth_m[:3], obs.temperature_c[:3]
    (array([2., 4., 6.]), array([14.5, 14.5, 14.5]))
    >>> obs.qc.profile_flag, obs.qc.failed_tests, obs.temperature_qc[:3]
    (1, ['surface_transient'], array([3, 1, 1], dtype=uint8))

An observation's attributes carry the names of the JSON export (`time`,
`time_fields`, `latitude`, `longitude`, `ship`, `probe`, `surface`,
`bottom_depth_m`, `qc`, `profile`; the groups read as attributes,
`obs.probe.name`), absent values are None, and its samples are numpy
arrays: `depth_m` and `temperature_c` (float64, NaN where the sample has no
value) and the GTSPP flags `depth_qc` and `temperature_qc` (uint8; 9 where
the value is absent, 0 when quality control was not run). `to_dict()` is the
JSON export's document, `to_json()`, `to_csv()`, `to_bufr()` and `to_svg()`
the other formats.

`read()` takes a path or the bytes of a message file; a message cut short
gives what arrived (`obs.decoded` is False and `obs.reason` says where the
decode stopped); a file that holds no message raises ReadError.

Reading a folder::

    for item in xbtconv.read_all("inbox", recursive=True):
        if not item:                     # a Failure: no message, or unreadable
            print(item.path, item.reason)
            continue
        print(item.source, item.qc.profile_flag)

`read_all()` takes the folder's *.bin files as xbt does (any case of
".bin", in name order) and yields every one: an Observation, or a Failure
carrying its path and reason. It never stops on a bad file.

Gathering observations::

    ds = xbtconv.to_xarray(obs for obs in xbtconv.read_all("inbox") if obs)

gives an xarray.Dataset in exactly the CF layout of
`xbt export --format netcdf --collection` (a contiguous ragged array of
profiles; see the README).

Every function takes `qc` (run quality control, default True), `now` (the
clock no observation may be later than, an ISO 8601 UTC time; default the
system's) and `sample_rate_hz` (of full-resolution profiles, for their
depths; default 10).
"""

import os
import tempfile
from typing import Iterable, Iterator, Optional, Union

from . import _xbtconv
from ._xbtconv import Failure, Observation

__all__ = ["read", "read_all", "to_xarray", "Observation", "Failure", "ReadError"]
__version__ = _xbtconv.__version__

PathLike = Union[str, "os.PathLike[str]"]


class ReadError(ValueError):
    """A file that holds no message, or cannot be read."""

    def __init__(self, failure: Failure):
        super().__init__(f"{failure.path}: {failure.reason}")
        self.path = failure.path
        self.reason = failure.reason


def read(source: Union[PathLike, bytes, bytearray, memoryview], *, name: Optional[str] = None,
         qc: bool = True, now: Optional[str] = None,
         sample_rate_hz: float = 10.0) -> Observation:
    """Reads one message: from a file path, or from the bytes of a message
    file (then `name` is its `source`). Raises ReadError when there is no
    message; a message cut short is returned as far as it was decoded."""
    if isinstance(source, (bytes, bytearray, memoryview)):
        result = _xbtconv.read_bytes(bytes(source), name or "message.bin", qc, now,
                                     sample_rate_hz)
    else:
        result = _xbtconv.read_path(os.fspath(source), qc, now, sample_rate_hz)
    if not result:
        raise ReadError(result)
    return result


def read_all(path: PathLike, recursive: bool = False, *, qc: bool = True,
             now: Optional[str] = None,
             sample_rate_hz: float = 10.0) -> Iterator[Union[Observation, Failure]]:
    """Yields an Observation or a Failure for each message file `path`
    names: the file itself, or a folder's *.bin files in name order (with
    `recursive`, those of its subfolders after its own). A folder that
    cannot be listed is a Failure too."""
    for entry, error in _xbtconv.list_message_files(os.fspath(path), recursive):
        if error:
            yield Failure(entry, "unreadable", error)
        else:
            yield _xbtconv.read_path(entry, qc, now, sample_rate_hz)


def to_xarray(observations: Iterable[Observation]):
    """The observations as an xarray.Dataset in the CF layout of xbt's
    netCDF collections (the contiguous ragged array); each profile's
    `profile_id` is its file's path below the folder that holds them all."""
    import xarray

    chosen = list(observations)
    if not chosen:
        raise ValueError("no observations to gather")
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "profiles.nc")
        _xbtconv.write_netcdf(path, chosen, f"xbtconv {__version__} to_xarray")
        with xarray.open_dataset(path) as dataset:
            return dataset.load()
