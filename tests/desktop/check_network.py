"""Equipment behind a serial device server, as the window reaches it: a dosdevices/comN link
whose target is an rfc2217:// name is listed as a network port and updates like any other."""

import os
import socket
import subprocess

from desktop import end_processes, holds, wait_for
from programtest import ProgramTest


def free_loopback_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening(port):
    """Whether a socket listens on the port, read from /proc: no connection is made."""
    with open("/proc/net/tcp") as table:
        rows = [line.split() for line in table.readlines()[1:]]
    return any(row[3] == "0A" and row[1].endswith(f":{port:04X}") for row in rows)


class NetworkPort(ProgramTest):
    settings = {"PORT": "40"}

    def setUp(self):
        super().setUp()
        self.device = device = os.path.realpath(os.path.join(self.p.links, "com9"))
        port = free_loopback_port()
        config = os.path.join(self.p.dir, "ser2net.yaml")
        with open(config, "w") as f:
            f.write("connection: &rack1\n"
                    f"  accepter: telnet(rfc2217),tcp,127.0.0.1,{port}\n"
                    f"  connector: serialdev,{device},9600n81,local\n"
                    "  options:\n    chardelay: false\n")
        self.server = server = subprocess.Popen(["ser2net", "-n", "-c", config], stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(end_processes, server)
        wait_for(lambda: listening(port), what="ser2net listening")
        self.name = f"rfc2217://127.0.0.1:{port}"
        os.symlink(self.name, os.path.join(self.p.links, "com40"))

    def test_a_link_to_a_network_name_is_listed_and_updates_like_any_port(self):
        self.start()
        text = self.d.read_text(self.shot(name="listed"))
        self.assertIn("Com 40 - Network Port", text)
        self.press_update()
        # The program reaches the equipment through ser2net, which opens the line then.
        wait_for(lambda: holds(self.server.pid, self.device), what="ser2net to open the line")
        self.p.power_on()
        wait_for(lambda: "Update Complete" in self.d.read_text(self.shot()), timeout=30,
                 what="the update through ser2net to complete")
        with open(self.p.received) as f:
            received = f.read()
        sent = []
        for name in os.listdir(self.p.code):
            with open(os.path.join(self.p.code, name)) as f:
                sent.append(f.read())
        self.assertIn(received, sent, "the equipment got other bytes than a code file")
