"""What the cross-build runs share: the Wine runner from the command line, and whether Wine
starts at all on this machine."""
import subprocess


def wine_runner(args):
    """The Wine runner and its options (--win64 for the 64-bit test build), taken from the
    front of `args`, which keeps the rest."""
    wine_run = [args.pop(0)]
    if args[0] == "--win64":
        wine_run.append(args.pop(0))
    return wine_run


def wine_starts(wine_run, prefix):
    """None when Wine runs a program in the prefix, else why not."""
    probe = subprocess.run([*wine_run, prefix, "cmd", "/c", "exit"], capture_output=True,
                           timeout=240)
    if probe.returncode == 0:
        return None
    return f"Wine does not run here ({probe.returncode}): {probe.stderr.decode(errors='replace')}"
