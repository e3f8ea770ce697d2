#!/usr/bin/env python3
"""The layering as the sources must keep it, checked on every include line of src/.

Each folder of src/ is a layer; a file may include its own folder's headers and those of
folders on lower lines, never one on its own line or above:

    app, ctl          the two programs
    ui, log           chooser and About logic and views; the change log
    config, folder    configuration and registration; folder settings and the apply step
    catalogue         the icon catalogue
    platform          one header per OS service
    text              string rules

A portable file (not in a posix/, win32/ or qt/ folder, and not named *_posix, *_win32 or
*_qt) includes no system, toolkit or OS-specific header: the C++ standard library, the
project's own portable headers and a few portable libraries only.

Usage: include_rules.py SRC_FOLDER"""
import os
import re
import sys

LEVELS = {"text": 0, "platform": 1, "catalogue": 2, "config": 3, "folder": 3,
          "ui": 4, "log": 4, "app": 5, "ctl": 5}
SPECIFIC_FOLDERS = {"posix", "win32", "qt"}
PORTABLE_LIBRARIES = {"nlohmann/json.hpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def is_specific(relative):
    parts = relative.split("/")
    stem = os.path.splitext(parts[-1])[0]
    return any(p in SPECIFIC_FOLDERS for p in parts[:-1]) or \
        any(stem.endswith("_" + s) for s in SPECIFIC_FOLDERS)


def problems(src):
    found = []
    for root, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            relative = os.path.relpath(path, src).replace(os.sep, "/")
            layer = relative.split("/")[0]
            if layer not in LEVELS:
                found.append("%s: a folder that is no layer" % relative)
                continue
            specific = is_specific(relative)
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    kind, header = m.groups()
                    where = "%s:%d: %s" % (relative, number, header)
                    if kind == '"':
                        target = header.split("/")[0]
                        if target not in LEVELS:
                            continue  # a generated header beside the file
                        if target != layer and LEVELS[target] >= LEVELS[layer]:
                            found.append(where + " (a layer on the same line or above)")
                        if not specific and is_specific(header):
                            found.append(where + " (a portable file includes an OS-specific one)")
                    elif not specific and not re.fullmatch(r"[a-z_]+", header) and \
                            header not in PORTABLE_LIBRARIES:
                        found.append(where + " (a portable file includes a system header)")
    return found


if __name__ == "__main__":
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..",
                                                               "..", "src")
    found = problems(src)
    for problem in found:
        print(problem)
    print("%d include rule(s) broken" % len(found))
    sys.exit(1 if found else 0)
