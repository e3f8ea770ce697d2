#!/usr/bin/env python3
"""zendrelctl end to end, on generated folder trees, without a display.

Each generated folder comes twice: one copy gets `zendrelctl set`, the other the dialog
program's own run with the same clicks (ctl_dialog_peer), and the two must end byte for byte
and attribute for attribute alike, change log records included. Then: `show` reads back what
`set` wrote, `--dry-run` changes no byte anywhere, `restore` gives back each folder as it was
before `set`, `check --fix` repairs folders spoiled on purpose, and bad input is refused with a
message, the right exit status and nothing written.

The same script checks the Windows console program under Wine (--wine): the programs then
see the folders by their drive names (Z:\\...), and Wine keeps the hidden and system bits in
user.DOSATTRIB as the Linux layer does.

Usage: ctl_e2e.py ZENDRELCTL DIALOG_PEER ICON_FOLDER [--wine WINE_RUN [--win64] PREFIX]
"""
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

CTL, PEER, ASSETS = sys.argv[1:4]
WINE = sys.argv[5:] if sys.argv[4:5] == ["--wine"] else None
# The shared change log and the desktop.ini files a Windows program writes are in its ANSI
# code page, Japanese here.
ANSI = "cp932" if WINE else "utf-8"
THUMBNAIL_ID = "{8BEBB290-52D0-11d0-B7F4-00C04FD706EC}"
HIDDEN, READ_ONLY, SYSTEM = 0x02, 0x01, 0x04

failures = []


def check(condition, what, detail=""):
    print(("ok: " if condition else "FAIL: ") + what + ("" if condition else " " + detail),
          flush=True)
    if not condition:
        failures.append(what)


def attribute_byte(path):
    """The DOS attribute byte the Linux layer keeps in user.DOSATTRIB; None without one."""
    try:
        record = os.getxattr(path, "user.DOSATTRIB", follow_symlinks=False)
    except OSError:
        return None
    text_end = record.find(b"\0")
    if text_end in (-1, len(record) - 1):  # the old form: only the hexadecimal text
        return int(record[:text_end if text_end >= 0 else None], 16) & 0x7F
    body = (((text_end + 2) & ~1) + 4 + 3) & ~3  # past the text, the version pair, padding
    return int.from_bytes(record[body + 4:body + 8], "little") & 0x7F


def tree(root, ini_as_text=False):
    """Every entry below root: its bytes (files) and attribute byte, by relative path. A
    folder without a record has the directory bit alone. With `ini_as_text`, a desktop.ini
    counts by its text: once a file took text outside ASCII it stays UTF-16LE, as Windows keeps
    a profile file that it made Unicode."""
    entries = {".": (None, attribute_byte(root) or 0x10)}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            data = open(path, "rb").read() if os.path.isfile(path) else None
            if ini_as_text and name == "desktop.ini":
                data = ini_text(path)
            attributes = attribute_byte(path)
            if attributes is None and data is None:
                attributes = 0x10
            entries[os.path.relpath(path, root)] = (data, attributes)
    return entries


def ini_text(path):
    data = open(path, "rb").read()
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le")
    return data.decode(ANSI)


def ini_value(path, section, key):
    current = None
    for line in ini_text(path).splitlines():
        line = line.strip()
        if line.startswith("["):
            current = line[1:line.find("]")].lower()
        elif current == section.lower() and "=" in line:
            name, value = line.split("=", 1)
            if name.strip().lower() == key.lower():
                return value.strip()
    return None


# --- The programs: the one under test, and a second copy that customised folders before --

work = tempfile.mkdtemp(prefix="zendrelctl-e2e-")
icons = os.path.join(work, "icons")
shutil.copytree(ASSETS, icons)
ENV = {k: v for k, v in os.environ.items()
       if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "LANG",
                    "LANGUAGE", "LC_ALL", "LC_MESSAGES")}
ENV.update(XDG_DATA_HOME=os.path.join(work, "data"), XDG_CONFIG_HOME=os.path.join(work, "config"),
           XDG_RUNTIME_DIR=os.path.join(work, "runtime"), HOME=os.path.join(work, "home"))
