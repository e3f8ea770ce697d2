#!/usr/bin/env python3
"""Japanese text on a share that a Japanese Windows machine and a Linux machine use together.

    code_page_peers.py WINE_RUN PREFIX WINDOWS_PEER LINUX_PEER LINUX_QT_TEST

The Windows build (under Wine, ANSI code page 932) makes an icon folder whose catalogue file
labels its icon in Japanese, customises a Japanese-named folder with a Japanese info tip and
logs it in the shared change log. The Linux build then reads the tip and the labels (also in
its chooser's widgets) and confirms the folder unchanged; the Windows build reads the same tip
back and confirms again. The log keeps one FolderLog record for the folder throughout, and
its FolderOrg keys name that one folder.

The share is a folder that Wine serves as \\\\SERVER\\share; the Linux build finds it in a
mount table of the test's own. Exits 77 (skipped) when the Linux build has not been made or
Wine cannot run.
"""
import os
import shutil
import subprocess
import sys
import tempfile

from wine_peer import wine_runner, wine_starts

CP932 = "cp932"  # Python's own table of Windows code page 932, independent of both builds
FOLDER, TIP, LABEL, ICON_TIP = "資料ソ表", "ソフト表示", "能面ソ", "表ーア"


def run(what, command, env=None):
    result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=240)
    if result.returncode != 0:
        sys.exit(f"{what} failed ({result.returncode}):\n{result.stdout}\n{result.stderr}")
    return result.stdout


def read(path):
    with open(path, "rb") as f:
        return f.read()


def expect(held, what):
    if not held:
        sys.exit(what)


def main():
    args = sys.argv[1:]
    wine_run = wine_runner(args)
    prefix, windows_peer, linux_peer, qt_test = args[:4]
    if not (os.path.exists(linux_peer) and os.path.exists(qt_test)):
        print("the Linux build's programs are not there: build the linux preset first")
        return 77
    why_not = wine_starts(wine_run, prefix)
    if why_not:
        print(why_not)
        return 77
    server = f"zendrel-cp-{os.getpid()}"
    unc = os.path.join(os.path.realpath(prefix), "dosdevices", "unc", server)
    share = os.path.join(unc, "share")
    os.makedirs(share)
    scratch = tempfile.mkdtemp(prefix="zendrel-peers-")
    try:
        mountinfo = os.path.join(scratch, "mountinfo")
        with open(mountinfo, "w") as f:
            f.write("36 1 0:40 / / rw - ext4 /dev/sda1 rw\n"
                    f"90 36 0:55 / {share} rw - cifs //{server}/share rw\n")
        linux_env = dict(os.environ, ZENDREL_MOUNTINFO=mountinfo, QT_QPA_PLATFORM="offscreen",
                         ZENDREL_WINDOWS_SHARE=share)
        folder = os.path.join(share, "work", FOLDER)
        settings = os.path.join(folder, "desktop.ini")
        catalogue = os.path.join(share, "icons", "Zendrel.ini")
        log = os.path.join(share, "app", "Zendrel.LAN.log")

        # Windows writes: everything in its code page, no byte-order mark.
        run("the Windows build's write", [*wine_run, prefix, windows_peer, "write", share, server])
        written = read(settings)
        expect(b"InfoTip=" + TIP.encode(CP932) + b"\r\n" in written,
               f"the Windows build's desktop.ini holds no Shift-JIS info tip: {written!r}")
        labels = read(catalogue)
        expect(LABEL.encode(CP932) in labels and ICON_TIP.encode(CP932) in labels,
               f"the Windows build's catalogue file is not in Shift-JIS: {labels!r}")
        key = f"\\\\{server}\\share\\work\\{FOLDER}".encode(CP932)
        expect(b"\n" + key + b"=" in read(log), f"the Windows build logged no {key!r}")

        # Linux shows the texts in its chooser, reads them and confirms the folder unchanged.
        shown = run("the Linux chooser", [qt_test, "--gtest_filter=*WindowsMachineWrote*"],
                    linux_env)
        expect("[  PASSED  ] 1 test" in shown, f"the chooser test did not run:\n{shown}")
        run("the Linux build's confirm", [linux_peer, "confirm", share, server], linux_env)
        rewritten = read(settings)
        expect(rewritten.startswith(b"\xff\xfe") and
               f"InfoTip={TIP}\r\n".encode("utf-16-le") in rewritten,
               f"the Linux build's desktop.ini lost the tip: {rewritten!r}")
        expect(read(catalogue) == labels, "the Linux build changed the catalogue file")

        # Windows reads the same tip back and confirms again.
        run("the Windows build's confirm", [*wine_run, prefix, windows_peer, "confirm", share,
                                            server])
        print("one folder, one tip, one FolderLog record, FolderOrg records of one folder")
        return 0
    finally:
        shutil.rmtree(unc, ignore_errors=True)
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
