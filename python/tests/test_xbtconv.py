"""The Python module against the xbt command: the same observations, flags,
netCDF layout and CSV rows for thousands of generated messages of both
kinds, failures as values, and the examples of the help page and the
README as they run.

Run by ctest, which sets XBT (the xbt executable), MAKE_MESSAGES (the
message generator) and EXAMPLES (the bundled examples' folder), and puts
the built package on PYTHONPATH.
"""
import csv
import doctest
import io
import json
import math
import os
import pickle
import subprocess

import numpy as np
import pandas
import pytest
import xarray

import xbtconv

XBT = os.environ["XBT"]
EXAMPLES = os.environ["EXAMPLES"]
NOW = "2026-12-01T00:00:00Z"


@pytest.fixture(scope="module")
def batch(tmp_path_factory):
    """2,000 generated messages of both kinds and all layouts, a fifth of
    them corrupt (some with texts that are not UTF-8), and xbt's JSON
    export of them."""
    folder = tmp_path_factory.mktemp("batch")
    subprocess.run([os.environ["MAKE_MESSAGES"], "batch", str(folder), "2000", "23", "20"],
                   check=True, stdout=subprocess.DEVNULL)
    run = subprocess.run([XBT, "export", "--format", "json", "--stdout", "--now", NOW, "-j", "2",
                          str(folder)], capture_output=True, text=True)
    documents = [json.loads(line) for line in run.stdout.splitlines()]
    items = list(xbtconv.read_all(folder, now=NOW))
    return folder, documents, items


def iso(time):
    """A time attribute as the JSON export writes it."""
    if isinstance(time, np.datetime64):
        return np.datetime_as_string(time, unit="s") + "Z"
    assert time.utcoffset().total_seconds() == 0
    return time.isoformat().replace("+00:00", "Z")


def test_observations_are_the_json_export_document_for_document(batch):
    _, documents, items = batch
    observations = [item for item in items if item]
    assert len(observations) == len(documents) > 1500
    for obs, document in zip(observations, documents):
        assert obs.to_dict() == document
    # Pickled and back, as multiprocessing passes them, nothing changes.
    again = pickle.loads(pickle.dumps(items))
    assert [(o.to_json(), o.path, o.reason) if o else (o.path, o.status, o.reason)
            for o in again] == \
        [(o.to_json(), o.path, o.reason) if o else (o.path, o.status, o.reason) for o in items]


def test_attributes_and_arrays_say_what_the_document_says(batch):
    _, documents, items = batch
    latin1 = 0
    for obs, d in zip((item for item in items if item), documents):
        assert (obs.source, obs.kind, obs.decoded, obs.stop_bit) == \
            (d["source"], d["kind"], d["decoded"], d["stop_bit"])
        assert (d["time"] is None and obs.time is None) or iso(obs.time) == d["time"]
        assert (obs.latitude, obs.longitude, obs.bottom_depth_m) == \
            (d["latitude"], d["longitude"], d["bottom_depth_m"])
        for group in ("time_fields", "ship", "probe", "surface"):
            assert getattr(obs, group)._asdict() == d[group], group
        latin1 += any(ord(c) > 127 for c in str(obs.ship.name) + str(obs.ship.call_sign))
        assert dict(obs.qc._asdict(), failed_tests=list(obs.qc.failed_tests)) == d["qc"]
        profile = d["profile"]
        for name in ("depth_m", "temperature_c"):
            array = getattr(obs, name)
            assert array.dtype == np.float64 and len(array) == len(profile[name])
            for got, wanted in zip(array, profile[name]):
                assert (math.isnan(got) and wanted is None) or got == wanted, name
        for name in ("depth_qc", "temperature_qc"):
            array = getattr(obs, name)
            assert array.dtype == np.uint8 and array.tolist() == profile[name], name
        assert (obs.profile.layout, obs.profile.depth_source, obs.profile.sample_rate_hz) == \
            (profile["layout"], profile["depth_source"], profile["sample_rate_hz"])
    assert latin1 > 0