for name in ("runtime", "home"):
    os.mkdir(os.path.join(work, name))


def said(english, japanese):
    """Words of a message: Wine's runner starts programs under a Japanese locale."""
    return japanese if WINE else english


def native(path):
    """A path as the program under test names it."""
    return "Z:" + path.replace("/", "\\") if WINE else path


def program_folder(name):
    """A folder with both programs, the standard folder icon and a configuration of its own
    whose change log lies in work/<name>-log."""
    folder, logs = os.path.join(work, name), os.path.join(work, name + "-log")
    os.mkdir(folder)
    os.mkdir(logs)
    for program in (CTL, PEER):
        shutil.copy(program, folder)
    if not WINE:  # the standard folder icon the Linux registry names
        shutil.copy(os.path.join(os.path.dirname(os.path.abspath(ASSETS)), "zendrel-folder.ico"),
                    folder)
    with open(os.path.join(folder, "ZenConfig.ini"), "w", newline="") as config:
        config.write("[ZendrelConfig]\r\nDefaultIconPath=%s\r\nDefaultLogPath=%s\r\n"
                     % (native(icons), native(logs)))
    return folder, os.path.join(logs, "Zendrel.log")


APP, LOG = program_folder("app")
EARLIER, _ = program_folder("earlier")  # another machine's Zendrel, with a log of its own


def run(program, *args, lang=None):
    env = dict(ENV, **({"LANG": lang} if lang else {}))
    done = subprocess.run([*(WINE or []), program, *args], env=env, capture_output=True)
    return (done.returncode, done.stdout.decode("utf-8", "replace"),
            done.stderr.decode("utf-8", "replace"))


def ctl(*args, app=APP, lang=None):
    """zendrelctl with these arguments; a path in them is named as the program names it."""
    args = [native(a) if a.startswith(work) else a for a in args]
    return run(os.path.join(app, os.path.basename(CTL)), *args, lang=lang)


def peer(folder, entry, index, tip, thumbnail):
    code, _, err = run(os.path.join(APP, os.path.basename(PEER)), native(folder), entry,
                       str(index), tip, thumbnail)
    return code, err


def keep_creation_stamp(folder):
    """Wine stamps a folder with its last-write time for its creation time, so every write
    inside it would make it another folder for the change log; Windows keeps one creation time.
    Under Wine the folder's last-write time goes back to the stamp its records carry."""
    if not WINE:
        return
    key = native(folder) + ","
    for line in open(LOG, encoding=ANSI).read().splitlines():
        if line.startswith(key) and "=" in line:
            stamp = int(line.split("=", 1)[0].rsplit(",", 1)[1], 16)
    os.utime(folder, (stamp, stamp))


def log_records(log, folder):
    """The folder's FolderLog value without its creation stamp, and its FolderOrg value."""
    records, section = {}, None
    if not os.path.exists(log):
        return records
    for line in open(log, encoding=ANSI).read().splitlines():
        if line.startswith("["):
            section = line.strip("[]")
        elif "=" in line:
            key, value = line.split("=", 1)
            if section == "FolderLog" and key == native(folder):
                records["FolderLog"] = value.split(",", 1)[1]
            if section == "FolderOrg" and key.rsplit(",", 1)[0] == native(folder):
                records["FolderOrg"] = value
    return records


# --- Generated folders -------------------------------------------------------------------

rng = random.Random(19)
code, listing, _ = ctl("icons", "--json")
catalogue = json.loads(listing)
check(code == 0 and len(catalogue) > 20, "icons --json lists the icon folder")
TIPS = ["hello", "日本語のヒント", "a, b and c", "two\nlines", "ends in blanks   ", "x=y;z"]


def random_choice(kind=None, thumbnail=None):
    entry = rng.choice(catalogue)
    tip = rng.choice([None, None, "", *TIPS])
    return kind or "icon", entry["file"], entry["index"], tip, thumbnail


def ctl_args(choice):
    kind, name, index, tip, thumbnail = choice
    args = {"icon": ["--icon", "%s,%d" % (name, index)], "standard": ["--standard"],
            "current": ["--current"]}[kind]
    if tip is not None:
        args += ["--tip", tip] if tip else ["--no-tip"]
    if thumbnail:
        args += ["--thumbnail", thumbnail]
    return args


