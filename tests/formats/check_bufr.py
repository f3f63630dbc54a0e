"""Decodes BUFR messages with ecCodes and compares every value with the
JSON export of the same messages.

    check_bufr.py BUFR_FILE JSON_LINES STDERR_FILE CENTRE SUBCENTRE MASTER_VERSION

BUFR_FILE holds the messages one after another, JSON_LINES the same
messages as xbt exports them as JSON, in the same order. A value must
agree to within the BUFR element's resolution, or be missing where the
element cannot hold it, and xbt's warnings in STDERR_FILE must count those
exactly. Section 1 must name the centre, subcentre and master table version
given. Prints each difference and the count of messages checked; exits 1
on any difference or when there was nothing to check.
"""
import json
import math
import re
import sys

import eccodes

MISSING_LONG = eccodes.CODES_MISSING_LONG
KELVIN = 273.15


class Message:
    def __init__(self, handle, document):
        self.handle = handle
        self.document = document
        self.problems = []
        self.omitted = 0  # values present in JSON that BUFR cannot hold

    def get(self, key):
        if eccodes.codes_get_size(self.handle, key) > 1:
            return [value.item() for value in eccodes.codes_get_array(self.handle, key)]
        return eccodes.codes_get(self.handle, key)

    def expect(self, key, wanted, got=None, resolution=0.0):
        got = self.get(key) if got is None else got
        if wanted is None:
            ok = got in ("", MISSING_LONG) or (isinstance(got, float) and got <= -1e99)
        elif isinstance(wanted, str):
            ok = got == wanted
        else:
            ok = isinstance(got, (int, float)) and got > -1e99 and got != MISSING_LONG and \
                abs(got - wanted) <= resolution / 2 + 1e-9
        if not ok:
            self.problems.append(f"{key}: BUFR has {got!r}, JSON says {wanted!r}")

    def held(self, value, fits):
        """`value`, or None (and one omission) when the element cannot hold it."""
        if value is None or fits(value):
            return value
        self.omitted += 1
        return None


def text_fits(characters):
    return lambda text: len(text) <= characters and all(ord(c) < 128 for c in text)


def number_fits(width, scale, reference=0):
    return lambda v: 0 <= round(v * 10 ** scale) - reference <= 2 ** width - 2


def wind_flags(name):
    """WMO flag table 0 02 002 from our instrument's meaning."""
    if name is None:
        return None
    flags = 8 if name.startswith("Certified") else 0
    if name.endswith("knots"):
        flags |= 4
    elif name.endswith("kilometers/hour"):
        flags |= 2
    return flags


