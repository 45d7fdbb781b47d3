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

# The widget layer's sub-layers, bottom up: the headless core, cairo rendering,
# the GTK windows, the WebKit browser; the gallery and the custom controls on top.
UI_CORE = ["ui/core"]
UI_RENDER = ["ui/render"] + UI_CORE
UI_GTK = ["ui/gtk"] + UI_RENDER
UI_WEB = ["ui/web"] + UI_GTK
UI_ALL = ["ui/gallery", "ui/custom"] + UI_WEB

# What a feature of the client may use below it: the widget core only, never a
# toolkit backend (shell services such as the folder picker come through the
# core's backend interface).
LOWER = ["libmerv", "platform"] + UI_CORE
SUBSYSTEMS = ["client/catalogue", "client/browser", "client/account", "client/update",
              "client/panels"]

# folder -> folders it may include besides itself
ALLOWED = {
    "platform": [],
    "libmerv": ["platform"],
    "ui/core": ["platform"],
    "ui/render": ["platform"] + UI_CORE,
    "ui/gtk": ["platform"] + UI_RENDER,
    "ui/web": ["platform"] + UI_GTK,
    "ui/custom": ["platform"] + UI_WEB,
    "ui/gallery": ["platform", "ui/custom"] + UI_WEB,
    "client/common": LOWER,
    # The program entry installs the on-screen backend and hosts custom controls.
    "client/shell": ["client/common"] + SUBSYSTEMS + LOWER + UI_ALL,
    "updrix": ["libmerv", "platform"],
    "launcher": ["client/common", "libmerv", "platform"] + UI_ALL,
    "portal": ["libmerv", "platform"],
    "skin": ["platform"] + UI_CORE,
    "tools": ["libmerv", "platform"] + UI_ALL,
    # Fuzz targets drive the parsers of outside input where they live.
    "fuzz": ["client/common"] + SUBSYSTEMS + LOWER + UI_RENDER,
}
for subsystem in SUBSYSTEMS:
    ALLOWED[subsystem] = ["client/common"] + LOWER
# Below the client: true for tests as well.
BELOW_CLIENT = ["platform", "libmerv"] + [f for f in ALLOWED if f.startswith("ui/")]

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
    return any(mark in name for mark in ("_test", "_bench", "test_support"))


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
        # Inside the widget layer: rendering may not reach up into GTK, and a
        # feature may not reach a toolkit backend.
        (root / "ui/render").mkdir(parents=True)
        (root / "ui/render/e.cpp").write_text('#include "ui/gtk/gtk_backend.h"\n')
        (root / "ui/gtk").mkdir(parents=True)
        (root / "ui/gtk/ok.cpp").write_text('#include "ui/render/cairo_target.h"\n')
        (root / "client/panels").mkdir(parents=True)
        (root / "client/panels/f.cpp").write_text('#include "ui/gtk/shell_dialogs.h"\n')
        found = violations(root)
        if len(found) != 4:
            print("self-test failed:", found)
            return 1
    print("self-test: sideways and upward edges are caught, inside ui/ too")
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
