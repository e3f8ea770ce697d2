#!/usr/bin/env python3
"""The real zendrel and the Linux desktop, in a fresh home, on a session bus of its own with
GVfs's metadata service and an X server of its own (Xvfb):

- registering (started without a folder, Yes) writes the verb for every common file manager,
  uca.xml stays valid XML, no application entry is written and xdg-mime never names
  Zendrel as the folder handler; removing takes every file away again;
- OK with an icon: `gio info -a metadata::custom-icon` names a PNG whose pixels are the
  icon's largest image (decoded by ImageMagick as the oracle), and .directory names the same
  file; Cancel changes neither; a folder whose desktop.ini a Windows user wrote shows its
  icon once confirmed; the standard icon clears both;
- a real file manager (Nemo) shows the customised folders, and the verb in its context menu
  starts Zendrel on the folder clicked; with a SCREENSHOT path, its window is saved there
  (and the open menu beside it, "-menu.png").

Usage: file_manager_e2e.py ZENDREL ICON_FOLDER [SCREENSHOT.png]
Exit status 77 (skipped) only when dbus-run-session or GVfs is not installed.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse

from x_server import start_x_server

ZENDREL, ASSETS = sys.argv[1], sys.argv[2]
SHOT = sys.argv[3] if len(sys.argv) > 3 else ""
SKIP = 77


def outer():
    """Makes the fresh home and runs the checks inside a private session bus, so that the
    metadata service it starts keeps its database in that home too."""
    for tool in ("dbus-run-session", "/usr/libexec/gvfsd-metadata", "gio", "xmllint"):
        if not shutil.which(tool) and not os.path.exists(tool):
            print("SKIP: %s is not installed" % tool)
            return SKIP
    work = tempfile.mkdtemp(prefix="zendrel-fm-e2e-")
    try:
        home = os.path.join(work, "home")
        for folder in ("home", "runtime", "xdg/Thunar", "app", "icons"):
            os.makedirs(os.path.join(work, folder), mode=0o700)
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("XDG_", "DBUS_")) and k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(HOME=home, XDG_RUNTIME_DIR=os.path.join(work, "runtime"),
                   XDG_CONFIG_DIRS=os.path.join(work, "xdg"), ZENDREL_E2E_WORK=work)
        return subprocess.run(["dbus-run-session", "--", sys.executable, *sys.argv],
                              env=env).returncode
    finally:
        shutil.rmtree(work, ignore_errors=True)


if "ZENDREL_E2E_WORK" not in os.environ:
    sys.exit(outer())

WORK = os.environ["ZENDREL_E2E_WORK"]
HOME = os.environ["HOME"]
DATA, CONFIG = os.path.join(HOME, ".local/share"), os.path.join(HOME, ".config")
failed = 0


def check(condition, what, detail=""):
    global failed
    print(("ok: " if condition else "FAIL: ") + what + ("" if condition or not detail else
                                                       ": " + detail), flush=True)
    failed |= not condition


xvfb, display = start_x_server("1024x640x24")
os.environ.update(DISPLAY=display, QT_QPA_PLATFORM="xcb")
app = os.path.join(WORK, "app", "zendrel")
shutil.copy(ZENDREL, app)
shutil.copy(os.path.join(os.path.dirname(ZENDREL), "zendrel-folder.ico"), os.path.dirname(app))
icons = os.path.join(WORK, "icons")
for name in ("folder-blue-cloud.ico", "folder-red-heart.ico"):
    shutil.copy(os.path.join(ASSETS, name), icons)
with open(os.path.join(WORK, "app", "ZenConfig.ini"), "w", newline="") as config:
    config.write("[ZendrelConfig]\r\nDefaultIconPath=%s\r\nOutputLogFile=0\r\n" % icons)
# Thunar's system actions, which a user without a uca.xml of their own starts from.
SEED = ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action>\n\t<icon>utilities-"
        "terminal</icon>\n\t<name>Open Terminal Here</name>\n\t<unique-id>1-1</unique-id>\n\t"
        "<command>exo-open --working-directory %f --launch TerminalEmulator</command>\n\t"
        "<description>Example</description>\n\t<patterns>*</patterns>\n\t<directories/>\n"
        "</action>\n</actions>\n")
open(os.path.join(WORK, "xdg/Thunar/uca.xml"), "w").write(SEED)


def run(*args, **kwargs):
    return subprocess.run(list(args), capture_output=True, text=True, **kwargs)


def windows(name):
    return run("xdotool", "search", "--onlyvisible", "--name", name).stdout.split()


def press_until_gone(window, keys):
    for _ in range(20):
        run("xdotool", "windowfocus", "--sync", window)
        for key in keys:
            run("xdotool", "key", "--delay", "30", key)
            time.sleep(0.1)
        time.sleep(0.3)
        if window not in windows("."):
            return True
        keys = ["Return"]
    return False


def answer(message):
    """Presses Enter (the default button) on the message box of that message."""
    for _ in range(150):
        for window in windows("^zendrel$"):
            if '"zendrel-message-%d"' % message in run("xprop", "-id", window,
                                                       "WM_WINDOW_ROLE").stdout:
                return press_until_gone(window, ["Return"])
        time.sleep(0.1)
    return False


def toggle_registration(asked, told):
    process = subprocess.Popen([app], stderr=subprocess.PIPE, text=True)
    answered = answer(asked) and answer(told)
    try:
        process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()
    return answered and process.returncode == 0


def choose(folder, keys):
    """Starts zendrel on the folder and types the keys into its chooser."""
    process = subprocess.Popen([app, folder], stderr=subprocess.PIPE, text=True)
    for _ in range(300):
        found = windows("^Zendrel$")
        if found or process.poll() is not None:
            break
        time.sleep(0.1)
    if not found:
        process.kill()
        return "no chooser: " + process.communicate()[1]
    time.sleep(0.3)
    run("xdotool", "windowfocus", "--sync", found[0])
    for key in keys:
        run("xdotool", "key", "--delay", "30", key)
        time.sleep(0.1)
    try:
        process.wait(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()
        return "zendrel did not end"
    return "" if process.returncode == 0 else "exit status %d" % process.returncode


def custom_icon(folder):
    out = run("gio", "info", "-a", "metadata::custom-icon", folder).stdout
    for line in out.splitlines():
        if "metadata::custom-icon:" in line:
            return line.split(": ", 1)[1].strip()
    return ""


def directory_icon(folder):
    try:
        for line in open(os.path.join(folder, ".directory"), encoding="utf-8"):
            if line.startswith("Icon="):
                return line[5:].rstrip("\n")
    except OSError:
        pass
    return None


def rgba(image):
    """The pixels as ImageMagick decodes them, transparent ones all 0."""
    size = run("identify", "-format", "%w %h", image).stdout.split()
    data = subprocess.run(["convert", image, "-depth", "8", "rgba:-"], capture_output=True).stdout
    pixels = [data[i:i + 4] if data[i + 3] else b"\0\0\0\0" for i in range(0, len(data), 4)]
    return size, pixels


def shows(folder, ico, what):
    """Checks that GIO and .directory name one PNG whose pixels are the icon's largest image."""
    uri = custom_icon(folder)
    check(uri.startswith("file://"), what + ": gio info names a custom icon", repr(uri))
    png = urllib.parse.unquote(urllib.parse.urlparse(uri).path)
    check(png.startswith(os.path.join(DATA, "zendrel/icons/")) and png.endswith(".png"),
          what + ": the PNG lies under $XDG_DATA_HOME/zendrel/icons", png)
    check(directory_icon(folder) == png, what + ": .directory names the same file",
          str(directory_icon(folder)))
    check(os.path.exists(png) and rgba(png) == rgba(ico + "[0]"),
          what + ": the PNG's pixels are the icon's largest image")


