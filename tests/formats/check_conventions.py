"""Judges netCDF files by the published rules an archive applies: CF 1.8,
ACDD 1.3 and NCEI's NetCDF template 2.0 for profiles (incomplete array),
scored as the IOOS compliance checker scores them: each result a number of
points, high, medium or low priority.

    check_conventions.py [--print] [--least PERCENT] FILE.nc...

Exits 1 unless every file has no CF failure, ACDD at least PERCENT (default
90) with no high-priority failure, and, for a file in NCEI's incomplete
shape, NCEI at least PERCENT with no high-priority failure. With --print,
also lists every failure and the scores, NCEI's for either shape.
"""
import re
import sys
from datetime import datetime, timedelta, timezone

import netCDF4
import numpy as np

HIGH, MEDIUM, LOW = 3, 2, 1
# The CF standard name table's names (version 79) these files may use.
CF_NAMES = {"time", "latitude", "longitude", "depth", "sea_water_temperature", "wind_speed",
            "wind_from_direction", "air_temperature", "direction_of_sea_water_velocity",
            "sea_water_speed", "sea_floor_depth_below_sea_surface", "platform_orientation",
            "platform_speed_wrt_ground", "status_flag"}
CF_UNITS = {"time": r"seconds since \d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ",
            "latitude": "degrees_north", "longitude": "degrees_east",
            "sea_water_temperature|air_temperature": "degree_Celsius",
            "wind_speed|sea_water_speed|platform_speed_wrt_ground": "m s-1",
            "wind_from_direction|direction_of_sea_water_velocity|platform_orientation": "degree",
            "depth|sea_floor_depth_below_sea_surface": "m"}
COVERAGE_TYPES = {"image", "thematicClassification", "physicalMeasurement", "modelResult",
                  "auxiliaryInformation", "qualityInformation", "referenceInformation",
                  "coordinate"}
COORDINATE_NAMES = {"time", "latitude", "longitude", "height", "depth", "altitude"}
TEMPLATE = "NCEI_NetCDF_Profile_Incomplete_Template_v2.0"
ISO_TIME = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$")
ISO_DURATION = re.compile(r"^P(?!$)(\d+Y)?(\d+M)?(\d+D)?(T(?=\d)(\d+H)?(\d+M)?(\d+S)?)?$")


class Report:
    def __init__(self):
        self.results = []  # (priority, name, points passed, points, failures)

    def result(self, priority, name, checks):
        """`checks`: (passed, message) pairs, each a point."""
        failed = [message for passed, message in checks if not passed]
        self.results.append((priority, name, len(checks) - len(failed), len(checks), failed))

    def score(self):
        got = sum(r[2] for r in self.results)
        total = sum(r[3] for r in self.results)
        return got, total, [r for r in self.results if r[0] == HIGH and r[2] < r[3]]


def attr(thing, name, default=""):
    return getattr(thing, name, default) if name in thing.ncattrs() else default


def referenced(ds, attribute):
    names = [attr(v, attribute) for v in ds.variables.values()] + [attr(ds, attribute)]
    return {name for name in names if isinstance(name, str) and name in ds.variables}


def standard_name(var):
    return attr(var, "standard_name")


def auxiliary_coordinates(ds):
    """The variables another's `coordinates` attribute names."""
    return {name for var in ds.variables.values() for name in attr(var, "coordinates").split()}


def cc_geophysical(ds, name):
    """A variable the IOOS checker's ACDD suite asks units and names of: not
    a coordinate, auxiliary ones included."""
    var = ds.variables[name]
    return not (attr(var, "cf_role") or attr(var, "axis") or var.dimensions == (name,)
                or name in auxiliary_coordinates(ds)
                or standard_name(var) in COORDINATE_NAMES or var.ndim == 0
                or "status_flag" in standard_name(var) or "flag_meanings" in var.ncattrs()
                or var.dtype.char == "S" or name in referenced(ds, "instrument")
                or name in referenced(ds, "platform")
                or {"sample_dimension", "instance_dimension"} & set(var.ncattrs()))


def ncei_geophysical(ds, name):
    """What NCEI's templates call a geophysical variable: a named quantity
    that is no coordinate, auxiliary ones included."""
    var = ds.variables[name]
    name_ = standard_name(var)
    return bool(name_ and attr(var, "units")) and name_ not in COORDINATE_NAMES and \
        name not in auxiliary_coordinates(ds) and \
        var.ndim > 0 and "status_flag" not in name_ and not attr(var, "cf_role") and \
        not attr(var, "axis")


