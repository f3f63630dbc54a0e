"""Observations gathered into an xarray.Dataset in the CF layout of xbt's
netCDF collections (a contiguous ragged array: `row_size` samples of the
`obs` dimension per profile), profiles selected from one with the layout
kept whole, and a selection as a pandas.DataFrame."""
import os
import sys
import tempfile
import warnings

import numpy as np

from . import _arguments, _xbtconv
from ._xbtconv import Failure, Observation

# The global attributes that describe the profiles of a file as a whole
# (their number, ships, extent in space and time): after a selection they
# no longer hold. What holds of any profile of the file (the conventions,
# platform and instrument keywords, resolutions, a centre's own) stays.
_SUMMARISING = ("summary", "source", "contributor_", "geospatial_lat_m", "geospatial_lon_m",
                "geospatial_vertical_m", "geospatial_bounds", "time_coverage_start",
                "time_coverage_end", "time_coverage_duration")


def _warn(message):
    """A warning that points at the caller's line: the first frame outside
    this package."""
    package = os.path.dirname(os.path.abspath(__file__))
    frame, level = sys._getframe(1), 2
    while frame is not None and os.path.dirname(os.path.abspath(frame.f_code.co_filename)) == \
            package:
        frame, level = frame.f_back, level + 1
    warnings.warn(message, stacklevel=level)


def _left_out(count, what, such_as=None, keep=None):
    """ "2 cut short (partial=True keeps them; such as x.bin: ...)" """
    notes = [f"{keep}=True keeps them"] if keep else []
    if such_as is not None:
        notes.append(f"such as {such_as.path}: {such_as.reason}")
    return f"{count} {what} ({'; '.join(notes)})"


def to_xarray(observations, *, partial=False, keep_incomplete=False):
    """The observations as an xarray.Dataset in the CF layout of
    `xbt export --format netcdf --collection`; each profile's `profile_id`
    is its path, `file_name` its name as the observation's `source` spells
    it.

    `observations` is one Observation or any iterable of them, such as
    read_all()'s generator. As the command line, it leaves out, counted in
    a warning: the Failures (files that gave no observation); observations
    cut short, unless `partial`; and those without a usable time, position
    or depths (see the README's netCDF section), unless `keep_incomplete`."""
    import xarray

    if isinstance(observations, (Observation, Failure)):
        observations = [observations]
    partial = _arguments.flag(partial, "partial")
    keep_incomplete = _arguments.flag(keep_incomplete, "keep_incomplete")
    chosen, failures, cut, incomplete = [], [], [], []
    for item in observations:
        if isinstance(item, Failure):
            failures.append(item)
        elif not isinstance(item, Observation):
            raise TypeError(f"to_xarray takes observations (from read or read_all), "
                            f"not {type(item).__name__}")
        elif not item.decoded and not partial:
            cut.append(item)
        elif not keep_incomplete and _xbtconv.netcdf_usability(item):
            incomplete.append(item)
        else:
            chosen.append(item)
    left = []
    if failures:
        left.append(_left_out(len(failures), "that gave no observation", failures[0]))
    if cut:
        left.append(_left_out(len(cut), "cut short", keep="partial"))
    if incomplete:
        first = incomplete[0]
        left.append(_left_out(len(incomplete), "without a usable time, position or depths",
                              Failure(first.path, "incomplete",
                                      _xbtconv.netcdf_usability(first)), "keep_incomplete"))
    if left:
        _warn(f"to_xarray left out {len(failures) + len(cut) + len(incomplete)} file(s): "
              + ", ".join(left))
    if not chosen:
        raise ValueError("no observations to gather")
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "profiles.nc")
        _xbtconv.write_netcdf(path, chosen, f"xbtconv {_xbtconv.__version__} to_xarray")
        # A profile without a time holds the fill value, which xarray turns
        # into NaT after a cast numpy warns about: nothing the caller did.
        with warnings.catch_warnings():
            warnings.filterwarnings("ignore", "invalid value encountered in cast", RuntimeWarning)
            with xarray.open_dataset(path) as dataset:
                dataset = dataset.load()
    # The file holds names as UTF-8 text (Latin-1 where they are not UTF-8);
    # Python spells a name as os.fsdecode does, as the observations do.
    names = dataset["file_name"]
    sources = np.array([o.source for o in chosen], dtype=object)
    if not np.array_equal(sources, names.values):
        dataset["file_name"] = (names.dims, sources, names.attrs, names.encoding)
    return dataset


