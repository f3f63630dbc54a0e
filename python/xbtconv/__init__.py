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

`read()` takes a path (str or os.PathLike), the bytes of a message file
(bytes, bytearray, memoryview, a numpy uint8 array: content, never a path)
or a binary file object; a message cut short gives what arrived
(`obs.decoded` is False and `obs.reason` says where the decode stopped).
A file that holds no message raises ReadError (a ValueError); one the
system refuses raises OSError (FileNotFoundError, PermissionError), as
`open` does.

Reading a folder::

    for item in xbtconv.read_all("inbox", recursive=True):
        if not item:                     # a Failure: no message, or unreadable
            print(item.path, item.reason)
            continue
        print(item.source, item.qc.profile_flag)

`read_all()` takes a path or a list of them, as xbt does: each file, and
each folder's *.bin files (any case of ".bin", in name order, whatever
bytes their names hold), a file named twice read once; it gives every
one: an Observation, or a Failure carrying its path and reason. It never
stops on a bad file. What it returns reads the files anew each time it
is iterated (a loop, list(), to_xarray), keeping none in memory.

Gathering, selecting and tabulating::

    ds = xbtconv.to_xarray(xbtconv.read_all("inbox"), layout="incomplete")
    march = ds.sel(time=slice("2026-03-01", "2026-03-31"))
    zmfr = ds.where(ds.call_sign == "ZMFR", drop=True)
    good = xbtconv.select_profiles(ds, ds.decoded == 1, profile_qc=[1, 2],
                                   time="2026-03-14", call_sign=["ZMFR", "PBKZ"])
    table = xbtconv.to_dataframe(good)

to_xarray() gives an xarray.Dataset in exactly a CF layout of
`xbt export --format netcdf --collection` (see the README), and, as that
command, leaves out with a warning the failures, the observations cut
short (unless `partial=True`) and those without a usable time, position
or depths (unless `keep_incomplete=True`). Its default layout, "ragged",
is the compact contiguous ragged array: the samples of all profiles along
`obs`, `row_size` counting each profile's; xarray's own selections
(`ds.isel(profile=...)`, `ds.sel`, `ds.where`) part profiles from their
samples there, and select_profiles() keeps them in step. The
"incomplete" layout holds the samples `profile` by `z`, padded to the
longest profile, so that `where`, `sel` and `isel` keep each profile's
samples with it. `time` is an indexed coordinate of `profile` in both.
to_dataframe() has a row per sample, the CSV export's columns under its
names and the profile's other fields beside them. To mask samples by
their flags, mask the sample variable alone
(`ds.temperature.where(ds.temperature_qc <= 2)`): `ds.where` would spread
every profile's variables over the samples.

Every reading function takes `qc` (run quality control, default True),
`now` (the clock no observation may be later than: a datetime, a
numpy.datetime64 or ISO 8601 text, UTC where it says no zone; default the
system's) and `sample_rate_hz` (of full-resolution profiles, for their
depths; default 10). They are refused as xbt refuses its options.
"""

import os as _os
import collections.abc as _abc
from typing import Iterable as _Iterable, Iterator as _Iterator, Optional as _Optional, \
    Union as _Union

from . import _arguments, _xbtconv
from ._datasets import select_profiles, to_dataframe, to_xarray
from ._xbtconv import Failure, Observation, Probe, Profile, Qc, Ship, Surface, TimeFields

__all__ = ["read", "read_all", "to_xarray", "select_profiles", "to_dataframe", "Observation",
           "Failure", "ReadError", "TimeFields", "Ship", "Probe", "Surface", "Qc", "Profile"]
__version__ = _xbtconv.__version__

_Path = _Union[str, bytes, "_os.PathLike[str]", "_os.PathLike[bytes]"]


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


def read(source, *, name: _Optional[str] = None, qc: bool = True, now=None,
         sample_rate_hz: float = 10.0) -> Observation:
    """Reads one message: from a file, whose path is a str or os.PathLike;
    from the bytes of a message file (bytes, bytearray, memoryview or a
    numpy uint8 array: always content, never a path; `name` is then its
    `source`); or from a binary file object, read to its end (its name, if
    it has one, is the `source`). Raises ReadError when there is no
    message, OSError when the system refuses the file; a message cut short
    is returned as far as it was decoded."""
    arguments = _arguments.reading(qc, now, sample_rate_hz)
    if isinstance(source, (str, _os.PathLike)):
        result = _xbtconv.read_path(source, *arguments)
    else:
        if hasattr(source, "read"):
            if name is None and isinstance(getattr(source, "name", None), (str, bytes)):
                name = _os.path.basename(_os.fsdecode(source.name))
            source = source.read()
        data = _content(source)
        result = _xbtconv.read_bytes(data, "message.bin" if name is None else name, *arguments)
    if not result:
        if result.errno:
            raise OSError(result.errno, _os.strerror(result.errno), result.path)
        raise ReadError(result.path, result.reason)
    return result


def _content(source) -> bytes:
    """A message file's bytes from anything holding them one a byte."""
    try:
        view = memoryview(source)
    except TypeError:
        raise TypeError(f"read takes a path (str or os.PathLike), a message's bytes or a binary "
                        f"file, not {type(source).__name__}") from None
    if view.itemsize != 1 or view.format not in ("B", "b", "c"):
        raise TypeError(f"read takes a message's bytes, one a byte, not items of "
                        f"'{view.format}'")
    return view.tobytes()


