#!/usr/bin/env python3
"""What the real zendrel writes, seen as Windows would see it, on real file systems.

NTFS: an image made with mkntfs and mounted with ntfs-3g. After a choice confirmed in the
chooser, ntfs-3g's system.ntfs_attrib_be shows R or S on the folder and H on desktop.ini,
and the file IconFile names opens from the volume's root after the volume is mounted
afresh. Mounted read-only, the same confirmation ends in the failure message, exit
status 1 and no change-log record.

Samba: a private smbd, this machine as the server, in a network namespace of its own (so
that no other program can hold or take its port). A folder inside the share is customised
with an icon from outside the share (a copy travels with the folder) and with one from
inside it (a universal name); smbclient's allinfo shows the attributes and smbclient fetches
the icon that IconFile names through the share. Choosing the standard icon removes the copy.

Usage: windows_sees_it_e2e.py ZENDREL ICON_FOLDER
Exit status 0 when every part ran and passed, 1 on a failure, 77 when a part could not run
here (each such part says why).
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from private_smbd import PrivateSmbd, missing_tools
from x_server import start_x_server

ZENDREL, ASSETS = sys.argv[1], sys.argv[2]
READ_ONLY, HIDDEN, SYSTEM = 0x01, 0x02, 0x04


if not shutil.which("Xvfb"):
    print("skip: Xvfb is not installed", flush=True)
    sys.exit(77)
xvfb, DISPLAY = start_x_server()
outcome = {"failed": False, "skipped": False}


def check(condition, what, detail=""):
    print(("ok: " if condition else "FAIL: ") + what + (": %s" % (detail,) if detail else ""),
          flush=True)
    outcome["failed"] |= not condition


def skip(why):
    print("skip: " + why, flush=True)
    outcome["skipped"] = True


work = tempfile.mkdtemp(prefix="zendrel-windows-e2e-")
app_dir, logs = os.path.join(work, "app"), os.path.join(work, "logs")
for sub in (app_dir, logs, os.path.join(work, "runtime")):
    os.mkdir(sub)
shutil.copy(ZENDREL, app_dir)
shutil.copy(os.path.join(os.path.dirname(ZENDREL), "zendrel-folder.ico"), app_dir)
LOG = os.path.join(logs, "Zendrel.log")
ENV = dict(os.environ, DISPLAY=DISPLAY, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=os.path.join(work, "runtime"),
           XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_DATA_HOME=os.path.join(work, "data"))


def use_icons(folder):
    with open(os.path.join(app_dir, "ZenConfig.ini"), "w", newline="") as config:
        config.write("[ZendrelConfig]\r\nDefaultIconPath=%s\r\nDefaultLogPath=%s\r\n"
                     % (folder, logs))


def window_named(pattern, process, seconds=30, besides=()):
    """The first visible window whose name matches (xdotool matches without regard to
    case), other than those given, while the process lives."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and process.poll() is None:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                               capture_output=True, text=True, env=ENV).stdout.split()
        found = [w for w in found if w not in besides]
        if found:
            return found[0]
        time.sleep(0.1)
    return None


def press(window, *keys):
    time.sleep(0.3)  # keys sent while the window is being mapped may be lost
    subprocess.run(["xdotool", "windowfocus", "--sync", window], env=ENV)
    for key in keys:
        subprocess.run(["xdotool", "key", "--delay", "30", key], env=ENV)
        time.sleep(0.1)


def confirm(folder, keys, expect_message=False):
    """Starts zendrel on the folder, types the keys into the chooser and, when a message
    box is expected, confirms it. The exit status, or None when a window never came."""
    process = subprocess.Popen([os.path.join(app_dir, "zendrel"), folder], env=ENV,
                               stderr=subprocess.PIPE, text=True)
    try:
        chooser = window_named("^Zendrel$", process)
        if chooser is None:
            check(False, "a chooser for " + folder, process.stderr.read() if
                  process.poll() is not None else "none within 30 s")
            return None
        press(chooser, *keys)
        # Each message box that follows the chooser is confirmed as a user would.
        messages = 0
        while expect_message:
            message = window_named("^zendrel$", process, 10, besides=(chooser,))
            if message is None:
                break
            messages += 1
            press(message, "Return")
            chooser = message
        if expect_message:
            check(messages > 0, "a message box after the confirmation")
        return process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        check(False, "zendrel ended on " + folder)
        return None
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def shell_class_info(ini):
    data = open(ini, "rb").read()
    text = data[2:].decode("utf-16-le") if data.startswith(b"\xff\xfe") else data.decode()
    return dict(re.findall(r"^(\w+)=(.*?)\r?$", text, re.M))


