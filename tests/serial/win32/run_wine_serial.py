#!/usr/bin/env python3
"""Runs the Win32 serial suite under Wine with the ports it needs.

COM5 and COM6 are pseudo-terminals linked into the Wine prefix's dosdevices folder and bridged
here, so what one sends the other receives. ser2net serves two more over rfc2217:// and
socket://; their other sides echo what they get. The suite learns the names from
the environment. Every wait is bounded; the exit status is the suite's.

Usage: run_wine_serial.py TEST_EXE [gtest arguments...]
"""
import os
import pty
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import tty

SUITE_LIMIT_S = 240
PREFIX_LIMIT_S = 300
LISTEN_LIMIT_S = 10


def raw_pair():
    master, slave = pty.openpty()
    tty.setraw(slave)
    return master, slave, os.ttyname(slave)


def pump(stop, routes):
    """Copies bytes between masters: routes maps a source to its destination."""
    while not stop.is_set():
        ready, _, _ = select.select(list(routes), [], [], 0.1)
        for fd in ready:
            try:
                data = os.read(fd, 4096)
            except OSError:
                continue  # no reader on the other side yet
            if data:
                os.write(routes[fd], data)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_listening(port, process):
    deadline = time.monotonic() + LISTEN_LIMIT_S
    while time.monotonic() < deadline and process.poll() is None:
        with socket.socket() as probe:
            if probe.connect_ex(("127.0.0.1", port)) == 0:
                return True
        time.sleep(0.05)
    return False


def prepare_prefix(prefix, env):
    if os.path.isdir(os.path.join(prefix, "dosdevices")):
        return
    os.makedirs(prefix, exist_ok=True)
    subprocess.run(["wineboot", "-i"], env=env, timeout=PREFIX_LIMIT_S, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, timeout=PREFIX_LIMIT_S)


def link(dosdevices, name, target):
    path = os.path.join(dosdevices, name)
    if os.path.lexists(path):
        os.remove(path)
    os.symlink(target, path)


def serve_reply_and_hang_up(stop):
    """A server that answers what it is sent with "+" and closes at once; its address."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    listener.settimeout(0.1)

    def serve():
        while not stop.is_set():
            try:
                client, _ = listener.accept()
            except socket.timeout:
                continue
            with client:
                client.settimeout(LISTEN_LIMIT_S)
                try:
                    if client.recv(64):
                        client.sendall(b"+")
                except OSError:
                    pass
        listener.close()

    threading.Thread(target=serve, daemon=True).start()
    return f"socket://127.0.0.1:{listener.getsockname()[1]}"


def start_ser2net(folder, rfc_device, raw_device):
    rfc, raw = free_port(), free_port()
    config = os.path.join(folder, "ser2net.yaml")
    with open(config, "w") as out:
        ports = ((rfc, "telnet(rfc2217),", rfc_device), (raw, "", raw_device))
        for n, (port, kind, device) in enumerate(ports):
            out.write(f"connection: &port{n}\n  accepter: {kind}tcp,127.0.0.1,{port}\n"
                      f"  connector: serialdev,{device},57600n81,local\n"
                      "  options:\n    chardelay: false\n")
    log = open(os.path.join(folder, "ser2net.log"), "w")
    process = subprocess.Popen(["ser2net", "-n", "-d", "-c", config], stdin=subprocess.DEVNULL,
                               stdout=log, stderr=subprocess.STDOUT)
    for port in (rfc, raw):
        if not wait_listening(port, process):
            process.kill()
            sys.exit(f"ser2net did not listen on {port} within {LISTEN_LIMIT_S} s")
    return process, f"rfc2217://127.0.0.1:{rfc}", f"socket://127.0.0.1:{raw}"


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    exe = os.path.abspath(sys.argv[1])
    for tool in ("wine", "ser2net"):
        if not shutil.which(tool):
            sys.exit(f"{tool} is not installed (scripts/lib/deps.sh installs it)")
    env = dict(os.environ, WINEDEBUG="-all")
    env.setdefault("WINEPREFIX", os.path.join(os.path.dirname(exe), "wine-prefix"))
    prepare_prefix(env["WINEPREFIX"], env)
    dosdevices = os.path.join(env["WINEPREFIX"], "dosdevices")

    a_master, a_slave, a_name = raw_pair()
    b_master, b_slave, b_name = raw_pair()
    # One echoing device per server port: ser2net gives a device to one client at a time.
    r_master, r_slave, r_name = raw_pair()
    s_master, s_slave, s_name = raw_pair()
    link(dosdevices, "com5", a_name)
    link(dosdevices, "com6", b_name)
    stop = threading.Event()
    routes = {a_master: b_master, b_master: a_master, r_master: r_master, s_master: s_master}
    pumping = threading.Thread(target=pump, args=(stop, routes), daemon=True)
    pumping.start()

    with tempfile.TemporaryDirectory(prefix="vantoro-wine-") as folder:
        server, rfc, raw = start_ser2net(folder, r_name, s_name)
        env.update(VANTORO_TEST_COM_A="5", VANTORO_TEST_COM_B="6",
                   VANTORO_TEST_ECHO_RFC2217=rfc, VANTORO_TEST_ECHO_SOCKET=raw,
                   VANTORO_TEST_CLOSED_PORT=f"socket://127.0.0.1:{free_port()}",
                   VANTORO_TEST_REPLY_AND_HANG_UP=serve_reply_and_hang_up(stop))
        try:
            result = subprocess.run(["wine", exe] + sys.argv[2:], env=env,
                                    timeout=SUITE_LIMIT_S)
            status = result.returncode
        except subprocess.TimeoutExpired:
            print(f"the suite did not end within {SUITE_LIMIT_S} s", file=sys.stderr)
            subprocess.run(["wineserver", "-k"], env=env, timeout=30)
            status = 1
        finally:
            server.kill()
            server.wait()
            stop.set()
            pumping.join(timeout=5)
    for fd in (a_master, a_slave, b_master, b_slave, r_master, r_slave, s_master, s_slave):
        os.close(fd)
    sys.exit(status)


if __name__ == "__main__":
    main()
