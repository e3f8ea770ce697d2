#!/usr/bin/env python3
"""The real zendrel customising real folders, driven with the keyboard as a user would.

Under an X server of its own (Xvfb), each case starts the program on a folder, waits for
the chooser, types keys into it (xdotool), and then checks the folder's desktop.ini byte for
byte, the attribute bytes of the folder and of that file (user.DOSATTRIB, where Samba keeps
them), Thumbs.db, and the change log. The cases walk a folder through every state Zendrel
knows: never customised, customised, customised with other programs' keys, and uncustomised
again; Cancel leaves everything as it was. Last, a private Samba server shares a folder and
smbclient sees what a Windows machine would.

Usage: customise_e2e.py ZENDREL ICON_FOLDER
"""
import atexit
import os
import shutil
import subprocess
import sys
import tempfile
import time

from private_smbd import PrivateSmbd, missing_tools
from x_server import start_x_server

ZENDREL, ASSETS = sys.argv[1], sys.argv[2]
THUMBNAIL_ID = "{8BEBB290-52D0-11d0-B7F4-00C04FD706EC}"
READ_ONLY, HIDDEN, SYSTEM, DIRECTORY, ARCHIVE = 0x01, 0x02, 0x04, 0x10, 0x20

failed = 0


def ok(what):
    print("ok:", what, flush=True)


def fail(what):
    global failed
    failed = 1
    print("FAIL:", what, flush=True)


def check(condition, what, detail=""):
    if condition:
        ok(what)
    else:
        fail(what + (": " + detail if detail else ""))


# --- DOS attributes as Samba stores them ------------------------------------------------

def dos_attributes(path):
    """The attribute byte of the entry, read the way Samba reads user.DOSATTRIB."""
    try:
        value = os.getxattr(path, "user.DOSATTRIB", follow_symlinks=False)
    except OSError:
        return DIRECTORY if os.path.isdir(path) else ARCHIVE
    end = value.find(b"\0")
    if end < 0 or end == len(value) - 1:  # the legacy text form, "0x15"
        return int(value[: end if end >= 0 else len(value)].decode(), 16) & 0x7F
    offset = (end + 2) & ~1
    version = int.from_bytes(value[offset : offset + 2], "little")
    offset = (offset + 4 + 3) & ~3
    if version not in (3, 4, 5):
        raise ValueError("unknown DOSATTRIB version %d" % version)
    return int.from_bytes(value[offset + 4 : offset + 8], "little") & 0x7F


def set_dos_attributes(path, attributes):
    os.setxattr(path, "user.DOSATTRIB", b"0x%x\0" % attributes, follow_symlinks=False)


# --- INI text, in whichever encoding a file has ----------------------------------------

def ini_text(path):
    data = open(path, "rb").read()
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le")
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8")
    return data.decode("utf-8")


def ini_sections(path):
    """{section: {key: value}} with names as written, for the assertions below; {} when
    the file is missing."""
    sections, current = {}, None
    if not os.path.exists(path):
        return sections
    for line in ini_text(path).splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1], {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key.strip()] = value.strip()
    return sections


def snapshot(root):
    """Every entry below root with its bytes and attribute byte."""
    tree = {"": ("", dos_attributes(root))}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            data = open(path, "rb").read() if os.path.isfile(path) else b""
            tree[os.path.relpath(path, root)] = (data, dos_attributes(path))
    return tree


# --- The X server and the program --------------------------------------------------------

work = tempfile.mkdtemp(prefix="zendrel-e2e-")


xvfb, display = start_x_server()


def stop_servers():
    # The smbd of this run, if one was started: the daemon and every helper it forked carry
    # our configuration file on their command line.
    mine = os.path.join(work, "samba", "smb.conf").encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if mine in open("/proc/%s/cmdline" % pid, "rb").read():
                os.kill(int(pid), 15)
        except OSError:
            pass
    xvfb.terminate()  # not killed: it removes its socket and lock file on the way out
    xvfb.wait()
    shutil.rmtree(work, ignore_errors=True)


