"""The JSON schema and the type hints against the library's field table,
which the JSON export and the module are written from: a field added,
renamed, moved or made nullable in one and not the others fails here."""
import ast
import json
import os

import xbtconv

SOURCE = os.path.dirname(os.path.normpath(os.environ["EXAMPLES"]))
FIELDS = xbtconv._xbtconv.fields()  # (group, group nullable, key, type, nullable, description)

JSON_TYPES = {"file_name": "string", "text": "string", "integer": "integer", "number": "number",
              "boolean": "boolean", "time": "string", "test_names": "array",
              "hundredths": "array", "flags": "array"}
JSON_ITEMS = {"test_names": {"string"}, "hundredths": {"number", "null"}, "flags": {"integer"}}
PYTHON_TYPES = {"file_name": "str", "text": "str", "integer": "int", "number": "float",
                "boolean": "bool", "time": "Time", "test_names": "Tuple[str, ...]",
                "hundredths": "npt.NDArray[np.float64]", "flags": "npt.NDArray[np.uint8]"}


def document_keys():
    """The top-level keys in order, each group in the place of its first field."""
    keys = []
    for group, _, key, *_ in FIELDS:
        if (group or key) not in keys:
            keys.append(group or key)
    return keys


def test_the_json_schema_is_the_field_table():
    with open(os.path.join(SOURCE, "schema", "observation.schema.json"), encoding="utf-8") as f:
        schema = json.load(f)

    def resolve(node):
        while "$ref" in node:
            node = {**schema["$defs"][node["$ref"].split("/")[-1]],
                    **{k: v for k, v in node.items() if k != "$ref"}}
        return node

    def kinds(node):
        node = resolve(node)
        if "enum" in node:
            names = {bool: "boolean", int: "integer", str: "string", type(None): "null"}
            return {names[type(value)] for value in node["enum"]}
        return {node["type"]} if isinstance(node["type"], str) else set(node["type"])

    assert list(schema["properties"]) == schema["required"] == document_keys()
    for group, group_nullable, key, kind, nullable, _ in FIELDS:
        parent = schema
        if group:
            parent = resolve(schema["properties"][group])
            assert kinds(parent) == {"object"} | ({"null"} if group_nullable else set()), group
            assert parent["additionalProperties"] is False
            assert parent["required"] == list(parent["properties"]) == \
                [k for g, _, k, *_ in FIELDS if g == group]
        node = parent["properties"][key]
        assert kinds(node) == {JSON_TYPES[kind]} | ({"null"} if nullable else set()), key
        if kind in JSON_ITEMS:
            assert kinds(node["items"]) == JSON_ITEMS[kind], key


def test_the_type_hints_are_the_field_table():
    with open(os.path.join(SOURCE, "python", "xbtconv", "_xbtconv.pyi"), encoding="utf-8") as f:
        tree = ast.parse(f.read())
    hints = {node.name: [(item.target.id, ast.unparse(item.annotation)) for item in node.body
                         if isinstance(item, ast.AnnAssign)]
             for node in tree.body if isinstance(node, ast.ClassDef)}

    def hint(name, nullable):
        return f"Optional[{name}]" if nullable else name

    observation = dict(hints["Observation"])
    for group, group_nullable, key, kind, nullable, _ in FIELDS:
        if group is None:
            assert observation[key] == hint(PYTHON_TYPES[kind], nullable), key
            continue
        name = type(getattr(xbtconv.read(os.path.join(SOURCE, "examples",
                                                      "standard_two_meter.bin")), group)).__name__
        assert observation[group] == hint(name, group_nullable), group
        assert hints[name] == [(k, hint(PYTHON_TYPES[t], n)) for g, _, k, t, n, _ in FIELDS
                               if g == group], name
