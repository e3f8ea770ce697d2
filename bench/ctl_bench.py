#!/usr/bin/env python3
"""zendrelctl on many folders at once, against the dialog program confirming one.

Makes FOLDERS empty folders, gives them all one icon and tip with one `zendrelctl set`, then
takes it back with one `zendrelctl restore`, and checks that every folder is as it was. The
figure per folder is set with its share of the process, against one confirmation through the
dialog program (its run with the clicks played, one process per folder as a user would start
it; median of ROUNDS folders). Prints the ratio.

Usage: ctl_bench.py ZENDRELCTL DIALOG ICON_FOLDER [FOLDERS] [ROUNDS]
(build/linux-release/src/zendrelctl build/linux-release/bench/ctl_bench_dialog assets/Zendrel.icon)
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

CTL, DIALOG, ASSETS = sys.argv[1:4]
FOLDERS = int(sys.argv[4]) if len(sys.argv) > 4 else 1000
ROUNDS = int(sys.argv[5]) if len(sys.argv) > 5 else 21

work = tempfile.mkdtemp(prefix="zendrelctl-bench-")
try:
    app, icons, logs = (os.path.join(work, n) for n in ("app", "icons", "logs"))
    os.mkdir(app)
    os.mkdir(logs)
    shutil.copytree(ASSETS, icons)
    for program in (CTL, DIALOG):
        shutil.copy(program, app)
    # The standard folder icon, which the Linux registry names beside the program.
    shutil.copy(os.path.join(os.path.dirname(os.path.abspath(ASSETS)), "zendrel-folder.ico"), app)
    with open(os.path.join(app, "ZenConfig.ini"), "w", newline="") as config:
        config.write("[ZendrelConfig]\r\nDefaultIconPath=%s\r\nDefaultLogPath=%s\r\n"
                     % (icons, logs))
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(XDG_DATA_HOME=os.path.join(work, "data"),
               XDG_CONFIG_HOME=os.path.join(work, "config"),
               XDG_RUNTIME_DIR=work, HOME=work)
    ctl = os.path.join(app, os.path.basename(CTL))
    dialog = os.path.join(app, os.path.basename(DIALOG))

    folders = [os.path.join(work, "many", "f%04d" % n) for n in range(FOLDERS)]
    for folder in folders:
        os.makedirs(folder)

    def timed(*command):
        start = time.perf_counter()
        done = subprocess.run(command, env=env, capture_output=True, text=True)
        if done.returncode != 0:
            sys.exit("%s failed: %s" % (command[1], done.stderr[-2000:]))
        return time.perf_counter() - start

    set_time = timed(ctl, "set", *folders, "--icon", "folder-red-heart.ico", "--tip", "bench")
    customised = sum(os.path.exists(os.path.join(f, "desktop.ini")) for f in folders)
    restore_time = timed(ctl, "restore", *folders)
    left = sum(len(os.listdir(f)) for f in folders)
    if customised != FOLDERS or left != 0:
        sys.exit("set customised %d of %d folders; restore left %d files" % (customised,
                                                                          FOLDERS, left))

    one = []
    for n in range(ROUNDS):
        folder = os.path.join(work, "one", "f%02d" % n)
        os.makedirs(folder)
        one.append(timed(dialog, folder, "folder-red-heart.ico", "0", "bench", "."))
    dialog_time = statistics.median(one)

    print("folders: %d (each set, then restored to its original state)" % FOLDERS)
    print("zendrelctl set:     %.1f ms per folder (%.2f s in all)"
          % (1000 * set_time / FOLDERS, set_time))
    print("zendrelctl restore: %.1f ms per folder (%.2f s in all)"
          % (1000 * restore_time / FOLDERS, restore_time))
    print("dialog program, one confirmation: %.1f ms (median of %d)" % (1000 * dialog_time,
                                                                       ROUNDS))
    print("ratio set per folder / dialog confirmation: %.2f" % (set_time / FOLDERS / dialog_time))
    print("ratio restore per folder / dialog confirmation: %.2f"
          % (restore_time / FOLDERS / dialog_time))
finally:
    shutil.rmtree(work, ignore_errors=True)