def peer_args(choice):
    kind, name, index, tip, thumbnail = choice
    entry = {"icon": name, "standard": "*", "current": "."}[kind]
    return entry, index, "." if tip is None else tip, thumbnail or "."


def make_folder(path, state, earlier_choice):
    """A folder as the case starts it: plain, customised before (by another machine's
    Zendrel), or customised before on top of keys and sections of other programs."""
    os.makedirs(path)
    with open(os.path.join(path, "notes.txt"), "w") as notes:
        notes.write("not ours\n")
    if state == "others":
        with open(os.path.join(path, "desktop.ini"), "w", newline="") as ini:
            ini.write("[.ShellClassInfo]\r\nLocalizedResourceName=Photos\r\n"
                      "[ViewState]\r\nMode=4\r\n")
    if state in ("earlier", "others"):
        code, _, err = ctl("set", path, *ctl_args(earlier_choice), app=EARLIER)
        assert code == 0, err


roots = {side: os.path.join(work, side) for side in ("A", "B")}
cases = []
# Every starting state with every kind of choice and every thumbnail option; icons and tips
# drawn at random. A folder customised before has an icon: the change log keeps no attribute
# bits, and a folder restored to its recorded icon takes the bits a confirmation of an icon
# gives.
combinations = [(state, kind, thumbnail, earlier_thumbnail)
                for state in ("plain", "earlier", "others")
                for kind in ("icon", "standard", "current")
                for thumbnail in (None, "on", "off")
                for earlier_thumbnail in ("on", "off")]
combinations = [c for c in combinations if c[0] != "plain" or c[3] == "off"]
if WINE:
    # A start of a program costs more there: a folder customised before keeps its thumbnail
    # view only where the new choice could drop it, the standard icon.
    combinations = [c for c in combinations
                    if c[3] == ("on" if c[1] == "standard" and c[0] != "plain" else "off")]
CASES = len(combinations)
for n, (state, kind, thumbnail, earlier_thumbnail) in enumerate(combinations):
    earlier = random_choice("icon", earlier_thumbnail)
    choice = random_choice(kind, thumbnail)
    name = "case%02d-%s" % (n, state)
    for root in roots.values():
        make_folder(os.path.join(root, name), state, earlier)
    cases.append((name, choice))

before = tree(roots["A"])
before_text = tree(roots["A"], ini_as_text=True)
log_before = open(LOG, "rb").read() if os.path.exists(LOG) else b""

# --- --dry-run writes nothing ------------------------------------------------------------

for name, choice in cases:
    code, out, err = ctl("set", os.path.join(roots["A"], name), *ctl_args(choice), "--dry-run")
    check(code == 0 and out, "set --dry-run " + name, err)
check(tree(roots["A"]) == before and not os.path.exists(LOG), "set --dry-run changed nothing")

# --- set equals the dialog's confirmation ------------------------------------------------

for name, choice in cases:
    a, b = os.path.join(roots["A"], name), os.path.join(roots["B"], name)
    code, _, err = ctl("set", a, *ctl_args(choice))
    keep_creation_stamp(a)
    peer_code, peer_err = peer(b, *peer_args(choice))
    check(code == 0 and peer_code == 0, "set and the dialog confirm " + name, err + peer_err)
    check(tree(a) == tree(b), "set writes the dialog's bytes and attributes: %s %r"
          % (name, choice))
    check(log_records(LOG, a) == log_records(LOG, b) and log_records(LOG, a),
          "set logs what the dialog logs: " + name,
          "%r != %r" % (log_records(LOG, a), log_records(LOG, b)))

# --- show reads back what set wrote ------------------------------------------------------

