"""Opens netCDF files with xarray (CF decoding on) and compares every value
with the JSON export of the same messages.

    check_netcdf.py JSON_LINES --collection FILE.nc
    check_netcdf.py JSON_LINES --complete FILE.nc
    check_netcdf.py JSON_LINES --files DIR [EVERY]

With --collection, FILE.nc holds every message of JSON_LINES as one
profile each (each found by its profile_id, the document's source), in
either layout, its times datetime64 and in order (those without a time
last, ties by profile_id); with --complete, only those decoded whole with a
time and a position quality control did not find impossible (a position on
land is kept) and a depth (or no samples). With --files, DIR holds NAME.nc for each
NAME.bin, of which every EVERY-th (default 1) is opened. Prints each
difference and the count of profiles checked; exits 1 on any difference or
when there was nothing to check.
"""
import json
import warnings
import math
import sys

import numpy as np
import xarray

LAYOUTS = ["full_resolution", "two_meter", "inflection_points"]
SOURCES = ["message", "fall_rate"]

# Variable, where JSON has it, and how far apart the two may be (0 for
# numbers stored exactly, more for single-precision ones).
NUMBERS = [(name, tuple(path.split(".")), float(tolerance)) for name, path, tolerance in (
    line.split() for line in """kind kind 0
    ship_heading ship.heading_deg 0
    ship_speed ship.speed_m_s 1e-4
    probe_code probe.code 0
    recorder_code probe.recorder_code 0
    wind_instrument_code surface.wind_instrument_code 0
    wind_from_direction surface.wind_direction_deg 0
    wind_speed surface.wind_speed_m_s 1e-4
    air_temperature surface.air_temperature_c 1e-4
    current_method_code surface.current_method_code 0
    current_direction surface.current_direction_deg 0
    current_speed surface.current_speed_m_s 1e-4
    bottom_depth bottom_depth_m 0
    fall_rate_a probe.fall_rate_a_m_s 0
    fall_rate_b probe.fall_rate_b_m_s2 0
    probe_max_depth probe.max_depth_m 0
    launch_height probe.launch_height_m 1e-6
    sample_rate profile.sample_rate_hz 0""".splitlines())]
# Texts, and identifiers kept as text, where JSON has them.
TEXTS = [(name, tuple(path.split("."))) for name, path in (pair.split("=") for pair in """
    file_name=source stop_bit=stop_bit ship_name=ship.name call_sign=ship.call_sign
    imo_number=ship.imo_number soop_line=ship.soop_line transect_number=ship.transect_number
    probe_name=probe.name probe_serial_number=probe.serial_number
    fall_rate_source=probe.fall_rate_source
    recorder_name=probe.recorder_name software_version=probe.software_version
    unique_tag=probe.unique_tag sequence_number=probe.sequence_number
    wind_instrument_name=surface.wind_instrument_name
    current_method_name=surface.current_method_name
    """.split())]
PADDING = -127  # the flags past a profile's samples, in the incomplete layout


def time_fields(fields):
    if all(value is None for value in fields.values()):
        return ""
    text = {k: "-" * w if fields[k] is None else f"{fields[k]:0{w}d}"
            for k, w in (("year", 4), ("month", 2), ("day", 2), ("hour", 2), ("minute", 2))}
    return "{year}-{month}-{day} {hour}:{minute}".format(**text)


def at(document, path):
    for key in path:
        document = document.get(key) if document is not None else None
    return document


def close(got, wanted, tolerance):
    if wanted is None:
        return got is None or (isinstance(got, float) and math.isnan(got))
    return got is not None and not math.isnan(got) and \
        abs(got - wanted) <= tolerance * max(1.0, abs(wanted))


def iso_time(value):
    """A time as xarray decodes it in ISO 8601, or None when missing."""
    return None if np.isnat(value) else str(np.datetime_as_string(value, unit="s"))


