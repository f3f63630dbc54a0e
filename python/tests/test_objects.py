"""The module's objects as a Python user meets them: times, arguments
refused in the command line's words, values that hold still, paths and
bytes, and help on every attribute. Run by ctest as test_xbtconv.py is."""
import datetime
import multiprocessing
import os
import pathlib
import pickle
import re
import shutil
import subprocess
import time

import numpy as np
import pytest

import xbtconv

XBT = os.environ["XBT"]
EXAMPLES = os.environ["EXAMPLES"]
EXAMPLE = os.path.join(EXAMPLES, "standard_two_meter.bin")
UTC = datetime.timezone.utc


def test_every_spelling_of_a_time_is_the_same_clock(monkeypatch):
    # A naive time is UTC, whatever the machine's zone.
    monkeypatch.setenv("TZ", "Pacific/Auckland")
    time.tzset()
    obs = xbtconv.read(EXAMPLE, now="2026-12-01T00:00:00Z")
    assert obs.time == datetime.datetime(2026, 3, 14, 6, 5, tzinfo=UTC)
    assert obs.time.tzinfo is not None and obs.to_dict()["time"] == "2026-03-14T06:05:00Z"
    # A clock at the drop's time passes it; a second earlier flags it 3
    # (within a day), in every zone and spelling.
    def zone(hours, minutes=0):
        return datetime.timezone(datetime.timedelta(hours=hours, minutes=minutes))

    drop = [obs.time, datetime.datetime(2026, 3, 14, 6, 5), "2026-03-14T00:35-0530",
            datetime.datetime(2026, 3, 13, 20, 5, tzinfo=zone(-10)),
            datetime.datetime(2026, 3, 14, 11, 50, tzinfo=zone(5, 45)),
            np.datetime64("2026-03-14T06:05"), np.datetime64("2026-03-14T06:05:00.000000000")]
    earlier = ["2026-03-14T08:04:59+02:00", datetime.datetime(2026, 3, 14, 8, 4, 59, tzinfo=zone(2)),
               datetime.datetime(2026, 3, 13, 20, 4, 59, tzinfo=zone(-10)),
               np.datetime64("2026-03-14T06:04:59")]
    assert [xbtconv.read(EXAMPLE, now=clock).qc.time_flag for clock in drop] == [1] * len(drop)
    assert [xbtconv.read(EXAMPLE, now=clock).qc.time_flag for clock in earlier] == \
        [3] * len(earlier)
    monkeypatch.undo()
    time.tzset()


def command_line_refusal(option, text):
    """What xbt says of `option` given `text`, after "xbt: " and the option's name."""
    run = subprocess.run([XBT, "export", "--format", "bufr", option, text, EXAMPLE],
                         capture_output=True, text=True)
    assert run.returncode == 2
    return run.stderr.splitlines()[0].split(": ", 2)[2]


def test_arguments_are_refused_in_the_command_lines_words():
    data = open(EXAMPLE, "rb").read()
    refused = [("--sample-rate", "sample_rate_hz", value, text)
               for value, text in ((0, "0"), (-5, "-5"), (float("nan"), "nan"),
                                   (float("inf"), "inf"), ("10Hz", "10Hz"))]
    refused += [("--now", "now", value, value) for value in ("2026-13-01", "yesterday")]
    for option, argument, value, text in refused:
        words = f"{argument}: {command_line_refusal(option, text)}"
        with pytest.raises((ValueError, TypeError), match=f"^{re.escape(words)}$"):
            xbtconv.read(data, **{argument: value})
        with pytest.raises((ValueError, TypeError), match=re.escape(words)):
            xbtconv.read_all(EXAMPLES, **{argument: value})  # before the first file
    words = f"layout: {command_line_refusal('--layout', 'grid')}"
    with pytest.raises(ValueError, match=f"^{re.escape(words)}$"):
        xbtconv.to_xarray(xbtconv.read(EXAMPLE), layout="grid")
    # BUFR's numbers at both ends of the ranges the command line states, and
    # one step outside.
    obs = xbtconv.read(data)
    for name in ("centre", "subcentre", "subcategory", "master_table_version",
                 "local_table_version", "update_sequence"):
        option = "--" + name.replace("_", "-")
        first, last = map(int, re.search(r"from (\d+) to (\d+)",
                                          command_line_refusal(option, "x")).groups())
        assert {obs.to_bufr(**{name: value})[:4] for value in (first, last)} == {b"BUFR"}
        for value in (first - 1, last + 1):
            words = f"{name}: {command_line_refusal(option, str(value))}"
            with pytest.raises(ValueError, match=f"^{re.escape(words)}$"):
                obs.to_bufr(**{name: value})
    for wrong in (dict(now=1700000000), dict(now=np.datetime64("NaT")), dict(qc="no"),
                  dict(sample_rate_hz=True), dict(sample_rate_hz=None)):
        with pytest.raises((ValueError, TypeError)):
            xbtconv.read(data, **wrong)
    # Any real number is a rate: at 20 Hz every other sample is one at 10 Hz.
    full = os.path.join(EXAMPLES, "standard_full_resolution.bin")
    twice = xbtconv.read(full, sample_rate_hz=np.float32(20)).depth_m[::2]
    assert (twice == xbtconv.read(full, sample_rate_hz=10).depth_m[:len(twice)]).all()


