#!/usr/bin/env python3
"""Validates what setup-builder writes for shipping against JSON schemas.

    validate.py cyclonedx BOM.json
    validate.py winget FOLDER     (the three manifest files in it)

Ends 0 when every document is valid, 1 naming each fault, 2 on wrong use.
"""
import json
import pathlib
import sys

import jsonschema
import referencing
import yaml

HERE = pathlib.Path(__file__).resolve().parent


def registry(folder, base):
    """Every schema of the folder, under the address its $ref names it by."""
    resources = []
    for path in folder.glob("*.schema.json"):
        contents = json.loads(path.read_text(encoding="utf-8"))
        resource = referencing.Resource.from_contents(contents, default_specification=referencing.jsonschema.DRAFT7)
        resources.append((base + path.name, resource))
        if "$id" in contents:
            resources.append((contents["$id"], resource))
    return referencing.Registry().with_resources(resources)


def check(schema_path, document, base, what):
    schema = json.loads(schema_path.read_text(encoding="utf-8"))
    validator = jsonschema.Draft7Validator(schema, registry=registry(schema_path.parent, base),
                                           format_checker=jsonschema.Draft7Validator.FORMAT_CHECKER)
    faults = sorted(validator.iter_errors(document), key=lambda e: list(e.path))
    for fault in faults:
        print(f"{what}: {'/'.join(str(p) for p in fault.path) or '(top)'}: {fault.message}")
    return not faults


def main(argv):
    if len(argv) != 3 or argv[1] not in ("cyclonedx", "winget"):
        print(__doc__)
        return 2
    target = pathlib.Path(argv[2])
    if argv[1] == "cyclonedx":
        ok = check(HERE / "cyclonedx" / "bom-1.5.SNAPSHOT.schema.json", json.loads(target.read_text(encoding="utf-8")),
                   "http://cyclonedx.org/schema/", str(target))
        return 0 if ok else 1
    found = {}
    for path in sorted(target.glob("*.yaml")):
        document = yaml.safe_load(path.read_text(encoding="utf-8"))
        found.setdefault(document.get("ManifestType"), []).append((path, document))
    ok = True
    for kind in ("version", "installer", "defaultLocale"):
        if len(found.get(kind, [])) != 1:
            print(f"{target}: expected one {kind} manifest, found {len(found.get(kind, []))}")
            ok = False
            continue
        path, document = found[kind][0]
        ok = check(HERE / "winget" / f"{kind}.schema.json", document, "https://bastionix.invalid/schemas/winget/",
                   str(path)) and ok
    identifiers = {d["PackageIdentifier"] for docs in found.values() for _, d in docs if "PackageIdentifier" in d}
    if len(identifiers) != 1:
        print(f"{target}: the manifests name different packages: {sorted(identifiers)}")
        ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