class Profiles:
    """The variables of one file as numpy arrays, indexed by profile, in
    either layout."""

    def __init__(self, path):
        with xarray.open_dataset(path) as dataset:
            self.attributes = dict(dataset.attrs)
            self.values = {name: dataset[name].values for name in dataset.variables}
            self.time_type = dataset["time"].dtype
        self.ragged = "row_size" in self.values
        if self.ragged:
            self.starts = np.concatenate([[0], np.cumsum(self.values["row_size"])]).astype(int)
            self.count = len(self.starts) - 1
        else:
            self.count = len(self.values["time"])

    def samples(self, name, i):
        if self.ragged:
            return self.values[name][self.starts[i]:self.starts[i + 1]]
        row = self.values[name][i]
        return row[:int(np.sum(self.values["depth_qc"][i] != PADDING))]

    def problems(self, i, document):
        v = self.values
        found = []
        qc = document["qc"] or {}
        # Impossible times and positions are fill values; their fields as
        # sent stay in the text.
        wanted_time = None if qc.get("time_flag") == 4 else document["time"]
        got_time = iso_time(v["time"][i])
        if got_time != (wanted_time and wanted_time[:-1]):
            found.append(f"time: {got_time}, JSON says {wanted_time}")
        # A position off the globe is a fill value; one on land is kept.
        off_globe = qc.get("position_flag") == 4 and \
            "position_on_land" not in qc.get("failed_tests", [])
        place = {} if off_globe else document
        for name, path, tolerance in NUMBERS + [("latitude", ("latitude",), 1e-9),
                                                ("longitude", ("longitude",), 1e-9)]:
            got, wanted = float(v[name][i]), at(place if name in ("latitude", "longitude")
                                                 else document, path)
            # A number an analyst computes with, never text.
            if v[name].dtype.kind not in "fiu" or not close(got, wanted, tolerance):
                found.append(f"{name}: {got}, JSON says {wanted}")
        for name, path in TEXTS + [("time_fields", ("time_fields",))]:
            got, wanted = v[name][i], at(document, path)
            if isinstance(wanted, (int, float)) and not isinstance(wanted, bool):
                same = got != "" and float(got) == wanted
            else:
                same = got == (time_fields(wanted) if name == "time_fields" else wanted or "")
            if not same:
                found.append(f"{name}: {got!r}, JSON says {wanted!r}")
        profile = document["profile"]
        flags = [("decoded", int(document["decoded"])),
                 ("profile_layout", None if profile["layout"] is None
                  else LAYOUTS.index(profile["layout"])),
                 ("depth_source", None if profile["depth_source"] is None
                  else SOURCES.index(profile["depth_source"]))]
        for name, wanted in flags:
            if not close(float(v[name][i]), wanted, 0):
                found.append(f"{name}: {v[name][i]}, JSON says {wanted}")
        if not v["profile_id"][i].endswith(document["source"]):
            found.append(f"profile_id {v['profile_id'][i]!r} is not the file's path")
        # Quality flags, which a reader must get as the integers they are.
        for name, key in (("profile_qc", "profile_flag"), ("time_qc", "time_flag"),
                          ("position_qc", "position_flag"),
                          ("qc_tests_performed", "tests_performed"),
                          ("qc_tests_failed", "tests_failed")):
            if v[name].dtype.kind != "i" or int(v[name][i]) != qc.get(key, 0):
                found.append(f"{name}: {v[name][i]!r}, JSON says {qc.get(key, 0)}")
        for name in ("depth_qc", "temperature_qc"):
            got = self.samples(name, i)
            if got.dtype.kind != "i" or list(got) != profile[name]:
                found.append(f"{name}: {list(got)[:8]}..., JSON says {profile[name][:8]}...")
        for name, key in (("depth", "depth_m"), ("temperature", "temperature_c")):
            got, wanted = self.samples(name, i), profile[key]
            if len(got) != len(wanted):
                found.append(f"{name}: {len(got)} samples, JSON has {len(wanted)}")
                continue
            for k, (g, w) in enumerate(zip(got, wanted)):
                if not close(float(g), w, 1e-6):
                    found.append(f"{name} {k}: {g}, JSON says {w}")
                    break
        if not self.ragged and np.any(~np.isnan(v["temperature"][i][len(wanted):])):
            found.append("values past the profile's samples")
        return found


def complete(document):
    """Whether the message gives a profile without fill values in its
    coordinates: quality control found no impossible time or position."""
    depths = document["profile"]["depth_m"]
    qc = document["qc"] or {}
    return document["decoded"] and document["time"] is not None and \
        document["latitude"] is not None and document["longitude"] is not None and \
        qc.get("time_flag") != 4 and (qc.get("position_flag") != 4 or
                                      "position_on_land" in qc.get("failed_tests", [])) and \
        (not depths or any(depth is not None for depth in depths))


def main():
    # xarray warns as it reads a missing time, as expected here.
    warnings.simplefilter("ignore", RuntimeWarning)
    warnings.simplefilter("ignore", xarray.SerializationWarning)
    with open(sys.argv[1], encoding="utf-8") as lines:
        documents = [json.loads(line) for line in lines]
    checked = failed = 0
    if sys.argv[2] == "--complete":
        documents = [d for d in documents if complete(d)]
    if sys.argv[2] in ("--collection", "--complete"):
        profiles = Profiles(sys.argv[3])
        if profiles.count != len(documents):
            print(f"{profiles.count} profiles, JSON has {len(documents)}")
            failed += 1
        if profiles.time_type.kind != "M":
            print(f"time decodes as {profiles.time_type}, not datetime64")
            failed += 1
        ids = [i.decode() if isinstance(i, bytes) else str(i) for i in profiles.values["profile_id"]]
        order = [(np.isnat(t), t if not np.isnat(t) else np.datetime64(0, "s"), i)
                 for t, i in zip(profiles.values["time"], ids)]
        if order != sorted(order):
            print("the profiles are not in time order (those without a time last, then by id)")
            failed += 1
        where = {i: k for k, i in enumerate(ids)}
        pairs = [(profiles, where.get(d["source"], -1), d) for d in documents]
    else:
        every = int(sys.argv[4]) if len(sys.argv) > 4 else 1
        pairs = []
        for document in documents[::every]:
            stem = document["source"][:-4]
            pairs.append((Profiles(f"{sys.argv[3]}/{stem}.nc"), 0, document))
    for profiles, i, document in pairs:
        found = profiles.problems(i, document) if i >= 0 else ["no profile of that id"]
        if profiles.attributes.get("featureType") != "profile":
            found.append("featureType is not profile")
        for problem in found[:5]:
            print(f"{document['source']}: {problem}")
        checked += 1
        failed += bool(found)
    print(f"{checked} profiles checked, {failed} with differences")
    return 1 if failed or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