def test_values_hold_still_in_one_kind_of_group():
    obs = xbtconv.read(EXAMPLE)
    assert obs.depth_m is obs.depth_m is obs.profile.depth_m and obs.ship is obs.ship
    for array in (obs.depth_m, obs.temperature_c, obs.depth_qc, obs.temperature_qc):
        with pytest.raises(ValueError, match="read-only"):
            array[0] = 99
    assert obs.depth_m[0] == 2.0
    with pytest.raises(AttributeError):
        obs.ship.name = "another"
    groups = {field[0] for field in xbtconv._xbtconv.fields()} - {None}
    assert {type(getattr(obs, group)).__bases__ for group in groups} == {(tuple,)}
    assert obs.time_fields._asdict() == dict(year=2026, month=3, day=14, hour=6, minute=5)
    unflagged = xbtconv.read(EXAMPLE, qc=False)
    assert unflagged.qc is None and not unflagged.temperature_qc.any()
    assert (unflagged.temperature_qc.dtype, unflagged.depth_m.dtype) == (np.uint8, np.float64)


def test_help_says_what_each_attribute_is():
    properties = {name: value for name, value in vars(xbtconv.Observation).items()
                  if isinstance(value, property)}
    assert {group or key for group, _, key, *_ in xbtconv._xbtconv.fields()} <= set(properties)
    assert all(value.__doc__ for value in properties.values())
    for group in (xbtconv.TimeFields, xbtconv.Ship, xbtconv.Probe, xbtconv.Surface, xbtconv.Qc,
                  xbtconv.Profile):
        for name in group._fields:
            assert not getattr(group, name).__doc__.startswith("Alias"), (group, name)