try:
    # --- registration in a fresh home ---
    old = os.path.join(DATA, "applications/org.zendrel.zendrel.desktop")
    os.makedirs(os.path.dirname(old))
    open(old, "w").write("[Desktop Entry]\nType=Application\nName=Zendrel...\nExec=/x %f\n"
                         "MimeType=inode/directory;\nNoDisplay=true\n")
    def folder_handler(desktop):
        """xdg-mime's answer on a system where no other program opens folders."""
        return run("xdg-mime", "query", "default", "inode/directory",
                   env=dict(os.environ, XDG_CURRENT_DESKTOP=desktop,
                            XDG_DATA_DIRS=os.path.join(WORK, "no-system-data"))).stdout

    check("zendrel" in folder_handler("XFCE"),
          "xdg-mime names the earlier version's entry (so the check below can fail)")
    check(toggle_registration(102, 104), "registered: messages 102 and 104")
    menus = {
        "Dolphin": os.path.join(DATA, "kio/servicemenus/org.zendrel.zendrel.desktop"),
        "Nautilus": os.path.join(DATA, "nautilus/scripts/Zendrel..."),
        "Nemo": os.path.join(DATA, "nemo/actions/org.zendrel.zendrel.nemo_action"),
        "Caja and PCManFM-Qt": os.path.join(DATA, "file-manager/actions/org.zendrel.zendrel.desktop"),
    }
    for manager, path in menus.items():
        check(os.path.isfile(path) and app in open(path).read(), manager + ": the verb's file")
    uca = os.path.join(CONFIG, "Thunar/uca.xml")
    lint = run("xmllint", "--noout", uca)
    check(lint.returncode == 0 and "org.zendrel.zendrel" in open(uca).read() and
          "<unique-id>1-1</unique-id>" in open(uca).read(),
          "Thunar: our action in a valid uca.xml beside the system's", lint.stderr)
    check(not os.path.exists(old), "the earlier version's application entry is gone")
    for desktop in ("XFCE", "LXQt", ""):
        handler = folder_handler(desktop)
        check("zendrel" not in handler.lower(), "xdg-mime (%s) names no Zendrel handler" %
              (desktop or "no desktop"), handler)

    # --- the chosen icon ---
    view = os.path.join(HOME, "Pictures")
    holiday, windows_made, plain = (os.path.join(view, n) for n in
                                    ("Holiday 2026", "From Windows", "Plain"))
    for folder in (holiday, windows_made, plain):
        os.makedirs(folder)
    blue, red = (os.path.join(icons, n) for n in ("folder-blue-cloud.ico", "folder-red-heart.ico"))
    result = choose(holiday, ["Right", "Return"])
    check(result == "", "OK with the first catalogue icon", result)
    shows(holiday, blue, "chosen icon")

    before = (custom_icon(holiday), open(os.path.join(holiday, ".directory"), "rb").read())
    check(choose(holiday, ["Right", "Right", "Right", "Escape"]) == "", "Cancel")
    check((custom_icon(holiday), open(os.path.join(holiday, ".directory"), "rb").read()) ==
          before, "Cancel: metadata and .directory untouched")

    # A folder a Windows user customised: an icon beside desktop.ini, the folder read-only.
    shutil.copy(red, os.path.join(windows_made, "heart.ico"))
    open(os.path.join(windows_made, "desktop.ini"), "wb").write(
        b"[.ShellClassInfo]\r\nIconFile=heart.ico\r\nIconIndex=0\r\n")
    os.setxattr(windows_made, "user.DOSATTRIB", b"0x11")
    check(custom_icon(windows_made) == "", "Windows-made folder: nothing before Zendrel ran")
    check(choose(windows_made, ["Return"]) == "", "Windows-made folder: its current icon confirmed")
    shows(windows_made, os.path.join(windows_made, "heart.ico"), "Windows-made folder")

    # --- a real file manager: the icons shown, and the verb run from its menu ---
    if shutil.which("nemo"):
        nemo = subprocess.Popen(["nemo", "--no-desktop", view], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        for _ in range(200):
            if windows("Pictures"):
                break
            time.sleep(0.1)
        time.sleep(3)  # icons load after the window maps
        found = windows("Pictures")
        check(bool(found), "Nemo shows the folder")
        if SHOT and found:
            run("import", "-window", found[0], SHOT)
            check(os.path.exists(SHOT), "screenshot saved to " + SHOT)
        if found:
            # "Plain" is the third icon of the row; its menu's fifth item is the verb.
            run("xdotool", "windowfocus", "--sync", found[0])
            run("xdotool", "mousemove", "--window", found[0], "485", "150", "click", "3")
            time.sleep(1)
            if SHOT:
                run("import", "-window", "root", "-crop", "800x550+0+0", SHOT[:-4] + "-menu.png")
            for key in ["Down"] * 5 + ["Return"]:
                run("xdotool", "key", key)
                time.sleep(0.2)
            chooser = []
            for _ in range(200):
                chooser = windows("^Zendrel$")
                if chooser:
                    break
                time.sleep(0.1)
            check(bool(chooser), "Nemo's menu started Zendrel")
            if chooser:
                time.sleep(0.3)
                press_until_gone(chooser[0], ["Right", "Right", "Return"])
                for _ in range(100):
                    if custom_icon(plain):
                        break
                    time.sleep(0.1)
                shows(plain, red, "folder customised from Nemo's menu")
        nemo.terminate()
        nemo.wait()
    else:
        print("note: nemo is not installed; no screenshot")

    # --- the standard icon clears both ---
    check(choose(holiday, ["Right", "Return"]) == "", "OK with the standard icon")
    check(custom_icon(holiday) == "" and directory_icon(holiday) is None,
          "standard icon: metadata and .directory cleared",
          "%r %r" % (custom_icon(holiday), directory_icon(holiday)))

    # --- removal ---
    check(toggle_registration(103, 105), "removed: messages 103 and 105")
    for manager, path in menus.items():
        check(not os.path.exists(path), manager + ": the verb's file is gone")
    check(open(uca).read() == SEED, "Thunar: uca.xml back to the system's actions byte for byte")
finally:
    xvfb.terminate()
    xvfb.wait()
sys.exit(failed)