def values(var):
    data = np.ma.masked_invalid(np.ma.asarray(var[:], dtype=float))
    return data.compressed()


def iso(seconds):
    return (datetime(1970, 1, 1, tzinfo=timezone.utc) + timedelta(seconds=float(seconds))) \
        .strftime("%Y-%m-%dT%H:%M:%SZ")


def wkt_points(text):
    """The points of a WKT POINT, LINESTRING or POLYGON, and whether a
    polygon's ring is closed."""
    match = re.fullmatch(r"(POINT|LINESTRING|POLYGON) \(\(?([-\d. ,]+)\)?\)", text or "")
    if not match:
        return None, False
    points = [tuple(float(n) for n in p.split()) for p in match.group(2).split(", ")]
    closed = match.group(1) != "POLYGON" or (len(points) >= 4 and points[0] == points[-1])
    return (match.group(1), points), closed and all(len(p) == 2 for p in points)


def check_cf(ds, report):
    names = ds.variables
    dsg = [n for n in names if attr(names[n], "cf_role") == "profile_id"]
    report.result(HIGH, "CF 9: profiles", [
        ("CF-1.8" in re.split(r"[,\s]+", attr(ds, "Conventions")), "Conventions names CF-1.8"),
        (attr(ds, "featureType") == "profile", "featureType is profile"),
        (len(dsg) == 1, "one profile_id variable")])
    if dsg:
        ids = list(names[dsg[0]][:])
        report.result(HIGH, "CF 9.5: profile ids", [(len(set(ids)) == len(ids), "unique ids")])
    depth = names["depth"]
    if "row_size" in names:
        row = names["row_size"]
        report.result(HIGH, "CF 9.3.3: ragged", [
            (attr(row, "sample_dimension") in ds.dimensions, "sample_dimension names obs"),
            (int(row[:].sum()) == len(ds.dimensions["obs"]), "row sizes sum to obs"),
            (depth.dimensions == ("obs",), "samples along obs")])
    else:
        report.result(HIGH, "CF 9.3.2: incomplete", [
            (names[n].dimensions == ("profile", "z"), f"{n} is (profile, z)")
            for n in ("depth", "temperature", "depth_qc", "temperature_qc")])
    for name, var in names.items():
        checks = []
        full = standard_name(var)
        if full:
            base, _, modifier = full.partition(" ")
            checks.append((base in CF_NAMES and modifier in ("", "status_flag"),
                           f"standard_name {full!r} is in the table"))
            for pattern, unit in CF_UNITS.items():
                if re.fullmatch(pattern, base) and "flag_meanings" not in var.ncattrs():
                    checks.append((re.fullmatch(unit, attr(var, "units")), f"units of {base}"))
        for bound in ("_FillValue", "valid_min", "valid_max", "flag_values", "flag_masks"):
            if bound in var.ncattrs():
                checks.append((np.asarray(var.getncattr(bound)).dtype == var.dtype,
                               f"{bound} in the variable's type"))
        if "flag_meanings" in var.ncattrs():
            meanings = attr(var, "flag_meanings").split()
            flags = np.atleast_1d(var.getncattr("flag_values") if "flag_values" in var.ncattrs()
                                  else var.getncattr("flag_masks"))
            checks += [(len(meanings) == len(flags), "as many flag_meanings as flags"),
                       (len(set(flags.tolist())) == len(flags), "flags unique"),
                       (all(re.fullmatch(r"[0-9A-Za-z_\-.+@]+", m) for m in meanings),
                        "flag_meanings are words")]
        for listing in ("coordinates", "ancillary_variables"):
            for other in attr(var, listing).split():
                checks.append((other in names, f"{listing} names {other}"))
        if attr(var, "grid_mapping"):
            target = names.get(attr(var, "grid_mapping"))
            checks.append((target is not None and
                           attr(target, "grid_mapping_name") == "latitude_longitude",
                           "grid_mapping names a latitude_longitude mapping"))
        for name_ in re.findall(r"(\w+): ", attr(var, "cell_methods")):
            checks.append((name_ in var.dimensions + tuple(attr(var, "coordinates").split()),
                           f"cell_methods name {name_}"))
        if checks:
            report.result(HIGH, f"CF: {name}", checks)
    # Discovery attributes that are well-formed but wrong mislead an
    # archive's search as much as a wrong value does.
    check_discovery(ds, report, HIGH)


