"""Observations gathered into an xarray.Dataset in a CF layout of xbt's
netCDF collections (the contiguous ragged array: `row_size` samples of the
`obs` dimension per profile; or the incomplete multidimensional array:
`profile` by `z`), profiles selected from one with the layout kept whole,
and a selection as a pandas.DataFrame."""
import datetime
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


_LAYOUTS = ("ragged", "incomplete")
# What xbt writes past a profile's samples in the incomplete layout's flags
# (netCDF's default fill of a byte; the flags declare no fill value).
_PAD_FLAG = -127


def to_xarray(observations, *, partial=False, keep_incomplete=False, layout="ragged"):
    """The observations as an xarray.Dataset in the CF layout of
    `xbt export --format netcdf --collection --layout LAYOUT`; each
    profile's `profile_id` is its path, `file_name` its name as the
    observation's `source` spells it.

    `layout` is "ragged" (the default): a contiguous ragged array, the
    samples of every profile one after another along `obs`, `row_size`
    saying how many are each profile's; or "incomplete": `depth`,
    `temperature` and their flags are `profile` by `z`, each profile's
    samples on its first levels and the levels after them NaN (-127 in the
    flags), so that `where`, `sel` and `isel` keep a profile's samples
    with it (`ds.where(ds.call_sign == "ZMFR", drop=True)`), in memory the
    size of the profiles times the longest.

    `time` is an indexed coordinate of `profile` in both layouts:
    `ds.sel(time=slice("2026-03-01", "2026-03-31"))` takes the profiles
    of March (both ends whole days, as pandas takes text), and
    `ds.sel(time="2026-03-14")` those of one day, in the dataset's order
    (that of time, as in a collection, ties by name); a profile
    without a time is never chosen. In the ragged layout it picks
    profiles alone, as `ds.isel(profile=...)` does: the `obs` dimension
    stays whole, right for the profiles' own variables
    (`ds.latitude.sel(time=...)`) but not for their samples, which
    select_profiles(ds, time=...) keeps with them. The index is lost when
    the dataset is written and opened again; select_profiles needs none.

    `observations` is one Observation or any iterable of them, such as
    read_all()'s. As the command line, it leaves out, counted in a
    warning: the Failures (files that gave no observation); observations
    cut short, unless `partial`; and those without a usable time, position
    or depths (see the README's netCDF section), unless `keep_incomplete`.
    Raises ValueError when none is left, saying whether an iterator came
    already used up."""
    import xarray

    if isinstance(observations, (Observation, Failure)):
        observations = [observations]
    partial = _arguments.flag(partial, "partial")
    keep_incomplete = _arguments.flag(keep_incomplete, "keep_incomplete")
    if layout not in _LAYOUTS:
        words = f"layout: '{layout}' is not a layout (ragged or incomplete)"
        raise ValueError(words) if isinstance(layout, str) else TypeError(words)
    # An iterator is read once: one already read to its end gives nothing.
    once = iter(observations) is observations
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
    given = len(failures) + len(cut) + len(incomplete)
    if left:
        _warn(f"to_xarray left out {given} file(s): " + ", ".join(left))
    if not chosen:
        if given:
            raise ValueError(f"no observations to gather: the {given} given were left out "
                             f"(see the warning)")
        if once:
            raise ValueError("no observations to gather: the iterator given yielded nothing "
                             "(used up already? a generator is read once; read_all's result "
                             "reads the files again each time)")
        raise ValueError("no observations to gather: none were given")
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
    # Python spells a name as os.fsdecode does, as the observations do. (The
    # profiles are in time order, not the order given.)
    names = dataset["file_name"]
    spelled = {}
    for o in chosen:
        raw = os.fsencode(o.source)
        try:
            spelled[raw.decode("utf-8")] = o.source
        except UnicodeDecodeError:
            spelled[raw.decode("latin-1")] = o.source
    sources = np.array([spelled.get(name, name) for name in names.values], dtype=object)
    if not np.array_equal(sources, names.values):
        dataset["file_name"] = (names.dims, sources, names.attrs, names.encoding)
    if layout == "incomplete":
        dataset = _incomplete(dataset)
    if dataset["time"].dtype.kind == "M":
        dataset = dataset.set_xindex("time", _time_index())
    return dataset


def _incomplete(dataset):
    """A ragged dataset as the incomplete multidimensional array xbt's
    `--layout incomplete` writes: the sample variables on `profile` by `z`
    (the longest profile's samples, at least one level), NaN after each
    profile's samples (-127 in the flags), and no `row_size`."""
    import xarray

    rows = dataset["row_size"].values.astype(np.int64)
    profile, level = _samples(rows)
    levels = max(1, int(rows.max(initial=0)))
    replaced = {}
    for name, variable in dataset.variables.items():
        if variable.dims != ("obs",):
            continue
        values = variable.values
        grid = np.full((len(rows), levels), np.nan if values.dtype.kind == "f" else _PAD_FLAG,
                       dtype=values.dtype)
        grid[profile, level] = values
        encoding = {key: value for key, value in variable.encoding.items()
                    if key != "original_shape"}
        replaced[name] = xarray.Variable(("profile", "z"), grid, variable.attrs, encoding)
    # The variables in the file's order, the coordinates still coordinates.
    variables = {name: replaced.get(name, variable) for name, variable in
                 dataset.variables.items() if name != "row_size"}
    attributes = dict(dataset.attrs)
    attributes["comment"] = (
        "The profiles form an incomplete multidimensional array: profile i's samples are its "
        "first levels along z, the levels after them fill values (-127 in the quality flags).")
    return xarray.Dataset(variables, attrs=attributes).set_coords(
        [name for name in dataset.coords if name in variables])


