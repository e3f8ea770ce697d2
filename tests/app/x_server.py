"""An X server of a test's own, for the end-to-end tests that drive the real program."""
import os
import subprocess


def start_x_server(size="1280x1024x24"):
    """Starts Xvfb on a display it picks itself and tells, so that two tests never race for a
    number; returns the server process and the display's name. The pipe the number came
    through stays open: the server writes to it again later, and dies if it cannot."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", size,
                               "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write)
    number = os.read(read, 16).decode().strip()
    if not number:
        server.wait()
        raise RuntimeError("Xvfb did not start")
    return server, ":" + number
