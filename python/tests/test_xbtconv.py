"""The Python module against the xbt command: the same observations, flags
and netCDF layout for thousands of generated messages of both kinds, and
failures as values.

Run by ctest, which sets XBT (the xbt executable), MAKE_MESSAGES (the
message generator) and EXAMPLES (the bundled examples' folder), and puts
the built package on PYTHONPATH.
"""
import doctest
import json
import math
import os
import shutil
import subprocess

import numpy as np
import pytest
import xarray

import xbtconv

XBT = os.environ["XBT"]
EXAMPLES = os.environ["EXAMPLES"]
NOW = "2026-12-01T00:00:00Z"


@pytest.fixture(scope="module")
def batch(tmp_path_factory):
    """2,000 generated messages of both kinds and all layouts, some
    corrupt, and xbt's JSON export of them."""
    folder = tmp_path_factory.mktemp("batch")
    subprocess.run([os.environ["MAKE_MESSAGES"], "batch", str(folder), "2000", "23"], check=True,
                   stdout=subprocess.DEVNULL)
    run = subprocess.run([XBT, "export", "--format", "json", "--stdout", "--now", NOW, "-j", "2",
                          str(folder)], capture_output=True, text=True)
    documents = [json.loads(line) for line in run.stdout.splitlines()]
    items = list(xbtconv.read_all(folder, now=NOW))
    return folder, documents, items


def test_observations_are_the_json_export_document_for_document(batch):
    _, documents, items = batch
    observations = [item for item in items if item]
    assert len(observations) == len(documents) > 1500
    for obs, document in zip(observations, documents):
        assert obs.to_dict() == document


def test_attributes_and_arrays_say_what_the_document_says(batch):
    _, documents, items = batch
    for obs, d in zip((item for item in items if item), documents):
        assert (obs.source, obs.kind, obs.decoded, obs.stop_bit, obs.time) == \
            (d["source"], d["kind"], d["decoded"], d["stop_bit"], d["time"])
        assert obs.time_fields == d["time_fields"]
        assert (obs.latitude, obs.longitude, obs.bottom_depth_m) == \
            (d["latitude"], d["longitude"], d["bottom_depth_m"])
        for group in ("ship", "probe", "surface"):
            assert vars(getattr(obs, group)) == d[group], group
        assert vars(obs.qc) == d["qc"]
        profile = d["profile"]
        for name in ("depth_m", "temperature_c"):
            array = getattr(obs, name)
            assert array.dtype == np.float64 and len(array) == len(profile[name])
            for got, wanted in zip(array, profile[name]):
                assert (math.isnan(got) and wanted is None) or got == wanted, name
        for name in ("depth_qc", "temperature_qc"):
            array = getattr(obs, name)
            assert array.dtype == np.uint8 and array.tolist() == profile[name], name
            assert getattr(obs.profile, name).tolist() == profile[name]
        assert obs.profile.layout == profile["layout"]


def test_failures_are_values_that_never_stop_the_loop(tmp_path):
    shutil.copy(os.path.join(EXAMPLES, "standard_two_meter.bin"), tmp_path / "a.bin")
    (tmp_path / "b.bin").write_text("not a message at all")
    shutil.copy(os.path.join(EXAMPLES, "truncated_standard.bin"), tmp_path / "c.BIN")
    (tmp_path / "d.bin").mkdir()
    items = list(xbtconv.read_all(tmp_path))
    assert [bool(item) for item in items] == [True, False, True, False]
    assert items[1].status == "not_a_message" and items[1].reason == "not a message"
    assert items[2].decoded is False and items[2].reason.startswith("decode stopped at bit")
    assert items[3].path.endswith("d.bin") and items[3].reason == "not a regular file"
    gone = list(xbtconv.read_all(tmp_path / "missing"))
    assert len(gone) == 1 and not gone[0] and "No such file" in gone[0].reason
    with pytest.raises(xbtconv.ReadError, match="not a message"):
        xbtconv.read(tmp_path / "b.bin")
    # A message in memory reads as its file does.
    data = (tmp_path / "a.bin").read_bytes()
    assert xbtconv.read(data, name="a.bin").to_dict() == items[0].to_dict()
    unflagged = xbtconv.read(data, qc=False)
    assert unflagged.qc is None and not unflagged.temperature_qc.any()
    with pytest.raises(ValueError):
        xbtconv.read(data, sample_rate_hz=float("nan"))


@pytest.mark.skipif(not xbtconv._xbtconv.netcdf_available, reason="no netCDF in this build")
def test_to_xarray_is_the_netcdf_collection_variable_by_variable(batch, tmp_path):
    folder, _, items = batch
    collection = tmp_path / "all.nc"
    subprocess.run([XBT, "export", "--format", "netcdf", "--keep-incomplete", "--collection",
                    str(collection), "--now", NOW, str(folder)], capture_output=True)
    ours = xbtconv.to_xarray(item for item in items if item and item.decoded)
    ours.to_netcdf(tmp_path / "ours.nc")
    with xarray.open_dataset(collection) as theirs, \
            xarray.open_dataset(tmp_path / "ours.nc") as written:
        assert set(written.variables) == set(theirs.variables)
        assert dict(written.sizes) == dict(theirs.sizes)
        for name in theirs.variables:
            assert written[name].dtype == theirs[name].dtype, name
            assert written[name].equals(theirs[name]), name


def test_the_help_pages_examples_are_what_the_module_does(monkeypatch):
    monkeypatch.chdir(os.path.dirname(os.path.normpath(EXAMPLES)))
    assert doctest.testmod(xbtconv).failed == 0