atexit.register(stop_servers)

app_dir, icons, logs = (os.path.join(work, n) for n in ("app", "icons", "logs"))
for folder in (app_dir, icons, logs, os.path.join(work, "runtime"), os.path.join(work, "config")):
    os.mkdir(folder)
shutil.copy(ZENDREL, os.path.join(app_dir, "zendrel"))
# The standard folder icon that the registry's built-in value names, beside the program.
shutil.copy(os.path.join(os.path.dirname(ZENDREL), "zendrel-folder.ico"), app_dir)
# Two icons of our own set, without the set's catalogue file: labelled by their file names.
for name in ("folder-blue-cloud.ico", "folder-red-heart.ico"):
    shutil.copy(os.path.join(ASSETS, name), icons)
with open(os.path.join(app_dir, "ZenConfig.ini"), "w", newline="") as config:
    config.write("[ZendrelConfig]\r\nDefaultIconPath=%s\r\nDefaultLogPath=%s\r\n" % (icons, logs))
LOG = os.path.join(logs, "Zendrel.log")
ENV = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
           XDG_RUNTIME_DIR=os.path.join(work, "runtime"),
           XDG_CONFIG_HOME=os.path.join(work, "config"),
           XDG_DATA_HOME=os.path.join(work, "data"))


def xdotool(*args):
    return subprocess.run(["xdotool", *args], env=ENV, capture_output=True, text=True)