def _samples(rows):
    """For profiles of `rows` samples, each sample's profile and level."""
    profile = np.repeat(np.arange(len(rows)), rows)
    return profile, np.arange(len(profile)) - np.repeat(np.cumsum(rows) - rows, rows)


def _time_index():
    """The index of the profiles' times, made on first use: xarray is
    imported only by those who gather datasets."""
    global _ProfileTimes
    if "_ProfileTimes" in globals():
        return _ProfileTimes
    from xarray.core.indexes import PandasIndex
    from xarray.core.indexing import IndexSelResult

    class _ProfileTimes(PandasIndex):
        """The profiles' times as pandas indexes them, but a period (a
        slice, or text naming a day, month, ...) chooses its profiles
        where they are: the profiles keep their order, which is not that
        of time, and pandas slices only sorted times."""
        __slots__ = ()

        def sel(self, labels, method=None, tolerance=None):
            (name, label), = labels.items()
            if method is None and tolerance is None and \
                    isinstance(label, (slice, str, datetime.date)) and \
                    not isinstance(label, datetime.datetime):
                chosen = _within(self.index.values, label, name)
                return IndexSelResult({self.dim: np.flatnonzero(chosen)})
            return super().sel(labels, method, tolerance)

    _ProfileTimes.__module__, _ProfileTimes.__qualname__ = __name__, "_ProfileTimes"
    return _ProfileTimes


def __getattr__(name):
    # A pickled dataset names the index's class; unpickling makes it.
    if name == "_ProfileTimes":
        return _time_index()
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


def _within(times, period, name="time"):
    """Which of `times` (datetime64, NaT where absent) fall in `period`: a
    slice or a pair of times, either end None for open, both ends taken
    whole as pandas takes them ("2026-03-31" ends at that day's end); or
    one time, text naming a period ("2026-03-14", "2026-03") or a date
    choosing all of it."""
    import pandas

    if isinstance(period, slice):
        if period.step is not None:
            raise ValueError(f"{name}: a period has no step, not {period.step!r}")
        start, stop = period.start, period.stop
    elif isinstance(period, (tuple, list)):
        if len(period) != 2:
            raise ValueError(f"{name}: a period is a pair of times (start, stop), not "
                             f"{len(period)} items")
        start, stop = period
    else:
        start = stop = period
    start, stop = _bound(start, name), _bound(stop, name)
    index = pandas.DatetimeIndex(times)
    known = np.flatnonzero(~index.isna())
    order = np.argsort(index.asi8[known], kind="stable")
    try:
        span = index[known[order]].slice_indexer(start, stop)
    except (TypeError, ValueError, KeyError):
        raise ValueError(f"{name}: expected times such as 2026-03-14 or 2026-03-14T06:05:00Z, "
                         f"not {period!r}") from None
    chosen = np.zeros(len(times), dtype=bool)
    chosen[known[order[span]]] = True
    return chosen


def _bound(value, name):
    """One end of a period as pandas slices the profiles' UTC times with:
    text naming a period as it is, a time in a zone as UTC."""
    import pandas

    if hasattr(value, "values") and not isinstance(value, (str, pandas.Timestamp)):
        value = value.values  # an xarray or pandas scalar
    if isinstance(value, np.ndarray) and value.ndim == 0:
        value = value[()]
    if value is None:
        return None
    if isinstance(value, datetime.date) and not isinstance(value, datetime.datetime):
        return value.isoformat()
    if isinstance(value, (str, datetime.datetime, np.datetime64)):
        try:
            stamp = pandas.Timestamp(value)
        except (TypeError, ValueError):
            raise ValueError(f"{name}: expected a time such as 2026-03-14 or "
                             f"2026-03-14T06:05:00Z, not {value!r}") from None
        if stamp is pandas.NaT:
            raise ValueError(f"{name}: expected a time, not {value!r}")
        if stamp.tzinfo is not None:
            return stamp.tz_convert("UTC").tz_localize(None)
        return value if isinstance(value, str) else stamp
    raise TypeError(f"{name}: expected a time (text, datetime, date or numpy.datetime64), not "
                    f"{type(value).__name__}")


