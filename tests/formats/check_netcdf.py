"""Opens netCDF files with xarray (CF decoding on) and compares every value
with the JSON export of the same messages.

    check_netcdf.py JSON_LINES --collection FILE.nc
    check_netcdf.py JSON_LINES --complete FILE.nc
    check_netcdf.py JSON_LINES --files DIR [EVERY]

With --collection, FILE.nc holds every message of JSON_LINES as one
profile each, in the same order; with --complete, only those decoded whole
with a time, a position and a depth (or no samples), and no coordinate of
any profile is a fill value. With --files, DIR holds NAME.nc for each
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
NUMBERS = [
    ("latitude", ("latitude",), 1e-9), ("longitude", ("longitude",), 1e-9),
    ("kind", ("kind",), 0), ("stop_bit", ("stop_bit",), 0),
    ("year", ("time_fields", "year"), 0), ("month", ("time_fields", "month"), 0),
    ("day", ("time_fields", "day"), 0), ("hour", ("time_fields", "hour"), 0),
    ("minute", ("time_fields", "minute"), 0),
    ("imo_number", ("ship", "imo_number"), 0),
    ("transect_number", ("ship", "transect_number"), 0),
    ("ship_heading", ("ship", "heading_deg"), 0),
    ("ship_speed", ("ship", "speed_m_s"), 1e-4),
    ("probe_code", ("probe", "code"), 0),
    ("probe_serial_number", ("probe", "serial_number"), 0),
    ("fall_rate_a", ("probe", "fall_rate_a_m_s"), 1e-12),
    ("fall_rate_b", ("probe", "fall_rate_b_m_s2"), 1e-12),
    ("probe_max_depth", ("probe", "max_depth_m"), 0),
    ("recorder_code", ("probe", "recorder_code"), 0),
    ("sequence_number", ("probe", "sequence_number"), 0),
    ("launch_height", ("probe", "launch_height_m"), 1e-4),
    ("wind_instrument_code", ("surface", "wind_instrument_code"), 0),
    ("wind_from_direction", ("surface", "wind_direction_deg"), 0),
    ("wind_speed", ("surface", "wind_speed_m_s"), 1e-4),
    ("air_temperature", ("surface", "air_temperature_c"), 1e-4),
    ("current_method_code", ("surface", "current_method_code"), 0),
    ("current_direction", ("surface", "current_direction_deg"), 0),
    ("current_speed", ("surface", "current_speed_m_s"), 1e-4),
    ("bottom_depth", ("bottom_depth_m",), 0),
    ("sample_rate", ("profile", "sample_rate_hz"), 0),
]
TEXTS = [
    ("file_name", ("source",)), ("ship_name", ("ship", "name")),
    ("call_sign", ("ship", "call_sign")), ("soop_line", ("ship", "soop_line")),
    ("probe_name", ("probe", "name")), ("recorder_name", ("probe", "recorder_name")),
    ("fall_rate_source", ("probe", "fall_rate_source")),
    ("software_version", ("probe", "software_version")),
    ("unique_tag", ("probe", "unique_tag")),
    ("wind_instrument_name", ("surface", "wind_instrument_name")),
    ("current_method_name", ("surface", "current_method_name")),
]


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
    """A time as xarray decodes it (datetime64, or cftime for dates that
    datetime64 cannot hold) in ISO 8601, or None when missing."""
    if isinstance(value, np.datetime64):
        return None if np.isnat(value) else str(np.datetime_as_string(value, unit="s"))
    if value is None or isinstance(value, float):
        return None
    return value.strftime("%Y-%m-%dT%H:%M:%S")


class Profiles:
    """The variables of one file as numpy arrays, indexed by profile."""

    def __init__(self, path):
        with xarray.open_dataset(path) as dataset:
            self.attributes = dict(dataset.attrs)
            self.values = {name: dataset[name].values for name in dataset.variables}
        self.starts = np.concatenate([[0], np.cumsum(self.values["row_size"])]).astype(int)

    def problems(self, i, document):
        v = self.values
        found = []
        wanted_time = document["time"]
        got_time = iso_time(v["time"][i])
        # xarray's datetime64[ns] holds 1678 to 2261; it may read other
        # dates as NaT.
        beyond = wanted_time is not None and not 1678 <= int(wanted_time[:4]) <= 2261 and \
            got_time is None
        if not beyond and got_time != (wanted_time and wanted_time[:-1]):
            found.append(f"time: {got_time}, JSON says {wanted_time}")
        for name, path, tolerance in NUMBERS:
            got = float(v[name][i])
            if not close(got, at(document, path), tolerance):
                found.append(f"{name}: {got}, JSON says {at(document, path)}")
        for name, path in TEXTS:
            got, wanted = v[name][i], at(document, path)
            if got != (wanted or ""):
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
        qc = document["qc"] or {}
        for name, key in (("profile_qc", "profile_flag"), ("time_qc", "time_flag"),
                          ("position_qc", "position_flag"),
                          ("qc_tests_performed", "tests_performed"),
                          ("qc_tests_failed", "tests_failed")):
            if v[name].dtype.kind != "i" or int(v[name][i]) != qc.get(key, 0):
                found.append(f"{name}: {v[name][i]!r}, JSON says {qc.get(key, 0)}")
        rows = slice(self.starts[i], self.starts[i + 1])
        for name in ("depth_qc", "temperature_qc"):
            got = v[name][rows]
            if got.dtype.kind != "i" or list(got) != profile[name]:
                found.append(f"{name}: {list(got)[:8]}..., JSON says {profile[name][:8]}...")
        for name, key in (("depth", "depth_m"), ("temperature", "temperature_c")):
            got, wanted = v[name][rows], profile[key]
            if len(got) != len(wanted):
                found.append(f"{name}: {len(got)} samples, JSON has {len(wanted)}")
                continue
            for k, (g, w) in enumerate(zip(got, wanted)):
                if not close(float(g), w, 1e-6):
                    found.append(f"{name} {k}: {g}, JSON says {w}")
                    break
        return found


def complete(document):
    """Whether the message gives a profile without fill values in its
    coordinates."""
    depths = document["profile"]["depth_m"]
    return document["decoded"] and document["time"] is not None and \
        document["latitude"] is not None and document["longitude"] is not None and \
        (not depths or any(depth is not None for depth in depths))


def main():
    # xarray warns as it reads a missing time, and a date beyond what
    # datetime64 holds; both are expected here.
    warnings.simplefilter("ignore", RuntimeWarning)
    warnings.simplefilter("ignore", xarray.SerializationWarning)
    with open(sys.argv[1], encoding="utf-8") as lines:
        documents = [json.loads(line) for line in lines]
    checked = failed = 0
    if sys.argv[2] == "--complete":
        documents = [d for d in documents if complete(d)]
    if sys.argv[2] in ("--collection", "--complete"):
        profiles = Profiles(sys.argv[3])
        if sys.argv[2] == "--complete":
            with xarray.open_dataset(sys.argv[3], decode_times=False) as raw:
                for name in ("time", "latitude", "longitude"):
                    if np.isnan(raw[name].values).any():
                        print(f"a fill value in {name}")
                        failed += 1
        if len(set(profiles.values["profile_id"])) != len(profiles.values["profile_id"]):
            print("profile_id is not unique")
            failed += 1
        if len(profiles.starts) - 1 != len(documents):
            print(f"{len(profiles.starts) - 1} profiles, JSON has {len(documents)}")
            failed += 1
        pairs = [(profiles, i, d) for i, d in enumerate(documents)]
    else:
        every = int(sys.argv[4]) if len(sys.argv) > 4 else 1
        pairs = []
        for document in documents[::every]:
            stem = document["source"][:-4]
            pairs.append((Profiles(f"{sys.argv[3]}/{stem}.nc"), 0, document))
    for profiles, i, document in pairs:
        found = profiles.problems(i, document)
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