def chooser_window(process, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and process.poll() is None:
        found = xdotool("search", "--onlyvisible", "--name", "^Zendrel$").stdout.split()
        if found:
            return found[0]
        time.sleep(0.1)
    return None


def run(folder, keys, typed=None):
    """Starts zendrel on the folder, types `keys` (xdotool key names; a None stands for the
    text `typed`) into the chooser, and waits for the program to end. Its exit status, or
    None when no chooser came or the program did not end."""
    process = subprocess.Popen([os.path.join(app_dir, "zendrel"), folder], env=ENV,
                               stderr=subprocess.PIPE, text=True)
    window = chooser_window(process)
    if window is None:
        process.kill()
        fail("no chooser for %s: %s" % (folder, process.communicate()[1]))
        return None
    time.sleep(0.3)  # a key sent while the window is still being mapped may be lost
    xdotool("windowfocus", "--sync", window)
    # Keys go through the server (XTEST) to the focused chooser, as typed ones do: events
    # sent to one window would leave a key held down in the server when the window closes
    # between its press and its release.
    for key in keys:
        if key is None:
            xdotool("type", "--delay", "20", typed)
        else:
            xdotool("key", "--delay", "30", key)
        time.sleep(0.1)
    try:
        process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()
        fail("zendrel did not end after the keys for %s" % folder)
        return None
    return process.returncode


def new_folder(name):
    path = os.path.join(work, name)
    os.mkdir(path)
    return path


def log_record(section, key):
    if not os.path.exists(LOG):
        return None
    return ini_sections(LOG).get(section, {}).get(key)


CLEAR_TIP = ["Tab", "Tab", "ctrl+a", "BackSpace"]  # from the list to the info tip, emptied
blue, red = (os.path.join(icons, n) for n in ("folder-blue-cloud.ico", "folder-red-heart.ico"))

try:
    # Never customised, a catalogue icon: file, keys, folder R+S, file hidden.
    first = new_folder("First")
    check(run(first, ["Right", "Return"]) == 0, "first folder: chooser confirmed")
    ini = os.path.join(first, "desktop.ini")
    check(os.path.exists(ini) and open(ini, "rb").read() ==
          ("[.ShellClassInfo]\r\nIconFile=%s\r\nIconIndex=0\r\nConfirmFileOp=0\r\n" % blue).encode(),
          "catalogue icon on a new folder: desktop.ini byte for byte",
          repr(open(ini, "rb").read()) if os.path.exists(ini) else "missing")
    check(dos_attributes(first) == DIRECTORY | READ_ONLY | SYSTEM, "folder became R+S",
          hex(dos_attributes(first)))
    check(dos_attributes(ini) & (HIDDEN | READ_ONLY | SYSTEM) == HIDDEN, "desktop.ini hidden",
          hex(dos_attributes(ini)))
    record = log_record("FolderLog", first)
    check(record is not None and record.endswith(",folder-blue-cloud.ico,0,,0"),
          "FolderLog record", str(record))
    check(log_record("FolderOrg", first + "," + record.split(",")[0] if record else "") ==
          "*,0,,,0", "FolderOrg record of a folder that had no desktop.ini")

    # Never customised, the standard entry, no info tip, thumbnails off: nothing but Thumbs.db.
    plain = new_folder("Plain")
    open(os.path.join(plain, "Thumbs.db"), "wb").write(b"stale")
    check(run(plain, ["Return"]) == 0, "plain folder: chooser confirmed")
    check(os.listdir(plain) == [] and dos_attributes(plain) == DIRECTORY,
          "standard entry on a new folder: no file, no attribute, Thumbs.db gone",
          str(os.listdir(plain)))
    check(log_record("FolderLog", plain) is None, "no FolderLog record without a desktop.ini")

    # Never customised, the standard entry with an info tip and the thumbnail view: R only.
    tipped = new_folder("Tipped")
    check(run(tipped, ["Tab", "space", "Tab", None, "Return"], typed="Project papers") == 0,
          "tipped folder: chooser confirmed")
    sections = ini_sections(os.path.join(tipped, "desktop.ini"))
    check(sections.get(".ShellClassInfo") == {"InfoTip": "Project papers", "ConfirmFileOp": "0"},
          "info tip written", str(sections))
    check(sections.get("ExtShellFolderViews") == {THUMBNAIL_ID: THUMBNAIL_ID} and
          sections.get(THUMBNAIL_ID, {}).get("Attributes") == "0x60000000",
          "thumbnail block written", str(sections))
    check(dos_attributes(tipped) == DIRECTORY | READ_ONLY, "folder became R only",
          hex(dos_attributes(tipped)))

    # Cancel after picking, ticking and typing: the folder, its attributes and the log stay.
    before, log_before = snapshot(first), open(LOG, "rb").read()
    check(run(first, ["Right", "Right", "Tab", "space", "Tab", None, "Escape"], typed="x") == 0,
          "cancelled chooser ended")
    check(snapshot(first) == before and open(LOG, "rb").read() == log_before,
          "Cancel leaves the folder, its attributes and the log untouched")

    # Customised, the current-icon entry with a new info tip: the icon keys stay.
    check(run(first, CLEAR_TIP + [None, "Return"], typed="Kept icon") == 0,
          "current icon: chooser confirmed")
    sections = ini_sections(ini)
    check(sections.get(".ShellClassInfo", {}).get("IconFile") == blue and
          sections[".ShellClassInfo"].get("InfoTip") == "Kept icon",
          "current icon keeps IconFile, takes the info tip", str(sections))
    check(dos_attributes(first) == DIRECTORY | READ_ONLY | SYSTEM, "attributes unchanged")

    # Customised, another catalogue icon: the icon keys are replaced.
    check(run(first, ["Right", "Right", "Right", "Return"]) == 0, "another icon: confirmed")
    sections = ini_sections(ini)
    check(sections.get(".ShellClassInfo", {}).get("IconFile") == red, "IconFile replaced",
          str(sections))
    check(log_record("FolderLog", first).endswith(",folder-red-heart.ico,0,,0"),
          "FolderLog overwritten", str(log_record("FolderLog", first)))

    # Customised, nothing else in the file: the standard entry, no tip, no thumbnails removes
    # the customisation, with the folder's R and S.
    check(run(first, ["Right"] + CLEAR_TIP + ["Return"]) == 0, "removal: confirmed")
    check(not os.path.exists(ini) and dos_attributes(first) == DIRECTORY,
          "customisation removed: no desktop.ini, folder R and S cleared",
          hex(dos_attributes(first)))
    check(log_record("FolderLog", first) is None, "FolderLog record removed")
    check(len([k for k in ini_sections(LOG).get("FolderOrg", {}) if k.startswith(first + ",")])
          == 1, "FolderOrg kept, once")

    # Uncustomised again: as for a new folder.
    check(run(first, ["Right", "Right", "Return"]) == 0, "again: confirmed")
    check(ini_sections(ini).get(".ShellClassInfo", {}).get("IconFile") == red and
          dos_attributes(first) == DIRECTORY | READ_ONLY | SYSTEM,
          "a folder whose customisation was removed takes a new one")

    # Customised, with another program's section: the file stays with it, attributes too.
    shared = new_folder("Shared")
    shared_ini = os.path.join(shared, "desktop.ini")
    open(shared_ini, "wb").write(("[.ShellClassInfo]\r\nIconFile=%s\r\nIconIndex=0\r\n"
                                  "ConfirmFileOp=0\r\n[ViewState]\r\nMode=4\r\n" % blue).encode())
    set_dos_attributes(shared_ini, HIDDEN | ARCHIVE)
    set_dos_attributes(shared, DIRECTORY | READ_ONLY | SYSTEM)
    check(run(shared, ["Right"] + CLEAR_TIP + ["Return"]) == 0, "others' keys: confirmed")
    sections = ini_sections(shared_ini) if os.path.exists(shared_ini) else {}
    check(sections.get("ViewState") == {"Mode": "4"} and
          sections.get(".ShellClassInfo") == {"ConfirmFileOp": "0"},
          "the program's keys go, the other section and ConfirmFileOp stay", str(sections))
    check(dos_attributes(shared) == DIRECTORY | READ_ONLY | SYSTEM, "folder attributes kept")

    # A Samba share, as Windows machines see it.
    missing = missing_tools()
    if missing:
        print("skip: Samba check needs " + ", ".join(missing), flush=True)
    else:
        samba = os.path.join(work, "samba")
        os.makedirs(os.path.join(samba, "share"))
        smbd = PrivateSmbd(samba, "share", os.path.join(samba, "share"))
        atexit.register(smbd.stop)
        client = smbd.client
        why = smbd.wait_until_serving()
        if why:
            print("skip: smbd could not start: " + why, flush=True)
        else:
            docs = os.path.join(samba, "share", "Docs")
            os.mkdir(docs)
            run(docs, ["Right", "Tab", "Tab", None, "Return"], typed="On the share")
            folder_info, file_info = client("allinfo Docs"), client("allinfo Docs\\desktop.ini")
            check("attributes: RSD" in folder_info, "smbclient: folder read-only and system",
                  folder_info)
            check("attributes: HA" in file_info or "attributes: H " in file_info or
                  "attributes: H (" in file_info, "smbclient: desktop.ini hidden", file_info)
            text = client("get Docs\\desktop.ini /dev/stdout")
            check("InfoTip=On the share" in text, "smbclient reads desktop.ini's text", text)
            run(docs, ["Right"] + CLEAR_TIP + ["Return"])
            folder_info = client("allinfo Docs")
            check("attributes: D " in folder_info or "attributes: D (" in folder_info,
                  "smbclient: folder bits cleared after removal", folder_info)
            check("NT_STATUS_OBJECT_NAME_NOT_FOUND" in client("allinfo Docs\\desktop.ini"),
                  "smbclient: no desktop.ini after removal")
except Exception as error:  # a step that could not even be checked fails like the others
    fail("the run stopped: %r" % error)

sys.exit(failed)
