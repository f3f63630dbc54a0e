"""Decodes BUFR messages with ecCodes and compares every value with the
JSON export of the same messages.

    check_bufr.py BUFR_FILE JSON_LINES STDERR_FILE CENTRE SUBCENTRE MASTER_VERSION
                  [--wreport WREPORT_DUMP | --subsets]

BUFR_FILE holds the messages one after another, JSON_LINES the same
messages as xbt exports them as JSON, in the same order (a document's
"update_sequence", where the caller adds one, is the message's; else 0). A value must
agree to within the BUFR element's resolution, or be missing where the
element cannot hold it, and xbt's warnings in STDERR_FILE must count those
exactly. Section 1 must name the centre, subcentre and master table version
given. With --wreport, the wreport_dump program decodes the same messages
with libwreport, and its Section 1 and every value of the subset, in order,
must agree with ecCodes' (and so, through the checks above, with the JSON):
texts exactly, numbers to within half the element's resolution, missing
as missing. With --subsets a message may carry several subsets (a bulletin
of several drops): each is compared with the next document, and the
message's typical time is its first subset's. Prints each difference and
the count of messages checked; exits 1 on any difference or when there was
nothing to check.
"""
import functools
import json
import math
import re
import subprocess
import sys

import eccodes

MISSING_LONG = eccodes.CODES_MISSING_LONG
MISSING_DOUBLE = eccodes.CODES_MISSING_DOUBLE
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


@functools.lru_cache(maxsize=None)
def wmo_codes(version, table):
    """The codes ecCodes' copy of a WMO code table defines for a master
    table version."""
    path = f"/usr/share/eccodes/definitions/bufr/tables/0/wmo/{version}/codetables/{table}.table"
    with open(path, encoding="latin-1") as lines:
        return {int(line.split()[0]) for line in lines
                if line.split() and line.split()[0].isdigit() and "MISSING" not in line.upper()}


def check(m, identification, subsets=1, typical=None):
    for key, wanted in zip(("bufrHeaderCentre", "bufrHeaderSubCentre",
                            "masterTablesVersionNumber"), identification):
        m.expect(key, wanted)
    # The rest of Sections 0, 1 and 3, as a receiver reads them.
    for key, wanted in (("edition", 4), ("masterTableNumber", 0), ("dataCategory", 31),
                        ("internationalDataSubCategory", 3), ("dataSubCategory", 0),
                        ("updateSequenceNumber", m.document.get("update_sequence", 0)),
                        ("localTablesVersionNumber", 0),
                        ("section2Present", 0), ("typicalSecond", 0),
                        ("numberOfSubsets", subsets),
                        ("observedData", 1), ("compressedData", 0)):
        m.expect(key, wanted)
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
        got = m.get("typical" + key.capitalize())
        wanted = (typical or fields)[key] or 0
        if got != wanted:
            m.problems.append(f"typical{key.capitalize()}: {got}, JSON says {wanted}")
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
    # 0 is "reserved" in 0 02 030, our 6 is WMO's ADCP: no WMO meaning.
    method = m.held(surface["current_method_code"], lambda c: 1 <= c <= 5)
    m.expect("methodOfCurrentMeasurement", method)
    m.expect("seaSurfaceCurrentDirection", surface["current_direction_deg"])
    m.expect("speedOfSeaSurfaceCurrent", surface["current_speed_m_s"], resolution=0.01)
    m.expect("totalWaterDepth", d["bottom_depth_m"])
    m.expect("#1#qualifierForGtsppQualityFlag", 4)
    m.expect("#1#globalGtsppQualityFlag", None if d["bottom_depth_m"] is None else 0)
    m.expect("heightOfXbtOrXctdLauncher",
             m.held(probe.get("launch_height_m"), number_fits(6, 0)), resolution=1)
    # Codes the master table version's code tables do not define are missing.
    version = identification[2]
    m.expect("instrumentTypeForWaterTemperatureOrSalinityProfileMeasurement",
             m.held(probe["code"], lambda c: c in wmo_codes(version, "22067")))
    m.expect("waterTemperatureProfileRecorderTypes",
             m.held(probe["recorder_code"], lambda c: c in wmo_codes(version, "22068")))
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