def read_all(paths: _Union[_Path, _Iterable[_Path]], recursive: bool = False, *, qc: bool = True,
             now=None, sample_rate_hz: float = 10.0) -> _Iterator[_Union[Observation, Failure]]:
    """An Observation or a Failure for each message file `paths` names, as
    xbt does with its PATHs: a path or a list of them, each a file, or a
    folder whose *.bin files are taken in name order (with `recursive`,
    those of its subfolders after its own). A file named twice, in any
    spelling, is read once; a folder that cannot be listed is a Failure
    too. Paths may be str, bytes or os.PathLike; every name the system
    gives is read, and spelt as os.fsdecode spells it.

    What it returns reads the files as it is iterated, one at a time, and
    again at each iteration (a `for` loop, list(), to_xarray,
    to_dataframe): it keeps nothing, so memory holds one observation at a
    time and a folder's new files are read the next time. next() on it
    reads on from its last next(), as on a generator. The arguments are
    checked at the call."""
    if isinstance(paths, (str, bytes, _os.PathLike)):
        paths = [paths]
    elif not isinstance(paths, _abc.Iterable):
        raise TypeError(f"read_all takes a path or a list of paths, not {type(paths).__name__}")
    paths = list(paths)
    for path in paths:
        if not isinstance(path, (str, bytes, _os.PathLike)):
            raise TypeError(f"read_all takes paths, not {type(path).__name__}")
    arguments = _arguments.reading(qc, now, sample_rate_hz)
    flag = _arguments.flag(recursive, "recursive")
    return _Reading(paths, flag, arguments)


class _Reading:
    """read_all's result: iterable any number of times, each time reading
    the files anew (a generator, read once, left to_xarray nothing after a
    first loop)."""
    __slots__ = ("_paths", "_recursive", "_arguments", "_next")

    def __init__(self, paths, recursive, arguments):
        self._paths, self._recursive, self._arguments = paths, recursive, arguments
        self._next = None

    def __iter__(self):
        return _read_each(self._paths, self._recursive, self._arguments)

    def __next__(self):
        if self._next is None:
            self._next = iter(self)
        return next(self._next)

    def __repr__(self):
        return f"<xbtconv.read_all of {', '.join(map(repr, self._paths))}>"


def _read_each(paths, recursive, arguments):
    taken = set()
    for path in paths:
        for entry, error in _xbtconv.list_message_files(path, recursive):
            # The same file however it was named: absolute, without . and ..
            spelling = _os.path.normpath(_os.path.abspath(entry))
            if spelling in taken:
                continue
            taken.add(spelling)
            yield Failure(entry, "unreadable", error) if error else \
                _xbtconv.read_path(entry, *arguments)
