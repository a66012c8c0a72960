"""Validates vimoctl's JSON answers against the schemas in docs/schemas.

Arguments: the schema folder, then pairs of (schema name, file holding one answer). Prints one
line per answer that does not match and exits 1 when there was any.
"""
import json
import sys

import jsonschema


def main(argv):
    folder = argv[1]
    failures = 0
    for name, path in zip(argv[2::2], argv[3::2]):
        with open(f"{folder}/{name}.schema.json", encoding="utf-8") as schema_file:
            schema = json.load(schema_file)
        with open(path, encoding="utf-8") as answer_file:
            answer = json.load(answer_file)
        validator = jsonschema.Draft202012Validator(schema)
        for error in validator.iter_errors(answer):
            failures += 1
            where = "/".join(str(part) for part in error.absolute_path)
            print(f"{name} ({path}): at /{where}: {error.message}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