def is_ico(data):
    return len(data) > 6 and data[:4] == b"\0\0\1\0" and data[4] + 256 * data[5] > 0


def logged(folder):
    return os.path.exists(LOG) and ("\n" + folder + "=").encode() in open(LOG, "rb").read()


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


# --- NTFS through ntfs-3g ----------------------------------------------------------------

def ntfs_attributes(path):
    return int.from_bytes(os.getxattr(path, "system.ntfs_attrib_be"), "big")


def ntfs_part():
    missing = [p for p in ("mkntfs", "ntfs-3g", "fusermount") if not shutil.which(p)]
    if missing or os.geteuid() != 0 or not os.path.exists("/dev/fuse"):
        return skip("NTFS: needs root, /dev/fuse and " + ", ".join(missing or ["mkntfs"]))
    image, volume = os.path.join(work, "ntfs.img"), os.path.join(work, "volume")
    os.mkdir(volume)
    with open(image, "wb") as f:
        f.truncate(32 << 20)
    made = run("mkntfs", "-F", "-Q", "-q", "-L", "ZENDREL", image)
    if made.returncode != 0:
        return check(False, "mkntfs made the image", made.stderr)

    def mount(*options):
        mounted = run("ntfs-3g", *options, image, volume)
        if mounted.returncode != 0:
            skip("NTFS: ntfs-3g could not mount here: " + mounted.stderr.strip())
        return mounted.returncode == 0

    if not mount():
        return
    try:
        icons = os.path.join(work, "library")
        os.mkdir(icons)
        shutil.copy(os.path.join(ASSETS, "Extras.icl"), icons)  # the copy comes from a library
        use_icons(icons)
        photos, second = os.path.join(volume, "Photos"), os.path.join(volume, "Second")
        os.mkdir(photos)
        os.mkdir(second)
        check(confirm(photos, ["Right", "Right", "Return"]) == 0, "NTFS: a library icon confirmed")
        ini = os.path.join(photos, "desktop.ini")
        # Windows reads desktop.ini in a folder with R or S; a folder that is not hidden gets both.
        check(ntfs_attributes(photos) & (READ_ONLY | SYSTEM) == READ_ONLY | SYSTEM,
              "NTFS: the folder has R and S", hex(ntfs_attributes(photos)))
        check(os.path.exists(ini) and ntfs_attributes(ini) & HIDDEN,
              "NTFS: desktop.ini is hidden", os.path.exists(ini) and hex(ntfs_attributes(ini)))
        keys = shell_class_info(ini) if os.path.exists(ini) else {}
        icon_file = keys.get("IconFile", "")
        check(re.fullmatch(r"[^\\/:]+\.ico", icon_file) is not None and keys.get("IconIndex") == "0",
              "NTFS: IconFile names a copy in the folder, index 0", keys)
        check(logged(photos), "NTFS: the change is logged")
    finally:
        run("umount", volume)
    # Windows resolves the name against the folder: \Photos\<IconFile> from the volume's root,
    # on the volume as it is on disk.
    if not mount():
        return
    try:
        copy = os.path.join(volume, "Photos", *icon_file.split("\\"))
        check(os.path.isfile(copy) and is_ico(open(copy, "rb").read()),
              "NTFS: the icon IconFile names opens from the volume's root", copy)
        if os.path.isfile(copy):
            check(ntfs_attributes(copy) & (HIDDEN | SYSTEM) == HIDDEN | SYSTEM,
                  "NTFS: the copy is hidden and system", hex(ntfs_attributes(copy)))
    finally:
        run("umount", volume)
    # Read-only: the failure is said, the status is 1, and nothing is logged.
    if not mount("-o", "ro"):
        return
    try:
        status = confirm(second, ["Right", "Return"], expect_message=True)
        check(status == 1, "NTFS read-only: exit status 1", status)
        check(not os.path.exists(os.path.join(second, "desktop.ini")) and os.listdir(second) == [],
              "NTFS read-only: nothing written", os.listdir(second))
        check(not logged(second), "NTFS read-only: no change-log record")
    finally:
        run("umount", volume)


# --- This machine's Samba ----------------------------------------------------------------