def check(m, identification):
    for key, wanted in zip(("bufrHeaderCentre", "bufrHeaderSubCentre",
                            "masterTablesVersionNumber"), identification):
        m.expect(key, wanted)
    m.expect("dataCategory", 31)
    d = m.document
    ship, probe, surface, profile = d["ship"], d["probe"], d["surface"], d["profile"]
    fields = d["time_fields"]
    m.expect("uniqueIdentifierForProfile", m.held(probe["unique_tag"], text_fits(8)))
    m.expect("shipOrMobileLandStationIdentifier", m.held(ship["call_sign"], text_fits(9)))
    m.expect("imoNumber", ship["imo_number"])
    m.expect("longStationName", m.held(ship["name"], text_fits(32)))
    m.expect("shipLineNumberAccordingToSoop", m.held(ship.get("soop_line"), text_fits(4)))
    m.expect("shipTransectNumberAccordingToSoop", ship.get("transect_number"))
    m.expect("movingObservingPlatformSpeed", ship.get("speed_m_s"), resolution=1)
    m.expect("directionOfMotionOfMovingObservingPlatform", ship.get("heading_deg"))
    for key in ("year", "month", "day", "hour", "minute"):
        m.expect(key, fields[key])
        typical = m.get("typical" + key.capitalize())
        if typical != (fields[key] or 0):
            m.problems.append(f"typical{key.capitalize()}: {typical}, JSON says {fields[key]}")
    m.expect("latitude", d["latitude"], resolution=1e-5)
    m.expect("longitude", d["longitude"], resolution=1e-5)
    code = surface["wind_instrument_code"]
    if code is not None and surface["wind_instrument_name"] is None:
        code = m.held(code, lambda _: False)  # a code our table lacks
    m.expect("instrumentationForWindMeasurement",
             None if code is None else wind_flags(surface["wind_instrument_name"]))
    m.expect("windSpeed", surface["wind_speed_m_s"], resolution=0.1)
    m.expect("windDirection", surface["wind_direction_deg"])
    air = surface["air_temperature_c"]
    m.expect("airTemperature", None if air is None else air + KELVIN, resolution=0.01)
    method = m.held(surface["current_method_code"], lambda c: c <= 5)
    m.expect("methodOfCurrentMeasurement", method)
    m.expect("seaSurfaceCurrentDirection", surface["current_direction_deg"])
    m.expect("speedOfSeaSurfaceCurrent", surface["current_speed_m_s"], resolution=0.01)
    m.expect("totalWaterDepth", d["bottom_depth_m"])
    m.expect("#1#qualifierForGtsppQualityFlag", 4)
    m.expect("#1#globalGtsppQualityFlag", None if d["bottom_depth_m"] is None else 0)
    m.expect("heightOfXbtOrXctdLauncher",
             m.held(probe.get("launch_height_m"), number_fits(6, 0)), resolution=1)
    m.expect("instrumentTypeForWaterTemperatureOrSalinityProfileMeasurement", probe["code"])
    m.expect("waterTemperatureProfileRecorderTypes", probe["recorder_code"])
    m.expect("softwareVersionNumber", probe["software_version"])
    serial = probe["serial_number"]
    for n in (1, 2):
        m.expect(f"#{n}#instrumentSerialNumberForWaterTemperatureProfile",
                 None if serial is None else str(serial))
    m.expect("methodOfWaterTemperatureAndOrOrSalinityMeasurement", None)
    layout = profile["layout"]
    m.expect("indicatorForDigitization",
             None if layout is None else int(layout == "inflection_points"))
    depths, temperatures = profile["depth_m"], profile["temperature_c"]
    depth_flags, temperature_flags = profile["depth_qc"], profile["temperature_qc"]
    m.expect("extendedDelayedDescriptorReplicationFactor", len(depths))
    if not depths:
        return
    # The first of each is the sea-surface group's, which stays missing.
    got_depths = m.get("depthBelowWaterSurface")
    got_temperatures = m.get("oceanographicWaterTemperature")
    got_flags = m.get("globalGtsppQualityFlag")
    qualifiers = m.get("qualifierForGtsppQualityFlag")
    if len(got_depths) != len(depths) + 1 or len(got_temperatures) != len(depths) + 1:
        m.problems.append(f"{len(got_depths) - 1} levels, JSON has {len(depths)}")
        return
    m.expect("#1#depthBelowWaterSurface", None, got_depths[0])
    for i, (depth, temperature) in enumerate(zip(depths, temperatures)):
        depth_flag, temperature_flag = depth_flags[i], temperature_flags[i]
        depth = m.held(depth, number_fits(20, 2))
        m.expect(f"depth {i}", depth, got_depths[i + 1], resolution=0.01)
        kelvin = None if temperature is None else temperature + KELVIN
        m.expect(f"temperature {i}", kelvin, got_temperatures[i + 1], resolution=0.01)
        # Flags: total water depth's, then a depth's and a temperature's per
        # level, GTSPP's as the JSON has them; missing (15) for no value.
        m.expect(f"depth flag {i}", None if depth is None else depth_flag, got_flags[1 + 2 * i])
        m.expect(f"temperature flag {i}", None if temperature is None else temperature_flag,
                 got_flags[2 + 2 * i])
        m.expect(f"qualifiers {i}", 13, qualifiers[2 + 2 * i])
        m.expect(f"qualifiers {i}", 11, qualifiers[3 + 2 * i])


def warned_counts(path):
    """Values each message's warning says were left out, by source name."""
    counts = {}
    pattern = re.compile(r"^xbt: (.*): warning: encoded as missing, as BUFR cannot hold them: (.*)$")
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            match = pattern.match(line.rstrip("\n"))
            if match:
                name = re.split(r"[/\\]", match.group(1))[-1]
                counts[name] = sum(int(part.split(" ", 1)[0]) for part in match.group(2).split(", "))
    return counts


def main():
    with open(sys.argv[2], encoding="utf-8") as lines:
        documents = [json.loads(line) for line in lines]
    warned = warned_counts(sys.argv[3])
    identification = [int(value) for value in sys.argv[4:7]]
    checked = failed = 0
    with open(sys.argv[1], "rb") as messages:
        for document in documents:
            handle = eccodes.codes_bufr_new_from_file(messages)
            if handle is None:
                print(f"{document['source']}: no BUFR message")
                failed += 1
                break
            try:
                eccodes.codes_set(handle, "unpack", 1)
                message = Message(handle, document)
                check(message, identification)
            finally:
                eccodes.codes_release(handle)
            if warned.get(document["source"], 0) != message.omitted:
                message.problems.append(f"warned of {warned.get(document['source'], 0)} values "
                                        f"left out, {message.omitted} were")
            for problem in message.problems[:5]:
                print(f"{document['source']}: {problem}")
            checked += 1
            failed += bool(message.problems)
        if eccodes.codes_bufr_new_from_file(messages) is not None:
            print("more BUFR messages than JSON documents")
            failed += 1
    print(f"{checked} messages checked, {failed} with differences")
    return 1 if failed or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