SECTION_1 = (("centre", "bufrHeaderCentre"), ("subcentre", "bufrHeaderSubCentre"),
             ("master_table_version", "masterTablesVersionNumber"),
             ("local_table_version", "localTablesVersionNumber"), ("category", "dataCategory"),
             ("subcategory", "internationalDataSubCategory"),
             ("local_subcategory", "dataSubCategory"), ("update_sequence", "updateSequenceNumber"),
             ("year", "typicalYear"), ("month", "typicalMonth"), ("day", "typicalDay"),
             ("hour", "typicalHour"), ("minute", "typicalMinute"), ("second", "typicalSecond"))


LAYOUTS = {}


def descriptors(handle):
    """The message's descriptors, sequences expanded but not replications,
    with each one's type and scale; ecCodes leaks megabytes each time it is
    asked, so once for each layout."""
    layout = tuple(eccodes.codes_get(handle, key) for key in (
        "bufrHeaderCentre", "bufrHeaderSubCentre", "masterTablesVersionNumber",
        "localTablesVersionNumber")) + tuple(eccodes.codes_get_array(handle, "unexpandedDescriptors"))
    if layout not in LAYOUTS:
        LAYOUTS[layout] = (eccodes.codes_get_array(handle, "expandedCodes").tolist(),
                           eccodes.codes_get_array(handle, "expandedTypes"),
                           eccodes.codes_get_array(handle, "expandedOriginalScales").tolist())
    return LAYOUTS[layout]


