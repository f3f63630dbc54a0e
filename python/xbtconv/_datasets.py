"""Observations gathered into an xarray.Dataset in the CF layout of xbt's
netCDF collections (a contiguous ragged array: `row_size` samples of the
`obs` dimension per profile), profiles selected from one with the layout
kept whole, and a selection as a pandas.DataFrame."""
import os
import tempfile
import warnings

import numpy as np

from . import _xbtconv
from ._xbtconv import Failure, Observation

# The global attributes that describe the profiles of a file as a whole:
# after a selection they no longer hold.
_SUMMARISING = ("summary", "source", "platform", "instrument", "time_coverage_")


def to_xarray(observations):
    """The observations as an xarray.Dataset in the CF layout of
    `xbt export --format netcdf --collection`; each profile's `profile_id`
    is its path.

    `observations` is one Observation or any iterable of them, such as
    read_all()'s generator: its Failures (files that gave no observation)
    are left out and counted in a warning. Cut-short observations are
    kept: select them by `decoded`."""
    import xarray

    if isinstance(observations, (Observation, Failure)):
        observations = [observations]
    chosen, failures = [], []
    for item in observations:
        if isinstance(item, Observation):
            chosen.append(item)
        elif isinstance(item, Failure):
            failures.append(item)
        else:
            raise TypeError(f"to_xarray takes observations (from read or read_all), "
                            f"not {type(item).__name__}")
    if failures:
        first = failures[0]
        warnings.warn(f"to_xarray left out {len(failures)} file(s) that gave no observation, "
                      f"such as {first.path}: {first.reason}", stacklevel=2)
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
                return dataset.load()


def select_profiles(dataset, where=None, *, profile_qc=None):
    """The profiles of `dataset` (from to_xarray or a netCDF collection)
    that `where` chooses and whose `profile_qc` is one of `profile_qc`,
    with their samples: `row_size` and the `obs` dimension stay in step,
    the profiles in their order.

    `where` is a boolean mask over the profiles (`ds.decoded == 1`) or
    their positions; `profile_qc` a flag or several (`[1, 2]`). The global
    attributes that summarise the profiles (the coverage in time and space,
    the platforms) are left out, as they no longer hold; `history` says
    what was selected."""
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
                  if not name.startswith(("geospatial_",) + _SUMMARISING)}
    note = (f"xbtconv {_xbtconv.__version__} select_profiles: {int(chosen.sum())} of {count} "
            f"profiles")
    attributes["history"] = "\n".join(filter(None, [dataset.attrs.get("history"), note]))
    selection.attrs = attributes
    return selection


def to_dataframe(dataset):
    """One pandas.DataFrame row per sample, as the CSV export has them: the
    profile's fields (its position `profile` in the dataset, `time`,
    `latitude`, `profile_qc` ...) beside the sample's number from 1
    (`sample`), `depth`, `temperature` (float64, in hundredths) and their
    flags (uint8). A profile without samples has one row whose sample
    columns are empty.

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
            columns[name] = variable.values[profile]
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
        columns[name] = column
    return pandas.DataFrame(columns)
