"""xbtconv: ship-launched bathythermograph (XBT) messages as data.

A ship that drops an expendable temperature probe sends the observation
home as one compact, bit-packed message. This module reads such messages
(both kinds, the standard and the extended one) into observations, runs the
GTSPP real-time quality control on them, and writes them as the xbt command
does.

Reading one message::

    >>> import xbtconv
    >>> obs = xbtconv.read("examples/standard_two_meter.bin", now="2026-12-01")
    >>> obs.ship.call_sign, obs.latitude, obs.profile.layout
    ('ZMFR', -41.288, 'two_meter')
    >>> obs.time
    datetime.datetime(2026, 3, 14, 6, 5, tzinfo=datetime.timezone.utc)
    >>> obs.depth_m[:3], obs.temperature_c[:3]
    (array([2., 4., 6.]), array([14.5, 14.5, 14.5]))
    >>> obs.qc.profile_flag, obs.qc.failed_tests, obs.temperature_qc[:3]
    (1, ('surface_transient',), array([3, 1, 1], dtype=uint8))

An observation's attributes carry the names of the JSON export: `source`,
`kind`, `decoded`, `stop_bit`, `time` (a timezone-aware UTC datetime),
`latitude`, `longitude`, `bottom_depth_m`, and the groups `time_fields`,
`ship`, `probe`, `surface`, `qc` and `profile`, each a read-only named tuple
(TimeFields, Ship, ...: `obs.probe.name`, `obs.ship._asdict()`). Absent
values are None. The samples are read-only numpy arrays, the same ones at
each access: `depth_m` and `temperature_c` (float64, NaN where the sample
has no value) and the GTSPP flags `depth_qc` and `temperature_qc` (uint8; 9
where the value is absent, 0 when quality control was not run).
`to_dict()` is the JSON export's document (times as its text),
`to_json()`, `to_csv()`, `to_bufr()` and `to_svg()` the other formats.
Observations pickle, so multiprocessing and dask can pass them around.

`read()` takes a path (str or os.PathLike) or the bytes of a message file
(bytes are always content, never a path); a message cut short gives what
arrived (`obs.decoded` is False and `obs.reason` says where the decode
stopped); a file that holds no message raises ReadError.

Reading a folder::

    for item in xbtconv.read_all("inbox", recursive=True):
        if not item:                     # a Failure: no message, or unreadable
            print(item.path, item.reason)
            continue
        print(item.source, item.qc.profile_flag)

`read_all()` takes the folder's *.bin files as xbt does (any case of
".bin", in name order, whatever bytes their names hold) and yields every
one: an Observation, or a Failure carrying its path and reason. It never
stops on a bad file.

Gathering, selecting and tabulating::

    ds = xbtconv.to_xarray(xbtconv.read_all("inbox"))
    good = xbtconv.select_profiles(ds, ds.decoded == 1, profile_qc=[1, 2])
    table = xbtconv.to_dataframe(good)

to_xarray() gives an xarray.Dataset in exactly the CF layout of
`xbt export --format netcdf --collection` (a contiguous ragged array of
profiles; see the README), leaving out the failures with a warning;
select_profiles() keeps `row_size` and the samples in step, which
`ds.isel(profile=...)` does not; to_dataframe() has a row per sample with
its profile's fields beside it.

Every reading function takes `qc` (run quality control, default True),
`now` (the clock no observation may be later than: a datetime, a
numpy.datetime64 or ISO 8601 text, UTC where it says no zone; default the
system's) and `sample_rate_hz` (of full-resolution profiles, for their
depths; default 10). They are refused as xbt refuses its options.
"""

import os
from typing import Iterator, Optional, Union

from . import _arguments, _xbtconv
from ._datasets import select_profiles, to_dataframe, to_xarray
from ._xbtconv import Failure, Observation, Probe, Profile, Qc, Ship, Surface, TimeFields

__all__ = ["read", "read_all", "to_xarray", "select_profiles", "to_dataframe", "Observation",
           "Failure", "ReadError", "TimeFields", "Ship", "Probe", "Surface", "Qc", "Profile"]
__version__ = _xbtconv.__version__

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


class ReadError(ValueError):
    """A file that holds no message, or cannot be read: its path and why."""

    def __init__(self, path: str, reason: str):
        # The arguments as given, so that the error pickles and unpickles
        # (a process pool hands it back to its caller that way).
        super().__init__(path, reason)
        self.path = path
        self.reason = reason

    def __str__(self):
        return f"{self.path}: {self.reason}"


def read(source: Union[str, "os.PathLike[str]", bytes, bytearray, memoryview], *,
         name: Optional[str] = None, qc: bool = True, now=None,
         sample_rate_hz: float = 10.0) -> Observation:
    """Reads one message: from a file, whose path is a str or os.PathLike,
    or from the bytes of a message file (bytes, bytearray or memoryview are
    always content, never a path; `name` is then its `source`). Raises
    ReadError when there is no message; a message cut short is returned as
    far as it was decoded."""
    arguments = _arguments.reading(qc, now, sample_rate_hz)
    if isinstance(source, (bytes, bytearray, memoryview)):
        result = _xbtconv.read_bytes(bytes(source), "message.bin" if name is None else name,
                                     *arguments)
    elif isinstance(source, (str, os.PathLike)):
        result = _xbtconv.read_path(source, *arguments)
    else:
        raise TypeError(f"read takes a path (str or os.PathLike) or a message's bytes, "
                        f"not {type(source).__name__}")
    if not result:
        raise ReadError(result.path, result.reason)
    return result


def read_all(path: PathLike, recursive: bool = False, *, qc: bool = True, now=None,
             sample_rate_hz: float = 10.0) -> Iterator[Union[Observation, Failure]]:
    """Yields an Observation or a Failure for each message file `path`
    names: the file itself, or a folder's *.bin files in name order (with
    `recursive`, those of its subfolders after its own). A folder that
    cannot be listed is a Failure too. `path` may be str, bytes or
    os.PathLike; every name the system gives is read, and spelt as
    os.fsdecode spells it."""
    if not isinstance(path, (str, bytes, os.PathLike)):
        raise TypeError(f"read_all takes a path, not {type(path).__name__}")
    entries = _xbtconv.list_message_files(path, _arguments.flag(recursive, "recursive"))
    return _read_each(entries, _arguments.reading(qc, now, sample_rate_hz))


def _read_each(entries, arguments):
    for entry, error in entries:
        yield Failure(entry, "unreadable", error) if error else _xbtconv.read_path(entry,
                                                                                    *arguments)