def test_paths_are_text_bytes_or_path_objects_and_any_name_reads(tmp_path):
    folder = os.fsencode(tmp_path)
    shutil.copy(EXAMPLE, os.path.join(folder, b"caf\xe9 \xff.bin"))
    (tmp_path / "b.bin").write_text("not a message at all")
    shutil.copy(EXAMPLE, os.path.join(folder, b"c\xe9.BIN"))
    os.mkdir(os.path.join(folder, b"d\xe9.bin"))
    spellings = [str(tmp_path), folder, tmp_path]
    listed = [[(item.path, bool(item)) for item in xbtconv.read_all(path)] for path in spellings]
    assert listed[0] == listed[1] == listed[2]
    names = [os.path.basename(path) for path, _ in listed[0]]
    assert names == ["b.bin", os.fsdecode(b"caf\xe9 \xff.bin"), os.fsdecode(b"c\xe9.BIN"),
                     os.fsdecode(b"d\xe9.bin")]
    assert [ok for _, ok in listed[0]] == [False, True, True, False]
    items = list(xbtconv.read_all(tmp_path))
    assert items[1].source == names[1] and open(items[1].path, "rb").read() == \
        open(EXAMPLE, "rb").read()
    assert items[3].reason == "not a regular file" and names[3] in repr(items[3])
    gone = list(xbtconv.read_all(tmp_path / "missing"))
    assert len(gone) == 1 and not gone[0] and "No such file" in gone[0].reason
    with pytest.raises(xbtconv.ReadError, match="not a message"):
        xbtconv.read(tmp_path / "b.bin")
    # What the system refuses is an OSError, as open says it; a NUL ends no
    # name early.
    with pytest.raises(FileNotFoundError) as missing:
        xbtconv.read(tmp_path / "missing.bin")
    assert missing.value.filename == str(tmp_path / "missing.bin")
    for path in (str(tmp_path / "b.bin") + "\0.x", EXAMPLE.encode() + b"\0"):
        with pytest.raises(ValueError, match="embedded null byte"):
            xbtconv.read(path) if isinstance(path, str) else list(xbtconv.read_all(path))
    # Several paths, as the command line takes them; a file named twice is read once.
    again = [item.path for item in xbtconv.read_all(
        [tmp_path / "b.bin", tmp_path, os.path.join(tmp_path, "x", "..", "b.bin")])]
    assert again == [str(tmp_path / "b.bin")] + [path for path, _ in listed[0][1:]]
    # Bytes in any form are a message's content, never a path.
    assert xbtconv.read(pathlib.Path(EXAMPLE)).to_dict() == xbtconv.read(EXAMPLE).to_dict()
    with pytest.raises(xbtconv.ReadError, match="not a message"):
        xbtconv.read(os.fsencode(EXAMPLE))
    data = open(EXAMPLE, "rb").read()
    content = xbtconv.read(data, name="a.bin")
    assert (content.source, content.path) == ("a.bin", "")
    with open(EXAMPLE, "rb") as file:
        assert xbtconv.read(file).source == "standard_two_meter.bin"
    assert xbtconv.read(np.frombuffer(data, np.uint8)).to_json() == \
        xbtconv.read(data).to_json()
    for wrong in (3, np.zeros(4, np.float64)):
        with pytest.raises(TypeError):
            xbtconv.read(wrong)
    assert [name for name in dir(xbtconv) if not name.startswith("_")] == \
        sorted(xbtconv.__all__)


@pytest.mark.skipif(not xbtconv._xbtconv.netcdf_available, reason="no netCDF in this build")
def test_one_observation_is_a_dataset_and_a_profile_without_samples_a_row():
    cut = xbtconv.read(os.path.join(EXAMPLES, "truncated_standard.bin"))
    assert xbtconv.to_xarray(cut, partial=True).sizes == {"profile": 1, "obs": 0}
    # (Dropped at the same time: in the order of their names.)
    table = xbtconv.to_dataframe(xbtconv.to_xarray([cut, xbtconv.read(EXAMPLE)], partial=True))
    assert len(table) == 20 + 1 and table["profile"].tolist() == [0] * 20 + [1]
    assert table["sample"].isna().tolist() == [False] * 20 + [True]
    assert np.isnan(table["depth_m"][20]) and table["depth_m"][:20].tolist() == list(range(2, 42, 2))


@pytest.mark.skipif(not xbtconv._xbtconv.netcdf_available, reason="no netCDF in this build")
def test_a_selection_keeps_what_still_holds_and_names_as_sources_do(tmp_path):
    shutil.copy(EXAMPLE, os.path.join(os.fsencode(tmp_path), b"caf\xe9.bin"))
    shutil.copy(os.path.join(EXAMPLES, "extended_full_resolution.bin"), tmp_path / "x.bin")
    observations = list(xbtconv.read_all(tmp_path, now="2026-12-01"))
    ds = xbtconv.to_xarray(observations)
    assert ds.file_name.values.tolist() == [obs.source for obs in observations]
    ds.attrs["institution"] = "Example Ocean Data Centre"
    one = xbtconv.select_profiles(ds, [1])
    kept = {"Conventions", "featureType", "title", "keywords", "platform", "instrument",
            "processing_level", "time_coverage_resolution", "geospatial_lat_resolution",
            "institution"}
    dropped = {"summary", "source", "id", "contributor_name", "geospatial_lat_min",
               "geospatial_lon_max", "geospatial_vertical_max", "geospatial_bounds",
               "time_coverage_start", "time_coverage_duration"}
    assert kept | dropped <= set(ds.attrs)
    assert {name: one.attrs[name] for name in kept} == {name: ds.attrs[name] for name in kept}
    assert not dropped & set(one.attrs)
    assert one.attrs["history"].endswith("select_profiles: 1 of 2 profiles")
    # A warning points at the caller's line, however deep in the package.
    with pytest.warns(UserWarning, match="left out 1 file.*not a message") as caught:
        xbtconv.to_dataframe([observations[1], xbtconv.Failure("y.bin", "not_a_message",
                                                               "not a message")])
    assert caught[0].filename == __file__