code, out, err = ctl("show", *[os.path.join(roots["A"], n) for n, _ in cases], "--json")
shown = json.loads(out) if code == 0 else []
check(len(shown) == CASES, "show --json gives one entry per folder", err)
for (name, choice), entry in zip(cases, shown):
    kind, icon, index, tip, thumbnail = choice
    folder = os.path.join(roots["A"], name)
    ini = os.path.join(folder, "desktop.ini")
    exists = os.path.exists(ini)
    agrees = entry["folder"] == native(folder) and entry["desktopIni"] == exists
    agrees &= entry["iconFile"] == ((exists and ini_value(ini, ".ShellClassInfo", "IconFile"))
                                    or None)
    agrees &= entry["infoTip"] == ((exists and ini_value(ini, ".ShellClassInfo", "InfoTip")) or "")
    agrees &= entry["thumbnailView"] == (exists and ini_value(ini, "ExtShellFolderViews",
                                                              THUMBNAIL_ID) == THUMBNAIL_ID)
    if kind == "icon":
        agrees &= entry["iconFile"] == native(os.path.join(icons, icon))
        agrees &= entry["iconIndex"] == index
        agrees &= bool(entry["folderAttributes"] & (READ_ONLY | SYSTEM))
        agrees &= bool(entry["desktopIniAttributes"] & HIDDEN)
    if kind == "standard" and entry["desktopIni"]:
        agrees &= entry["iconFile"] is None
    if tip is not None:
        agrees &= entry["infoTip"] == " ".join(tip.split("\n")).rstrip()
    if thumbnail:
        agrees &= entry["thumbnailView"] == (thumbnail == "on")
    check(agrees, "show round-trips set: %s %r" % (name, choice), repr(entry))

# --- restore gives back every folder as it was -------------------------------------------

after_set = tree(roots["A"])
log_after_set = open(LOG, "rb").read()
code, out, err = ctl("restore", *[os.path.join(roots["A"], n) for n, _ in cases], "--dry-run")
check(code == 0 and tree(roots["A"]) == after_set and open(LOG, "rb").read() == log_after_set,
      "restore --dry-run changed nothing", err)
code, out, err = ctl("restore", *[os.path.join(roots["A"], n) for n, _ in cases])
check(code == 0, "restore of every folder", err)
restored = tree(roots["A"], ini_as_text=True)
for name, _ in cases:
    mine = {k: v for k, v in restored.items() if k.split(os.sep)[0] == name}
    then = {k: v for k, v in before_text.items() if k.split(os.sep)[0] == name}
    check(mine == then, "restore gives back %s byte for byte, attributes included" % name,
          repr({k: (then.get(k), mine.get(k)) for k in set(mine) | set(then)
                if mine.get(k) != then.get(k)}))

# --- check finds spoiled folders and --fix repairs them ----------------------------------

spoiled = os.path.join(work, "spoiled")
os.mkdir(spoiled)
spoils = ["not-hidden", "folder-not-read-only", "tip-edited", "icon-moved"]
for spoil in spoils:
    folder = os.path.join(spoiled, spoil)
    os.mkdir(folder)
    code, _, err = ctl("set", folder, "--icon", "folder-red-heart.ico", "--tip", "plain tip")
    assert code == 0, err
    keep_creation_stamp(folder)
good = tree(spoiled)
ini = lambda spoil: os.path.join(spoiled, spoil, "desktop.ini")


def set_attribute_byte(path, value):
    os.setxattr(path, "user.DOSATTRIB", b"0x%x\0" % value, follow_symlinks=False)


set_attribute_byte(ini("not-hidden"), attribute_byte(ini("not-hidden")) & ~HIDDEN)
folder = os.path.join(spoiled, "folder-not-read-only")
set_attribute_byte(folder, attribute_byte(folder) & ~(READ_ONLY | SYSTEM))
for spoil, old, new in (("tip-edited", "InfoTip=plain tip", "InfoTip=edited by hand"),
                        ("icon-moved", "IconFile=" + native(icons),
                         "IconFile=" + native("/gone/elsewhere"))):
    data = open(ini(spoil), "rb").read()
    open(ini(spoil), "wb").write(data.replace(old.encode(), new.encode()))

code, out, err = ctl("check", spoiled, "--recursive", "--json")
report = json.loads(out) if out else {}
kinds = {f["folder"].replace("\\", "/").rsplit("/", 1)[1]: [p["kind"] for p in f["problems"]]
         for f in report.get("folders", [])}
