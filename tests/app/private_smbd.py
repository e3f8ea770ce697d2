"""A private Samba server for the end-to-end tests: one share of a folder of the test's own,
served to guests, its state under the test's folder. The server runs in a network namespace
of its own on the default port, which nobody else can hold there; the client joins that
namespace. Needs root, smbd, smbclient, unshare, nsenter and ip."""
import os
import shutil
import subprocess
import time

TOOLS = ("smbd", "smbclient", "unshare", "nsenter", "ip")


def missing_tools():
    """What keeps a private server from running here: [] when nothing does."""
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    return missing + (["root"] if os.geteuid() != 0 else [])


class PrivateSmbd:
    def __init__(self, folder, share_name, share_path, netbios_name="ZENDRELTEST"):
        self.share_name = share_name
        for sub in ("private", "lock", "state", "cache", "pid", "ncalrpc"):
            os.makedirs(os.path.join(folder, sub), exist_ok=True)
        self.conf = os.path.join(folder, "smb.conf")
        settings = {"netbios name": netbios_name, "server role": "standalone server",
                    "interfaces": "lo", "bind interfaces only": "yes", "disable netbios": "yes",
                    "load printers": "no", "printing": "bsd", "printcap name": "/dev/null",
                    "map to guest": "Bad User", "guest account": "root",
                    "store dos attributes": "yes", "log file": os.path.join(folder, "log")}
        for sub, key in (("private", "private dir"), ("lock", "lock directory"),
                         ("state", "state directory"), ("cache", "cache directory"),
                         ("pid", "pid directory"), ("ncalrpc", "ncalrpc dir")):
            settings[key] = os.path.join(folder, sub)
        share = {"path": share_path, "guest ok": "yes", "read only": "no", "force user": "root"}
        with open(self.conf, "w") as f:
            for section, values in (("global", settings), (share_name, share)):
                f.write("[%s]\n" % section + "".join("%s = %s\n" % kv for kv in values.items()))
        # smbd signals its whole process group when it stops: it gets a session of its own.
        self.server = subprocess.Popen(
            [shutil.which("unshare"), "--net", "sh", "-c",
             "ip link set lo up && exec smbd -F --no-process-group -s \"$0\"", self.conf],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, start_new_session=True)

    def client(self, commands):
        """smbclient's output for `commands` on the share."""
        return subprocess.run(
            [shutil.which("nsenter"), "--net=/proc/%d/ns/net" % self.server.pid,
             shutil.which("smbclient"), "-s", self.conf, "-N", "//127.0.0.1/" + self.share_name,
             "-c", commands], capture_output=True, text=True).stdout

    def wait_until_serving(self, seconds=15):
        """"" once the share answers, else why it does not."""
        for _ in range(seconds * 10):
            if self.server.poll() is not None:
                return "smbd ended: " + self.server.stderr.read().decode()
            if "blocks" in self.client("ls"):
                return ""
            time.sleep(0.1)
        return "no answer in %d s" % seconds

    def stop(self):
        """Ends the server and every process it forked (they share its session's group)."""
        try:
            os.killpg(self.server.pid, 15)
        except OSError:
            pass
        try:
            self.server.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(self.server.pid, 9)
            self.server.wait()