def attributes(allinfo):
    """The attribute letters smbclient's allinfo reports ("attributes: HSA (26)")."""
    found = re.search(r"^attributes: ([A-Z]*) ", allinfo, re.M)
    return set(found.group(1)) if found else {"(none: %s)" % allinfo.strip()}


def samba_part():
    missing = missing_tools()
    if missing:
        return skip("Samba: needs " + ", ".join(missing))
    samba = os.path.join(work, "samba")
    share = os.path.join(samba, "share")
    os.makedirs(os.path.join(share, "icons"))
    smbd = PrivateSmbd(samba, "Files", share)
    conf, client = smbd.conf, smbd.client

    try:
        why = smbd.wait_until_serving()
        if why:
            return skip("Samba: smbd did not start: " + why)
        ENV["ZENDREL_SMB_CONF"] = conf
        outside = os.path.join(work, "icons")
        os.mkdir(outside)
        blue = os.path.join(ASSETS, "folder-blue-cloud.ico")
        shutil.copy(blue, outside)
        shutil.copy(blue, os.path.join(share, "icons"))

        # An icon from outside the share travels with the folder.
        use_icons(outside)
        docs = os.path.join(share, "Docs")
        os.mkdir(docs)
        check(confirm(docs, ["Right", "Return"]) == 0, "Samba: an icon from outside confirmed")
        keys = shell_class_info(os.path.join(docs, "desktop.ini"))
        icon_file = keys.get("IconFile", "")
        check(re.fullmatch(r"[^\\/:]+\.ico", icon_file) is not None and keys.get("IconIndex") == "0",
              "Samba: IconFile names a copy in the folder", keys)
        folder_info = attributes(client("allinfo Docs"))
        check({"R", "S", "D"} <= folder_info, "smbclient: the folder is read-only and system",
              folder_info)
        file_info = attributes(client("allinfo Docs\\desktop.ini"))
        check("H" in file_info, "smbclient: desktop.ini is hidden", file_info)
        copy_info = attributes(client("allinfo \"Docs\\%s\"" % icon_file))
        check({"H", "S"} <= copy_info, "smbclient: the copy is hidden and system", copy_info)
        fetched = os.path.join(work, "fetched.ico")
        client("get \"Docs\\%s\" %s" % (icon_file, fetched))
        check(os.path.exists(fetched) and open(fetched, "rb").read() == open(blue, "rb").read(),
              "smbclient fetches the icon IconFile names, the .ico as it was")

        # An icon inside the share is named by its universal name.
        use_icons(os.path.join(share, "icons"))
        music = os.path.join(share, "Music")
        os.mkdir(music)
        check(confirm(music, ["Right", "Return"]) == 0, "Samba: an icon from the share confirmed")
        icon_file = shell_class_info(os.path.join(music, "desktop.ini")).get("IconFile", "")
        named = re.fullmatch(r"\\\\ZENDRELTEST\\Files\\(.+)", icon_file)
        check(named is not None, "Samba: IconFile is the universal name", icon_file)
        check(sorted(os.listdir(music)) == ["desktop.ini"], "Samba: no copy beside it",
              os.listdir(music))
        if named:
            os.remove(fetched)
            client("get \"%s\" %s" % (named.group(1), fetched))
            check(os.path.exists(fetched) and open(fetched, "rb").read() == open(blue, "rb").read(),
                  "smbclient fetches the icon through the share the universal name names")

        # The standard icon takes the copy away with the customisation.
        copy_name = shell_class_info(os.path.join(docs, "desktop.ini")).get("IconFile", "")
        check(confirm(docs, ["Right", "Return"]) == 0, "Samba: the standard icon confirmed")
        check(os.listdir(docs) == [], "Samba: desktop.ini and the copy are gone", os.listdir(docs))
        check("NT_STATUS_OBJECT_NAME_NOT_FOUND" in client("allinfo \"Docs\\%s\"" % copy_name),
              "smbclient: no copy after the standard icon")
    finally:
        smbd.stop()


for part in (ntfs_part, samba_part):
    try:
        part()
    except Exception as error:  # a step that could not even be checked fails like the others
        check(False, "%s stopped: %r" % (part.__name__, error))
shutil.rmtree(work, ignore_errors=True)
xvfb.terminate()
xvfb.wait()
sys.exit(1 if outcome["failed"] else 77 if outcome["skipped"] else 0)
