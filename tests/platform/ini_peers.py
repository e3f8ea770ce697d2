#!/usr/bin/env python3
"""The two builds' INI behaviour, compared on generated files and operation lists.

    ini_peers.py WINE_RUN [--win64] PREFIX WINDOWS_PEER LINUX_PEER

Generates INI files and lists of profile operations (fixed seed), runs every list through the
Linux build's engine and, under Wine, through the Windows build's profile functions, and
compares each operation's result and each file's final bytes. A difference is accepted only
when the case holds something on which Wine is known to depart from Windows (DEPARTURES, each
with its reason; the Linux engine follows Windows there); any other difference fails the
test. Prints the agreement rate. Exits 77 (skipped) when the Linux build has not been made or
Wine cannot run.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

from wine_peer import wine_runner, wine_starts

SEED, CASES = 20, 600

# What Wine does differently from Windows, by the feature of a case that shows it. The Linux
# engine does what Windows does; a case holding one of these may differ from Wine.
DEPARTURES = {
    "comment": "Wine takes a ';' line for a key: it is listed, matched, and a new key goes "
               "after it; Windows skips comments",
    "blank": "Wine drops blank lines when it rewrites a file; Windows keeps every line it "
             "does not change",
    "layout": "Wine rebuilds the whole file from its parse on a write (blanks around names "
              "and '=', line ends, text after ']' all normalised); Windows changes only the "
              "line it edits",
    "bracket": "Wine ends a section name at the last ']' and takes a header without ']' for a "
               "key; Windows ends it at the first ']' or the line's end",
    "value blank": "Wine drops the leading blanks of a value it writes; Windows writes the "
                   "value as given",
    "twin": "Wine deletes a key from a later section of the same name when the first has "
            "none; Windows looks only in the first section of a name, for lookups and "
            "deletions alike",
    "no value": "a line without '=': Wine takes it for a key when listing and writing; "
                "Windows does not list it",
    "empty section": "Wine takes section \"\" for the lines before the first header: it "
                     "writes its keys at the top of the file and drops a '[]' header when it "
                     "rewrites the file; Windows reads '[]' as a section named \"\"",
    "empty key name": "keys with an empty name ('=v'): Wine reports the key list of a "
                      "section as empty when its first key has one (Windows lists the name), "
                      "and deletes every such key of the section at once (taken here as "
                      "Windows takes other duplicate keys: the first one)",
}

BLANKS = " \t\v"

SECTIONS = ["s", "S", "t", "a b", "s2"]
KEYS = ["k", "K", "k2", "x y", "IconFile", ""]
VALUES = ["v", "1", "42A9", "B42", "-1", "0x10", '"q"', "'a'", "a=b", "", "x;y", "#c"]


def section_name(rng):
    """Now and then the section named "" ('[]'), on which Wine departs."""
    return "" if rng.random() < 0.03 else rng.choice(SECTIONS)


def wrap(rng, name):
    """A name as a caller may pass it: with surrounding spaces or tabs now and then."""
    pads = ["", "", "", " ", "  ", "\t", " \t"]
    return rng.choice(pads) + name + rng.choice(pads)


def make_file(rng, features):
    """An INI file of a few sections in Windows' own layout, now and then with a feature on
    which Wine departs; `features` collects those."""
    if rng.random() < 0.08:
        return None
    lines = []
    for _ in range(rng.randint(0, 4)):
        section = section_name(rng)
        if section.lower() in (l[1:-1].lower() for l in lines if l.startswith("[")):
            features.add("twin")
        lines.append(f"[{section}]")
        for _ in range(rng.randint(0, 4)):
            r = rng.random()
            if r < 0.05:
                lines.append(";" + rng.choice(KEYS) + "=c")
                features.add("comment")
            elif r < 0.09:
                lines.append("")
                features.add("blank")
            elif r < 0.12:
                lines.append(rng.choice(KEYS))
                features.add("no value")
            elif r < 0.16:
                lines.append(f"\t{rng.choice(KEYS)} = {rng.choice(VALUES)}")
                features.add("layout")
            else:
                lines.append(f"{rng.choice(KEYS)}={rng.choice(VALUES)}")
    if rng.random() < 0.04:
        lines.append("[s]x]")
        features.add("bracket")
    text = "".join(line + "\r\n" for line in lines)
    if text and rng.random() < 0.05:
        text = text[:-2]
        features.add("layout")
    return text.encode()


def note_names(ops, initial, features):
    """Features of a case that only its names show."""
    lines = (initial or b"").split(b"\r\n")
    if any(l.strip(b" \t\v") == b"[]" for l in lines) or any(
            len(op) > 1 and not op[1].strip(BLANKS) for op in ops):
        features.add("empty section")
    empty_key = any(l.startswith(b"=") for l in lines) or any(
        op[0] == "set" and not op[2].strip(BLANKS) for op in ops)
    if empty_key and any(op[0] == "hasKeys" or (op[0] == "delKey" and not op[2].strip(BLANKS))
                         for op in ops):
        features.add("empty key name")


def make_ops(rng, features):
    ops = []
    for _ in range(rng.randint(3, 10)):
        section, key = wrap(rng, section_name(rng)), wrap(rng, rng.choice(KEYS))
        r = rng.random()
        if r < 0.30:
            ops.append(["get", section, key, rng.choice(["dflt", "d  ", ""])])
        elif r < 0.40:
            ops.append(["int", section, key])
        elif r < 0.50:
            ops.append(["hasKeys", section])
        elif r < 0.53:
            ops.append(["hasSections"])
        elif r < 0.80:
            value = rng.choice(VALUES)
            if rng.random() < 0.1:
                value = " " + value
                features.add("value blank")
            ops.append(["set", section, key, value])
        elif r < 0.93:
            ops.append(["delKey", section, key])
        else:
            ops.append(["delSection", section])
    return ops


def hexed(text):
    return text.encode().hex() or "-"


def write_cases(folder, cases):
    for i, (initial, ops, _) in enumerate(cases):
        case = os.path.join(folder, str(i))
        os.makedirs(case)
        if initial is not None:
            with open(os.path.join(case, "file.ini"), "wb") as f:
                f.write(initial)
        with open(os.path.join(case, "ops"), "w") as f:
            for op in ops:
                f.write(" ".join([op[0]] + [hexed(field) for field in op[1:]]) + "\n")
    with open(os.path.join(folder, "count"), "w") as f:
        f.write(str(len(cases)))


def outcome(folder, i):
    case = os.path.join(folder, str(i))
    with open(os.path.join(case, "results")) as f:
        results = f.read().split("\n")[:-1]
    final = os.path.join(case, "file.ini")
    data = open(final, "rb").read() if os.path.exists(final) else None
    return results, data


def run(command):
    result = subprocess.run(command, capture_output=True, timeout=280)
    if result.returncode != 0:
        sys.exit(f"{command[-2]} failed ({result.returncode}):\n"
                 f"{result.stdout.decode(errors='replace')}\n{result.stderr.decode(errors='replace')}")


def main():
    args = sys.argv[1:]
    wine_run = wine_runner(args)
    prefix, windows_peer, linux_peer = args[:3]
    if not os.path.exists(linux_peer):
        print("the Linux build's ini_peer is not there: build the linux preset first")
        return 77
    why_not = wine_starts(wine_run, prefix)
    if why_not:
        print(why_not)
        return 77

    rng = random.Random(SEED)
    cases = []
    for _ in range(CASES):
        features = set()
        initial = make_file(rng, features)
        ops = make_ops(rng, features)
        note_names(ops, initial, features)
        cases.append((initial, ops, features))

    scratch = tempfile.mkdtemp(prefix="zendrel-ini-peers-")
    try:
        linux, windows = os.path.join(scratch, "linux"), os.path.join(scratch, "windows")
        write_cases(linux, cases)
        write_cases(windows, cases)
        run([linux_peer, linux])
        run([*wine_run, prefix, windows_peer, windows])

        ops = equal_ops = equal_files = 0
        accepted = {}
        failures = []
        for i, (initial, case_ops, features) in enumerate(cases):
            ours, wine = outcome(linux, i), outcome(windows, i)
            ops += len(case_ops)
            same = [a == b for a, b in zip(ours[0], wine[0])]
            equal_ops += sum(same)
            equal_files += ours[1] == wine[1]
            if ours == wine:
                continue
            reasons = sorted(features & DEPARTURES.keys())
            if reasons:
                accepted[reasons[0]] = accepted.get(reasons[0], 0) + 1
                continue
            first = same.index(False) if False in same else None
            failures.append(
                f"case {i}: file {initial!r}\n  ops {case_ops}\n"
                + (f"  op {first} {case_ops[first]}: Linux {ours[0][first]}, Wine {wine[0][first]}\n"
                   if first is not None else "")
                + f"  final bytes: Linux {ours[1]!r}\n               Wine  {wine[1]!r}")

        print(f"{CASES} cases, {ops} operations: {equal_ops} results equal "
              f"({100.0 * equal_ops / ops:.1f}%), {equal_files} final files equal "
              f"({100.0 * equal_files / CASES:.1f}%)")
        for feature, count in sorted(accepted.items()):
            print(f"  accepted in {count} cases, {feature}: {DEPARTURES[feature]}")
        if failures:
            print(f"{len(failures)} cases differ with no known Wine departure:")
            print("\n".join(failures[:15]))
            return 1
        return 0
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
