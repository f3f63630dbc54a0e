"""Validates JSON Lines against a JSON Schema (draft 2020-12).

    validate_json.py SCHEMA FILE

Prints each invalid document's line number and the reasons, and the count
of documents checked; exits 1 when any is invalid or FILE holds none.
"""
import json
import sys

import jsonschema


def main():
    with open(sys.argv[1], encoding="utf-8") as schema_file:
        schema = json.load(schema_file)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    checked = invalid = 0
    with open(sys.argv[2], encoding="ascii") as lines:
        for number, line in enumerate(lines, 1):
            document = json.loads(line)
            errors = list(validator.iter_errors(document))
            profile = document["profile"]
            columns = ("depth_m", "temperature_c", "depth_qc", "temperature_qc")
            if len({len(profile[column]) for column in columns}) != 1:
                errors.append("the sample columns differ in length")
            # A flag per value: 9 exactly where there is none; all 0 without QC.
            for values, flags in (("depth_m", "depth_qc"), ("temperature_c", "temperature_qc")):
                for value, flag in zip(profile[values], profile[flags]):
                    expected = flag == 0 if document["qc"] is None else (flag == 9) == (value is None)
                    if not expected:
                        errors.append(f"{flags} {flag} for a {values} of {value}")
                        break
            for error in errors:
                print(f"line {number}: {getattr(error, 'message', error)}")
            checked += 1
            invalid += bool(errors)
    print(f"{checked} documents checked, {invalid} invalid")
    return 1 if invalid or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