@pytest.mark.skipif(not xbtconv._xbtconv.netcdf_available, reason="no netCDF in this build")
def test_profiles_chosen_by_time_and_ship_keep_their_samples_in_both_layouts():
    reading = xbtconv.read_all(EXAMPLES, now="2026-12-01")
    # Read again at each use: a first loop leaves to_xarray everything.
    assert len([item for item in reading]) == 9 and next(reading).source == \
        "extended_full_resolution.bin"
    with pytest.warns(UserWarning, match="left out 1 file"):
        ragged = xbtconv.to_xarray(reading, partial=True, keep_incomplete=True)
        incomplete = xbtconv.to_xarray(reading, partial=True, keep_incomplete=True,
                                       layout="incomplete")
    assert incomplete.sizes == {"profile": 8, "z": 60}
    march = ["standard_full_resolution.bin", "standard_inflection_points.bin",
             "standard_two_meter.bin", "truncated_standard.bin"]
    zone = datetime.timezone(datetime.timedelta(hours=2))
    for ds in (ragged, incomplete):
        table = xbtconv.to_dataframe(ds)
        # Profiles in time order, then by name; sparse_fields.bin has no time.
        assert ds.sel(time=slice("2026-03-01", "2026-03-31")).file_name.values.tolist() == march
        assert ds.sel(time="2026-03").file_name.values.tolist() == march
        for period in ((None, "2026-03-31"), slice("2026-03-14", "2026-03-14"),
                       datetime.date(2026, 3, 14),
                       (datetime.datetime(2026, 3, 14, 8, 5, tzinfo=zone), "2026-03-14T06:05Z")):
            chosen = xbtconv.select_profiles(ds, time=period)
            assert chosen.file_name.values.tolist() == march, period
        chosen = xbtconv.select_profiles(ds, time="2026-03-14", call_sign=["ZMFR", "PBKZ"])
        names = ["standard_inflection_points.bin", "standard_two_meter.bin",
                 "truncated_standard.bin"]
        assert chosen.file_name.values.tolist() == names
        rows = table[table.source.isin(names)].drop(columns="profile").reset_index(drop=True)
        assert xbtconv.to_dataframe(chosen).drop(columns="profile").equals(rows)
    # The xarray idiom drops the samples with their profiles.
    zmfr = incomplete.where(incomplete.call_sign == "ZMFR", drop=True)
    assert zmfr.file_name.values.tolist() == ["standard_two_meter.bin", "truncated_standard.bin"]
    assert zmfr.temperature[0].count() == 20 and zmfr.temperature[1].count() == 0
    # ds.sel picks profiles alone from a ragged array; their samples are not theirs.
    with pytest.raises(ValueError, match="select_profiles keeps them together"):
        xbtconv.to_dataframe(ragged.sel(time="2026-03"))
    with pytest.raises(ValueError, match="used up"):
        xbtconv.to_xarray(item for item in [])


def test_a_read_error_reaches_the_parent_process(tmp_path):
    # Regression: ReadError pickled but did not unpickle, so a Pool mapping
    # read over a folder with one bad file hung for good.
    bad = tmp_path / "bad.bin"
    bad.write_text("not a message")
    with pytest.raises(xbtconv.ReadError) as caught:
        xbtconv.read(bad)
    again = pickle.loads(pickle.dumps(caught.value))
    assert (type(again), again.path, again.reason, str(again)) == \
        (xbtconv.ReadError, str(bad), "not a message", f"{bad}: not a message")
    with multiprocessing.Pool(2) as pool:
        with pytest.raises(xbtconv.ReadError, match="bad.bin: not a message"):
            pool.map_async(xbtconv.read, [EXAMPLE, bad]).get(timeout=60)