def eccodes_values(handle):
    """The subset's values in order as (code, value or None, resolution),
    delayed replications repeated as their factors say."""
    codes, types, scales = descriptors(handle)
    numbers = eccodes.codes_get_array(handle, "numericValues").tolist()
    texts = eccodes.codes_get_array(handle, "stringValues")
    values = []

    def element(i):
        number = numbers[len(values)]
        if number == MISSING_DOUBLE:
            value = None
        elif types[i] == "string":  # numericValues holds which text, counting from 1
            text = texts[int(number) // 1000 - 1]
            value = text.rstrip(" ") if text else None
        else:
            value = number
        values.append((f"B{codes[i]:05d}", value, 10.0 ** -scales[i]))
        return value

    def walk(start, end):
        i = start
        while i < end:
            kind, count, times = codes[i] // 100000, codes[i] // 1000 % 100, codes[i] % 1000
            if kind == 0:
                element(i)
                i += 1
            elif kind == 1:
                body = i + 1 if times else i + 2
                for _ in range(times or int(element(i + 1) or 0)):
                    walk(body, body + count)
                i = body + count
            else:
                raise ValueError(f"operator {codes[i]:06d} not compared")

    walk(0, len(codes))
    return values


def agree(ours, theirs, resolution):
    if ours is None or theirs is None or isinstance(ours, str) or isinstance(theirs, str):
        return ours == theirs
    return abs(ours - theirs) <= resolution / 2 + 1e-9


def check_wreport(handle, decoded):
    """Differences of wreport's decode of the message from ecCodes'."""
    if "error" in decoded:
        return [f"wreport cannot decode it: {decoded['error']}"]
    problems = []
    for field, key in SECTION_1:
        if decoded[field] != eccodes.codes_get(handle, key):
            problems.append(f"wreport {field}: {decoded[field]}, "
                            f"ecCodes {key}: {eccodes.codes_get(handle, key)}")
    if eccodes.codes_get(handle, "numberOfSubsets") != 1 or \
            eccodes.codes_get(handle, "compressedData"):
        return problems + ["wreport: only one uncompressed subset is compared"]
    try:
        expected = eccodes_values(handle)
    except ValueError as error:
        return problems + [f"ecCodes values: {error}"]
    except IndexError:
        return problems + ["ecCodes has fewer values than its descriptors call for"]
    got = decoded["values"]
    if len(got) != len(expected):
        problems.append(f"wreport has {len(got)} values, ecCodes {len(expected)}")
    for n, ((code, value), (wanted_code, wanted, resolution)) in enumerate(zip(got, expected)):
        if code != wanted_code:
            return problems + [f"value {n}: wreport has {code}, ecCodes {wanted_code}"]
        if not agree(value, wanted, resolution):
            problems.append(f"value {n} {code}: wreport has {value!r}, ecCodes {wanted!r}")
    return problems


def wreport_decodes(program, path):
    """wreport_dump's document for each message in the file, in order, one
    at a time: all at once would not fit in memory for long profiles."""
    with subprocess.Popen([program, path], stdout=subprocess.PIPE, text=True) as run:
        for line in run.stdout:
            yield json.loads(line)
    if run.returncode not in (0, 1):
        sys.exit(f"{program} failed with status {run.returncode}")


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


def subsets_of(handle):
    """Each subset of a message as a message of its own (ecCodes' subset
    extraction), with the message's count of subsets."""
    count = eccodes.codes_get(handle, "numberOfSubsets")
    parts = []
    for number in range(1, count + 1):
        if count > 1:
            eccodes.codes_set(handle, "extractSubset", number)
            eccodes.codes_set(handle, "doExtractSubsets", 1)
        part = eccodes.codes_clone(handle)
        eccodes.codes_set(part, "unpack", 1)
        parts.append((part, count))
    return parts


def main_subsets(arguments):
    with open(arguments[1], encoding="utf-8") as lines:
        documents = [json.loads(line) for line in lines]
    warned = warned_counts(arguments[2])
    identification = [int(value) for value in arguments[3:6]]
    checked = failed = 0
    with open(arguments[0], "rb") as messages:
        while checked < len(documents):
            handle = eccodes.codes_bufr_new_from_file(messages)
            if handle is None:
                print(f"{documents[checked]['source']}: no BUFR message")
                return 1
            eccodes.codes_set(handle, "unpack", 1)
            first = documents[checked]["time_fields"]
            for part, count in subsets_of(handle):
                if checked == len(documents):
                    print("more subsets than JSON documents")
                    return 1
                message = Message(part, documents[checked])
                check(message, identification, 1, first)
                eccodes.codes_release(part)
                source = documents[checked]["source"]
                if warned.get(source, 0) != message.omitted:
                    message.problems.append(f"warned of {warned.get(source, 0)} values left out, "
                                            f"{message.omitted} were")
                for problem in message.problems[:5]:
                    print(f"{source}: {problem}")
                failed += bool(message.problems)
                checked += 1
            eccodes.codes_release(handle)
        if eccodes.codes_bufr_new_from_file(messages) is not None:
            print("more BUFR messages than JSON documents")
            failed += 1
    print(f"{checked} subsets checked, {failed} with differences")
    return 1 if failed or not checked else 0


def main():
    arguments = sys.argv[1:]
    if arguments[6:] == ["--subsets"]:
        return main_subsets(arguments[:6])
    wreport = None
    if len(arguments) == 8 and arguments[6] == "--wreport":
        wreport = wreport_decodes(arguments[7], arguments[0])
        arguments = arguments[:6]
    with open(arguments[1], encoding="utf-8") as lines:
        documents = [json.loads(line) for line in lines]
    warned = warned_counts(arguments[2])
    identification = [int(value) for value in arguments[3:6]]
    checked = failed = wreport_failed = 0
    wreport_problems = []
    with open(arguments[0], "rb") as messages:
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
                if wreport is not None:
                    decoded = next(wreport, None)
                    wreport_problems = ["wreport found no such message"] if decoded is None \
                        else check_wreport(handle, decoded)
            finally:
                eccodes.codes_release(handle)
            if warned.get(document["source"], 0) != message.omitted:
                message.problems.append(f"warned of {warned.get(document['source'], 0)} values "
                                        f"left out, {message.omitted} were")
            for problem in message.problems[:5] + wreport_problems[:5]:
                print(f"{document['source']}: {problem}")
            wreport_failed += bool(wreport_problems)
            failed += bool(message.problems or wreport_problems)
            checked += 1
        if eccodes.codes_bufr_new_from_file(messages) is not None:
            print("more BUFR messages than JSON documents")
            failed += 1
    if wreport is not None and sum(1 for _ in wreport):
        print("more wreport messages than JSON documents")
        failed += 1
    summary = f"{checked} messages checked, {failed} with differences"
    if wreport is not None:
        summary += f", {wreport_failed} of them between wreport and ecCodes"
    print(summary)
    return 1 if failed or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