def check_discovery(ds, report, priority):
    """ACDD's extents: what the attributes say against the data."""
    checks = []
    for axis, var in (("lat", "latitude"), ("lon", "longitude"), ("vertical", "depth")):
        data = values(ds.variables[var])
        low, high = attr(ds, f"geospatial_{axis}_min", None), attr(ds, f"geospatial_{axis}_max",
                                                                    None)
        checks.append((data.size == 0 and low is None or data.size and low is not None and
                       np.isclose(low, data.min(), atol=1e-4) and
                       np.isclose(high, data.max(), atol=1e-4), f"geospatial_{axis} extents"))
    times = values(ds.variables["time"])
    checks.append((times.size == 0 and not attr(ds, "time_coverage_start") or times.size and
                   attr(ds, "time_coverage_start") == iso(times.min()) and
                   attr(ds, "time_coverage_end") == iso(times.max()), "time coverage"))
    if attr(ds, "geospatial_bounds"):
        parsed, valid = wkt_points(attr(ds, "geospatial_bounds"))
        corners = {(attr(ds, "geospatial_lat_min", None), attr(ds, "geospatial_lon_min", None)),
                   (attr(ds, "geospatial_lat_max", None), attr(ds, "geospatial_lon_max", None))}
        checks.append((valid and corners <= set(parsed[1]) and
                       len(set(parsed[1])) == {"POINT": 1, "LINESTRING": 2, "POLYGON": 4}[
                           parsed[0]], "geospatial_bounds is the box of the positions"))
    report.result(priority, "extents against the data", checks)


def check_acdd(ds, report):
    present = lambda name: bool(str(attr(ds, name)).strip())
    report.result(HIGH, "ACDD: highly recommended", [
        (present(a), a) for a in ("title", "keywords", "summary")] + [
        ("ACDD-1.3" in re.split(r"[,\s]+", attr(ds, "Conventions")), "Conventions")])
    applicable = [n for n in ds.variables if cc_geophysical(ds, n)] + \
        [n for n in ("time", "latitude", "longitude", "depth") if n in ds.variables]
    for name in applicable:
        var = ds.variables[name]
        checks = [(attr(var, "long_name"), "long_name"), (standard_name(var), "standard_name")]
        checks += [(attr(var, "units"), "units")] if var.ndim else []
        if cc_geophysical(ds, name):
            checks.append((attr(var, "coverage_content_type") in COVERAGE_TYPES,
                           "coverage_content_type"))
        report.result(HIGH, f"ACDD: variable {name}", checks)
    for priority, names in (
            (MEDIUM, "id naming_authority history comment date_created creator_name creator_url "
                     "creator_email institution project processing_level geospatial_lat_min "
                     "geospatial_lat_max geospatial_lon_min geospatial_lon_max "
                     "geospatial_vertical_min geospatial_vertical_max time_coverage_start "
                     "time_coverage_end time_coverage_duration time_coverage_resolution "
                     "standard_name_vocabulary license geospatial_vertical_positive "
                     "geospatial_bounds_crs geospatial_bounds_vertical_crs publisher_name "
                     "publisher_url publisher_email source acknowledgment"),
            (LOW, "contributor_name contributor_role date_modified date_issued "
                  "geospatial_lat_units geospatial_lat_resolution geospatial_lon_units "
                  "geospatial_lon_resolution geospatial_vertical_units "
                  "geospatial_vertical_resolution creator_type creator_institution platform "
                  "platform_vocabulary keywords_vocabulary instrument metadata_link "
                  "product_version references publisher_type instrument_vocabulary "
                  "date_metadata_modified program publisher_institution")):
        for name in names.split():
            report.result(priority, f"ACDD: {name}", [(present(name), name)])
    report.result(MEDIUM, "ACDD: id", [(" " not in attr(ds, "id"), "id without blanks")])
    check_discovery(ds, report, MEDIUM)