def select_profiles(dataset, where=None, *, profile_qc=None, time=None, call_sign=None):
    """The profiles of `dataset` (from to_xarray or a netCDF collection, in
    either layout) that every argument given chooses, with their samples,
    in their order: in the ragged layout `row_size` and the `obs`
    dimension stay in step, in the incomplete one `z` is cut to the
    longest profile kept.

    `where` is a boolean mask over the profiles (`ds.decoded == 1`) or
    their positions; `profile_qc` a flag or several (`[1, 2]`); `time` a
    period: a slice or a pair of times (`("2026-03-01", "2026-03-31")`,
    either end None for open, both ends whole as `ds.sel` takes them), or
    one day as text (`"2026-03-14"`) or a date; times are text, datetime
    (any zone; UTC where it names none) or numpy.datetime64, and a
    profile without a time is in no period. `call_sign` is a call sign or
    several. The global attributes that summarise the profiles (their
    number, the ships, the coverage in time and space, the collection's
    id) are left out, as they no longer hold; the others stay, and
    `history` says what was selected."""
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
    if time is not None:
        chosen &= _within(dataset["time"].values, time)
    if call_sign is not None:
        signs = list(call_sign) if isinstance(call_sign, (list, tuple, set, frozenset,
                                                          np.ndarray)) else [call_sign]
        if not all(isinstance(sign, str) for sign in signs):
            raise TypeError(f"call_sign: a call sign or several, as text, not {call_sign!r}")
        chosen &= np.isin(dataset["call_sign"].values.astype(str), signs)
    kept = np.flatnonzero(chosen)
    if "obs" in dataset.dims:
        rows = _row_sizes(dataset)
        selection = dataset.isel(profile=kept, obs=np.flatnonzero(np.repeat(chosen, rows)))
    else:
        levels = _levels(dataset)[kept]
        selection = dataset.isel(profile=kept, z=slice(0, max(1, int(levels.max(initial=0)))))
    attributes = {name: value for name, value in dataset.attrs.items()
                  if name != "id" and not name.startswith(_SUMMARISING)}
    note = (f"xbtconv {_xbtconv.__version__} select_profiles: {len(kept)} of {count} "
            f"profiles")
    attributes["history"] = "\n".join(filter(None, [dataset.attrs.get("history"), note]))
    selection.attrs = attributes
    return selection


def _row_sizes(dataset):
    """A ragged dataset's `row_size`, refused where it no longer counts the
    samples: a quiet mismatch would give profiles others' samples."""
    rows = dataset["row_size"].values.astype(np.int64)
    if rows.sum() != dataset.sizes["obs"]:
        raise ValueError(f"row_size counts {rows.sum()} samples but obs holds "
                         f"{dataset.sizes['obs']}: the profiles were taken without their "
                         f"samples (as ds.isel, ds.sel or ds.where on profiles take them); "
                         f"select_profiles keeps them together")
    return rows


def _levels(dataset):
    """How many levels of `z` each profile of an incomplete dataset fills:
    up to the last that holds a flag (the fill after a profile's samples
    is -127 or, once masked, NaN) or a value."""
    filled = np.zeros((dataset.sizes["profile"], dataset.sizes["z"]), dtype=bool)
    for variable in dataset.variables.values():
        if variable.dims == ("profile", "z"):
            values = variable.values
            holds = ~np.isnan(values) if values.dtype.kind == "f" else True
            if "flag_values" in variable.attrs:
                holds = holds & (values != _PAD_FLAG)
            filled |= holds
    last = filled.shape[1] - np.argmax(filled[:, ::-1], axis=1)
    return np.where(filled.any(axis=1), last, 0)


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

    `dataset` is a Dataset in either layout of to_xarray (a selection
    from select_profiles, say), or what to_xarray takes."""
    import pandas
    import xarray

    if not isinstance(dataset, xarray.Dataset):
        dataset = to_xarray(dataset)
    ragged = "obs" in dataset.dims
    rows = _row_sizes(dataset) if ragged else _levels(dataset)
    lines = np.maximum(rows, 1)
    profile, within = _samples(lines)
    empty = np.repeat(rows == 0, lines)
    within[empty] = 0
    columns = {"profile": profile}
    for name, variable in dataset.variables.items():
        if variable.dims == ("profile",) and name != "row_size":
            columns[_CSV_NAMES.get(name, name)] = variable.values[profile]
    columns["sample"] = pandas.array(within + 1, dtype="Int32")
    columns["sample"][empty] = pandas.NA
    taken = (np.where(empty, 0, np.repeat(np.cumsum(rows) - rows, lines) + within),) if ragged \
        else (profile, within)
    for name, variable in dataset.variables.items():
        if variable.dims != (("obs",) if ragged else ("profile", "z")):
            continue
        values = variable.values[taken] if variable.size else np.zeros(len(profile))
        if name.endswith("_qc"):
            # Flags masked by ds.where are NaN: an empty cell, as an absent row's.
            absent = empty | np.isnan(values) if values.dtype.kind == "f" else empty
            column = pandas.arrays.IntegerArray(np.where(absent, 0, values).astype(np.uint8),
                                                absent)
        else:
            column = values.astype(np.float64)
            if name in ("depth", "temperature"):
                column = np.round(column, 2)
            column[empty] = np.nan
        columns[_CSV_NAMES.get(name, name)] = column
    return pandas.DataFrame(columns)