check(code == 1 and kinds == {"not-hidden": ["desktop-ini-not-hidden"],
                              "folder-not-read-only": ["folder-not-read-only"],
                              "tip-edited": ["log-mismatch"],
                              "icon-moved": ["icon-not-opening"]},
      "check finds each spoiled folder's problem", repr(kinds) + err)
code, out, err = ctl("check", spoiled, "--recursive", "--fix")
check(code == 0, "check --fix repairs every problem", out + err)
check(tree(spoiled) == good, "check --fix gives each folder back its confirmed state")
code, out, err = ctl("check", spoiled, "--recursive", "--json")
check(code == 0 and json.loads(out)["problems"] == 0, "no problem is left after --fix", out)

# --- bad input: a message, the exit status, nothing written ------------------------------

target = os.path.join(work, "bad")
os.mkdir(target)
open(os.path.join(work, "a-file"), "w").close()
everything = lambda: (tree(work), open(LOG, "rb").read())
untouched = everything()
for args, status, words in (
        (["set", target, "--icon", "folder-red-heart.ico", "--colour", "red"], 2, "--colour"),
        (["set", target], 2, "--icon"),
        (["set", target, "--standard", "--current"], 2, "--icon"),
        (["set", target, "--standard", "--thumbnail", "maybe"], 2, "maybe"),
        (["show"], 2, said("usage", "使い方")),
        (["frobnicate", target], 2, "frobnicate"),
        (["set", os.path.join(work, "missing"), "--standard"], 1, "missing"),
        (["set", os.path.join(work, "a-file"), "--standard"], 1, "a-file"),
        (["set", target, "--icon", "no-such-icon.ico"], 1, "no-such-icon.ico"),
        (["restore", target], 1, said("original state", "元の状態"))):
    code, out, err = ctl(*args)
    check(code == status and words in err and everything() == untouched,
          "%r: exit %d, a message, nothing written" % (args, status), "%d %r" % (code, err))
code, _, err = ctl("set", os.path.join(work, "missing"), "--standard", lang="ja_JP.UTF-8")
check("存在するフォルダではありません" in err, "messages in Japanese under a Japanese locale", err)

# A damaged record of the original state: nothing is guessed from it.
damaged = os.path.join(work, "damaged")
os.mkdir(damaged)
ctl("set", damaged, "--icon", "folder-red-heart.ico")
keep_creation_stamp(damaged)
text = open(LOG, encoding=ANSI).read()
key = next(line.split("=", 1)[0] for line in text.splitlines()
           if line.startswith(native(damaged) + ","))
open(LOG, "w", encoding=ANSI, newline="").write(
    text.replace(key + "=*,0,,,0", key + "=*,zero,,,0"))
untouched = everything()
code, _, err = ctl("restore", damaged)
check(code == 1 and said("damaged", "壊れて") in err and everything() == untouched,
      "a damaged record of the original state: exit 1, a message, nothing written", err)

# One bad folder among good ones: the others are still done.
good_one = os.path.join(work, "good-one")
os.mkdir(good_one)
code, _, err = ctl("set", os.path.join(work, "missing"), good_one, "--icon", "folder-red-heart.ico")
check(code == 1 and os.path.exists(os.path.join(good_one, "desktop.ini")),
      "a failed folder does not stop the others", err)

# Registration: the verb runs the dialog program beside zendrelctl. (Under Wine the tests of
# the dialog program's registration cover the registry's side.)
code, out, err = ctl("register") if not WINE else (0, "", "")
registry = os.path.join(work, "config", "zendrel", "registry.reg")
if not WINE:
    check(code == 0 and os.path.join(APP, "zendrel") in open(registry, encoding="utf-8",
                                                             errors="replace").read(),
          "register names the dialog program", err)
    code, out, err = ctl("unregister")
    check(code == 0 and os.path.join(APP, "zendrel") not in open(registry, encoding="utf-8",
                                                                 errors="replace").read(),
          "unregister removes it", err)

shutil.rmtree(work, ignore_errors=True)
print("%d failed" % len(failures) if failures else "all passed")
sys.exit(1 if failures else 0)