def check_ncei(ds, report):
    names = ds.variables
    conventions = re.split(r"[,\s]+", attr(ds, "Conventions"))
    report.result(HIGH, "NCEI: required attributes", [
        ("CF-1.6" in conventions and "ACDD-1.3" in conventions, "Conventions CF-1.6, ACDD-1.3"),
        (attr(ds, "ncei_template_version") == TEMPLATE, "ncei_template_version"),
        (attr(ds, "cdm_data_type") == "Station", "cdm_data_type"),
        (attr(ds, "featureType") == "profile", "featureType")])
    shape = names["depth"].dimensions
    report.result(HIGH, "NCEI: incomplete shape", [(len(shape) == 2, "depth is (profile, z)")] + [
        (names[n].dimensions == shape, f"{n} is {shape}")
        for n in names if ncei_geophysical(ds, n)])
    for name, standard, units, axis in (("time", "time", "since", "T"),
                                        ("latitude", "latitude", "degrees_north", "Y"),
                                        ("longitude", "longitude", "degrees_east", "X"),
                                        ("depth", "depth", "m", "Z")):
        var = names[name]
        report.result(HIGH, f"NCEI: {name}", [
            (standard_name(var) == standard, "standard_name"), (units in attr(var, "units"),
                                                                "units"),
            (attr(var, "axis") == axis, "axis")] + ([(attr(var, "positive") in ("up", "down"),
                                                       "positive")] if axis == "Z" else []))
        report.result(MEDIUM, f"NCEI: {name} recommended", [
            (attr(var, "long_name"), "long_name"),
            ({"valid_min", "valid_max"} <= set(var.ncattrs()), "valid_min and valid_max")])
    for name in names:
        var = names[name]
        if ncei_geophysical(ds, name) and var.ndim > 1:
            report.result(HIGH, f"NCEI: {name}", [
                (attr(var, a), a) for a in ("standard_name", "units", "coordinates")])
        if ncei_geophysical(ds, name):
            report.result(MEDIUM, f"NCEI: {name} recommended", [
                (attr(var, a), a) for a in ("long_name", "coverage_content_type", "grid_mapping",
                                            "source", "references", "cell_methods",
                                            "ancillary_variables", "platform", "instrument")]
                + [({"valid_min", "valid_max"} <= set(var.ncattrs()), "valid range")])
        if "flag_meanings" in var.ncattrs():
            report.result(HIGH, f"NCEI: flags {name}", [
                ({"flag_values", "flag_masks"} & set(var.ncattrs()), "flag_values or masks")])
            report.result(MEDIUM, f"NCEI: flags {name} recommended", [
                (attr(var, a), a) for a in ("long_name", "standard_name", "references")] + [
                ({"valid_min", "valid_max"} <= set(var.ncattrs()) or "flag_masks" in
                 var.ncattrs(), "valid range")])
    containers = [("crs", "grid_mapping"), ("platform", "platform"),
                  ("instrument", "instrument")]
    for container, reference in containers:
        var = names.get(container)
        report.result(MEDIUM, f"NCEI: {container}", [
            (var is not None and container in referenced(ds, reference),
             f"a {container} variable the measurements refer to")])
        if var is not None:
            report.result(LOW, f"NCEI: {container} attributes", [
                (a in var.ncattrs(), a) for a in ("grid_mapping_name", "epsg_code")
                if container == "crs"] + [("long_name" in var.ncattrs(), "long_name")])
    report.result(MEDIUM, "NCEI: recommended global attributes", [
        (ISO_TIME.match(attr(ds, a)), f"{a} in ISO 8601")
        for a in ("time_coverage_start", "time_coverage_end", "date_created")] + [
        (ISO_DURATION.match(attr(ds, a)), f"{a} an ISO 8601 duration")
        for a in ("time_coverage_duration", "time_coverage_resolution")] + [
        (attr(ds, "geospatial_vertical_positive") in ("up", "down"), "vertical positive"),
        ("Standard Name Table" in attr(ds, "standard_name_vocabulary"), "name vocabulary")])
    check_discovery(ds, report, MEDIUM)


def main():
    arguments = sys.argv[1:]
    verbose = "--print" in arguments
    least = 90
    if "--least" in arguments:
        at = arguments.index("--least")
        least = int(arguments[at + 1])
        del arguments[at:at + 2]
    failed = False
    for path in (a for a in arguments if a != "--print"):
        with netCDF4.Dataset(path) as ds:
            suites = {"CF 1.8": check_cf, "ACDD 1.3": check_acdd}
            judged = len(ds.variables["depth"].dimensions) == 2
            if judged or verbose:
                suites["NCEI profile incomplete 2.0"] = check_ncei
            for suite, check in suites.items():
                report = Report()
                check(ds, report)
                got, total, high = report.score()
                bad = [r for r in report.results if r[2] < r[3]]
                ok = not bad if suite == "CF 1.8" else not high and 100 * got >= least * total
                failed = failed or not (ok or suite.startswith("NCEI") and not judged)
                if verbose or not ok:
                    print(f"{path}: {suite}: {got}/{total} ({100 * got // total} %), "
                          f"{len(high)} high-priority failures")
                    for priority, name, _, _, messages in (bad if verbose else high or bad):
                        print(f"  {'-LMH'[priority]} {name}: {', '.join(map(str, messages))}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
