#!/usr/bin/env python3
"""Checks that every #include "folder/..." in the sources points down the layers.

Usage: check_layers.py SOURCE_ROOT [--self-test]

Each folder may include itself and the folders listed for it. Tests, test
support headers and benchmarks may also include the folders that build the
programs they test (a test of the catalogue may build the real main window), so
they are checked only against the layers below the client: nothing under
platform/, libmerv/ or ui/ may include the client or the programs.
"""
import pathlib
import re
import sys

LOWER = ["libmerv", "ui", "platform"]
SUBSYSTEMS = ["client/catalogue", "client/browser", "client/account", "client/update",
              "client/panels"]

# folder -> folders it may include besides itself
ALLOWED = {
    "platform": [],
    "libmerv": ["platform"],
    "ui": ["platform"],
    "client/common": LOWER,
    "client/shell": ["client/common"] + SUBSYSTEMS + LOWER,
    "updrix": ["libmerv", "platform"],
    "launcher": ["client/common", "ui", "libmerv", "platform"],
    "portal": ["libmerv", "platform", "client/common"],
    "skin": ["ui", "platform"],
    "tools": ["ui", "libmerv", "platform"],
}
for subsystem in SUBSYSTEMS:
    ALLOWED[subsystem] = ["client/common"] + LOWER
# Below the client: true for tests as well.
BELOW_CLIENT = ["platform", "libmerv", "ui"]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".c"}


def folder_of(path: str) -> str | None:
    """The layer a repository path belongs to (longest known prefix)."""
    best = None
    for folder in ALLOWED:
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def is_test(path: str) -> bool:
    name = pathlib.PurePosixPath(path).name
    return any(mark in name for mark in ("_test", "_bench", "test_support", "fuzz"))


def violations(root: pathlib.Path):
    found = []
    for file in sorted(root.rglob("*")):
        if file.suffix not in SOURCE_SUFFIXES or not file.is_file():
            continue
        rel = file.relative_to(root).as_posix()
        if rel.startswith(("build", ".git", "run-output")):
            continue
        source_folder = folder_of(rel)
        if source_folder is None:
            continue
        for included in INCLUDE.findall(file.read_text(errors="replace")):
            target = folder_of(included)
            if target is None or target == source_folder:
                continue
            if is_test(rel):
                bad = source_folder in BELOW_CLIENT and target not in ALLOWED[source_folder]
            else:
                bad = target not in ALLOWED[source_folder]
            if bad:
                found.append(f"{rel}: includes {included} ({source_folder} -> {target})")
    return found


def self_test() -> int:
    """The checker itself must catch an edge that points up or sideways."""
    import tempfile
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp)
        (root / "client/catalogue").mkdir(parents=True)
        (root / "client/catalogue/a.cpp").write_text('#include "client/account/b.h"\n')
        (root / "platform").mkdir()
        (root / "platform/c.cpp").write_text('#include "ui/core/d.h"\n')
        (root / "client/common").mkdir(parents=True)
        (root / "client/common/ok.cpp").write_text('#include "platform/text.h"\n')
        found = violations(root)
        if len(found) != 2:
            print("self-test failed:", found)
            return 1
    print("self-test: sideways and upward edges are caught")
    return 0


def main() -> int:
    if "--self-test" in sys.argv:
        return self_test()
    found = violations(pathlib.Path(sys.argv[1]))
    for line in found:
        print(line)
    print(f"{len(found)} include(s) against the layers")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