@pytest.mark.skipif(not xbtconv._xbtconv.netcdf_available, reason="no netCDF in this build")
def test_to_xarray_is_the_netcdf_collection_and_a_selection_the_csv(batch, tmp_path):
    folder, _, items = batch
    failures = sum(not item for item in items)
    for layout in ("ragged", "incomplete"):
        collection = tmp_path / f"{layout}.nc"
        subprocess.run([XBT, "export", "--format", "netcdf", "--collection", str(collection),
                        "--layout", layout, "--now", NOW, str(folder)], capture_output=True)
        # What the command leaves out by default, to_xarray leaves out too.
        with pytest.warns(UserWarning, match=f"left out .*: {failures} that gave no observation"):
            gathered = xbtconv.to_xarray(iter(items), layout=layout)
        gathered.to_netcdf(tmp_path / "ours.nc")
        with xarray.open_dataset(collection) as theirs, \
                xarray.open_dataset(tmp_path / "ours.nc") as written:
            assert set(written.variables) == set(theirs.variables)
            assert dict(written.sizes) == dict(theirs.sizes)
            assert written.attrs["comment"] == theirs.attrs["comment"]
            for name in theirs.variables:
                assert written[name].dtype == theirs[name].dtype, name
                assert written[name].equals(theirs[name]), name
        if layout == "ragged":
            ours = gathered
    kept = xbtconv.to_xarray(items, partial=True, keep_incomplete=True)
    assert kept.sizes["profile"] == len(items) - failures > ours.sizes["profile"]
    # A row per sample, as the CSV export has them and under its names.
    # (In the dataset's order: that of the drops' times.)
    position = {name: k for k, name in enumerate(ours.file_name.values)}
    chosen = sorted((item for item in items if item and item.decoded and
                     not xbtconv._xbtconv.netcdf_usability(item)),
                    key=lambda item: position[item.source])[::10]
    tenth = np.arange(0, ours.sizes["profile"], 10)
    table = xbtconv.to_dataframe(xbtconv.select_profiles(ours, tenth))
    # Either layout is the same table of samples.
    assert xbtconv.to_dataframe(xbtconv.select_profiles(gathered, tenth)).equals(table)
    rows = list(csv.DictReader(io.StringIO(
        "".join(obs.to_csv(header=i == 0) for i, obs in enumerate(chosen)), newline="")))
    assert len(table) == len(rows) and set(rows[0]) <= set(table.columns)
    assert table.dtypes["depth_m"] == np.float64 and str(table.dtypes["depth_qc"]) == "UInt8"
    for row, line in zip(table.itertuples(), rows):
        assert row.source == line["source"]
        for column in ("latitude", "sample", "depth_m", "temperature_c", "depth_qc",
                       "temperature_qc"):
            value = getattr(row, column)
            assert (missing(value) and line[column] == "") or float(value) == float(line[column])


def missing(value):
    return value is pandas.NA or (isinstance(value, float) and math.isnan(value))


def test_the_help_page_and_the_readme_run_as_shown(monkeypatch, tmp_path):
    monkeypatch.chdir(os.path.dirname(os.path.normpath(EXAMPLES)))
    assert doctest.testmod(xbtconv).failed == 0
    readme = os.path.join(os.path.dirname(os.path.normpath(EXAMPLES)), "README.md")
    os.symlink(EXAMPLES, tmp_path / "examples")
    monkeypatch.chdir(tmp_path)
    monkeypatch.setenv("MPLBACKEND", "Agg")
    result = doctest.testfile(readme, module_relative=False, optionflags=doctest.ELLIPSIS)
    assert result.failed == 0 and result.attempted > 5
    with xarray.open_dataset("good.nc") as saved:
        assert set(saved.profile_qc.values) <= {1, 2} and (tmp_path / "three.png").stat().st_size