def select_profiles(dataset, where=None, *, profile_qc=None):
    """The profiles of `dataset` (from to_xarray or a netCDF collection)
    that `where` chooses and whose `profile_qc` is one of `profile_qc`,
    with their samples: `row_size` and the `obs` dimension stay in step,
    the profiles in their order.

    `where` is a boolean mask over the profiles (`ds.decoded == 1`) or
    their positions; `profile_qc` a flag or several (`[1, 2]`). The global
    attributes that summarise the profiles (their number, the ships, the
    coverage in time and space, the collection's id) are left out, as they
    no longer hold; the others stay, and `history` says what was
    selected."""
    count = dataset.sizes["profile"]
    chosen = np.ones(count, dtype=bool)
    if where is not None:
        where = np.asarray(where)
        if where.dtype == bool:
            if where.shape != (count,):
                raise ValueError(f"where: a mask of {count} profiles, not of shape {where.shape}")
            chosen &= where
        else:
            positions = np.zeros(count, dtype=bool)
            positions[where] = True
            chosen &= positions
    if profile_qc is not None:
        chosen &= np.isin(dataset["profile_qc"].values, np.atleast_1d(profile_qc))
    rows = dataset["row_size"].values.astype(np.int64)
    selection = dataset.isel(profile=np.flatnonzero(chosen),
                             obs=np.flatnonzero(np.repeat(chosen, rows)))
    attributes = {name: value for name, value in dataset.attrs.items()
                  if name != "id" and not name.startswith(_SUMMARISING)}
    note = (f"xbtconv {_xbtconv.__version__} select_profiles: {int(chosen.sum())} of {count} "
            f"profiles")
    attributes["history"] = "\n".join(filter(None, [dataset.attrs.get("history"), note]))
    selection.attrs = attributes
    return selection


# The dataset's names of the CSV export's columns where they differ.
_CSV_NAMES = {"file_name": "source", "depth": "depth_m", "temperature": "temperature_c"}


def to_dataframe(dataset):
    """One pandas.DataFrame row per sample, as the CSV export has them and
    under its names (`source`, `sample` from 1, `depth_m`, `temperature_c`
    as float64, their flags `depth_qc` and `temperature_qc` as UInt8,
    `decoded`, `profile_qc` ...), with the profile's other fields beside
    them as the dataset names them, and `profile`, its position in the
    dataset. A profile without samples has one row whose sample columns
    are empty.

    `dataset` is a Dataset in the layout of to_xarray (a selection from
    select_profiles, say), or what to_xarray takes."""
    import pandas
    import xarray

    if not isinstance(dataset, xarray.Dataset):
        dataset = to_xarray(dataset)
    rows = dataset["row_size"].values.astype(np.int64)
    lines = np.maximum(rows, 1)
    profile = np.repeat(np.arange(len(rows)), lines)
    within = np.arange(lines.sum()) - np.repeat(np.cumsum(lines) - lines, lines)
    empty = np.repeat(rows == 0, lines)
    sample = np.repeat(np.cumsum(rows) - rows, lines) + within
    columns = {"profile": profile}
    for name, variable in dataset.variables.items():
        if variable.dims == ("profile",) and name != "row_size":
            columns[_CSV_NAMES.get(name, name)] = variable.values[profile]
    columns["sample"] = pandas.array(np.where(empty, 0, within + 1), dtype="Int32")
    columns["sample"][empty] = pandas.NA
    taken = np.where(empty, 0, sample)
    for name, variable in dataset.variables.items():
        if variable.dims != ("obs",):
            continue
        values = variable.values[taken] if len(variable.values) else np.zeros(len(taken))
        if name.endswith("_qc"):
            column = pandas.array(values.astype(np.uint8), dtype="UInt8")
            column[empty] = pandas.NA
        else:
            column = values.astype(np.float64)
            if name in ("depth", "temperature"):
                column = np.round(column, 2)
            column[empty] = np.nan
        columns[_CSV_NAMES.get(name, name)] = column
    return pandas.DataFrame(columns)
