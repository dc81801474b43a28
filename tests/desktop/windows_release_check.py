"""The Windows release as a technician meets it, under Wine on an X display of its own: the
portable zip holds the programs and only the libraries they load; the setup program installs
silently (/S) into Program Files with a Start menu entry and an Add/Remove Programs entry; the
installed programs answer --version in the console they were started from; the window opens
and reads as it should; the uninstaller (/S) takes all of it away again. The portable copy
updates the simulated equipment (the Linux build's vantoro-target-sim) through ser2net, a
network port numbered in its settings file, and the equipment gets the file's bytes.

    python3 tests/desktop/windows_release_check.py --setup S.exe --zip Z.zip --version V \
        --build build [--shot docs/windows-update-complete.png]
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_network import free_loopback_port, listening  # noqa: E402
from desktop import Display, ProgramFolder, end_processes, wait_for  # noqa: E402

# Everything the release may hold; a library more or less is a fault either way.
RELEASE_FILES = {
    "vantoro.exe", "vantoro-cli.exe", "Vantoro.hlp",
    "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll",
    "platforms/qwindows.dll", "styles/qwindowsvistastyle.dll",
    "libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll",
}
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantoro"
# Wine's first start in a new prefix, on a busy two-core machine.
WINE_START_S = 240


def files_below(folder):
    found = set()
    for root, _dirs, names in os.walk(folder):
        for name in names:
            found.add(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/"))
    return found


class WinePrefix:
    """A Wine prefix of its own (64-bit), made on first use and removed at the end."""

    def __init__(self, display):
        self.dir = tempfile.mkdtemp(prefix="vantoro-wine-")
        # Wine asks to install Mono and Gecko when a prefix is made; nothing here needs them.
        self.env = dict(display.env, WINEPREFIX=self.dir, WINEARCH="win64", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        subprocess.run(["wineboot", "--init"], env=self.env, capture_output=True,
                       timeout=WINE_START_S, check=True)
        self.wait_idle(WINE_START_S)

    def wine(self, args, timeout=60):
        """Runs a program under Wine to its end; returns (exit status, standard output)."""
        result = subprocess.run(["wine", *args], env=self.env, capture_output=True, text=True,
                                timeout=timeout)
        return result.returncode, result.stdout

    def wait_idle(self, timeout):
        """Waits until every process of the prefix has ended (installers hand over to copies)."""
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=timeout, check=True)

    def path(self, windows_path):
        """The Linux path of C:\\..."""
        assert windows_path[:3].upper() == "C:\\"
        return os.path.join(self.dir, "drive_c", *windows_path[3:].split("\\"))

    def registry_value(self, key, name):
        status, out = self.wine(["reg", "query", key, "/v", name])
        if status != 0:
            return None
        for line in out.splitlines():
            cells = line.split(None, 2)
            if len(cells) == 3 and cells[0] == name:
                return cells[2].strip()
        return None

    def remove(self):
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)
        shutil.rmtree(self.dir, ignore_errors=True)


class WindowsRelease(unittest.TestCase):
    setup = zip_path = version = build = shot = None

    @classmethod
    def setUpClass(cls):
        cls.d = Display()
        cls.wine = WinePrefix(cls.d)
        cls.install_dir = cls.wine.path("C:\\Program Files\\Vantoro")
        cls.start_menu = cls.wine.path(
            "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Vantoro")

    @classmethod
    def tearDownClass(cls):
        cls.wine.remove()
        cls.d.stop()

    def test_1_portable_zip_holds_the_programs_and_only_what_they_load(self):
        with zipfile.ZipFile(self.zip_path) as z:
            names = {n for n in z.namelist() if not n.endswith("/")}
        folder = f"Vantoro-{self.version}/"
        self.assertTrue(all(n.startswith(folder) for n in names), names)
        self.assertEqual({n[len(folder):] for n in names}, RELEASE_FILES)

    def test_2_silent_setup_installs_with_start_menu_and_uninstall_entry(self):
        status, _ = self.wine.wine([self.setup, "/S"], timeout=180)
        self.assertEqual(status, 0, "the setup program failed")
        self.wine.wait_idle(120)
        self.assertEqual(files_below(self.install_dir), RELEASE_FILES | {"Uninstall.exe"})
        self.assertTrue(os.path.exists(os.path.join(self.start_menu, "Vantoro.lnk")))
        self.assertEqual(self.wine.registry_value(UNINSTALL_KEY, "DisplayVersion"), self.version)
        self.assertIn("Uninstall.exe",
                      self.wine.registry_value(UNINSTALL_KEY, "UninstallString") or "")

    def test_3_installed_programs_answer_version_in_the_console(self):
        for program in ("vantoro.exe", "vantoro-cli.exe"):
            status, out = self.wine.wine([os.path.join(self.install_dir, program), "--version"])
            self.assertEqual(status, 0, program)
            self.assertEqual(out.strip(), f"{program[:-4]} {self.version}", program)

    def test_4_installed_window_opens_and_reads_as_it_should(self):
        program = subprocess.Popen(["wine", os.path.join(self.install_dir, "vantoro.exe")],
                                   env=self.wine.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            window = self.d.wait_window("Vantoro", timeout=120)
            self.d.activate(window)
            shot = os.path.join(self.wine.dir, "window.png")
            text = wait_for(lambda: self._text_with(window, shot, ("Start", "Cancel")),
                            timeout=30, what="the window's buttons to be drawn")
            self.assertIn("Model", text)
            self.assertIn("Com Port", text)
            # The window is the Windows build's own: Qt's Windows platform, not X11 directly.
            self.assertTrue(os.path.exists(self.wine.path(
                "C:\\Program Files\\Vantoro\\platforms\\qwindows.dll")))
        finally:
            end_processes(program)
            self.wine.wait_idle(60)

    def _text_with(self, window, shot, words):
        text = self.d.read_text(self.d.screenshot(shot, window))
        return text if all(w in text for w in words) else None

    def test_5_silent_uninstall_removes_everything_it_installed(self):
        # The uninstaller runs from a copy of itself in the temporary folder and returns at once.
        status, _ = self.wine.wine([os.path.join(self.install_dir, "Uninstall.exe"), "/S"])
        self.assertEqual(status, 0, "the uninstaller failed")
        self.wine.wait_idle(120)
        wait_for(lambda: not os.path.exists(self.install_dir), timeout=30,
                 what="the program folder to go")
        self.assertFalse(os.path.exists(self.start_menu))
        self.assertIsNone(self.wine.registry_value(UNINSTALL_KEY, "DisplayVersion"))


    def test_6_portable_copy_updates_through_a_network_port(self):
        p = ProgramFolder(self.build, self.d)
        self.addCleanup(p.stop)
        p.start_sim()
        with zipfile.ZipFile(self.zip_path) as z:
            z.extractall(p.dir)
        program_dir = os.path.join(p.dir, f"Vantoro-{self.version}")
        port = self._serve(p, os.path.realpath(os.path.join(p.links, f"com{p.COM}")))
        code = "Z:" + p.code + "/"  # Wine's drive Z: is the Linux root
        with open(os.path.join(program_dir, "vantoro.INI"), "w") as f:
            f.write("\r\n".join([
                "[APP]", "PORT=40", "PLATFORM=Saltir Series", "LOG=ENABLED", "LOG_FLAGS=23",
                "[PLATFORM_SALTIR]", "VARIANT=Saltir 24", f"WORKING_DIRECTORY={code}",
                "VARIANT_FILE=", "[NetworkPorts]", f"COM40=socket://127.0.0.1:{port}"]) + "\r\n")
        program = subprocess.Popen(["wine", os.path.join(program_dir, "vantoro.exe")],
                                   cwd=program_dir, env=self.wine.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.wine.wait_idle, 60)
        self.addCleanup(end_processes, program)
        window = self.d.wait_window("Vantoro", timeout=120)
        self.d.activate(window)
        shot = os.path.join(p.dir, "window.png")
        wait_for(lambda: self._text_with(window, shot, ("Network Port",)), timeout=30,
                 what="COM 40 listed as a network port")
        self.d.key("alt+s")
        time.sleep(0.5)
        self.d.key("alt+u")
        time.sleep(1.0)
        p.power_on()
        wait_for(lambda: self._text_with(window, shot, ("Update Complete",)), timeout=120,
                 what="the update through ser2net to complete")
        if self.shot:
            shutil.copy(shot, self.shot)
        with open(p.received) as f:
            received = f.read()
        sent = []
        for name in os.listdir(p.code):
            with open(os.path.join(p.code, name)) as f:
                sent.append(f.read())
        self.assertIn(received, sent, "the equipment got other bytes than a code file")

    def _serve(self, p, device):
        """ser2net passing raw TCP on a free loopback port to the device; returns the port."""
        port = free_loopback_port()
        config = os.path.join(p.dir, "ser2net.yaml")
        with open(config, "w") as f:
            f.write("connection: &unit\n"
                    f"  accepter: tcp,127.0.0.1,{port}\n"
                    f"  connector: serialdev,{device},57600n81,local\n"
                    "  options:\n    chardelay: false\n")
        server = subprocess.Popen(["ser2net", "-n", "-c", config], stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(end_processes, server)
        wait_for(lambda: listening(port), what="ser2net listening")
        return port


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--setup", required=True)
    parser.add_argument("--zip", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--build", default="build", help="the Linux build (the simulator)")
    parser.add_argument("--shot", help="where to keep the picture of the completed update")
    args, rest = parser.parse_known_args()
    WindowsRelease.setup = os.path.abspath(args.setup)
    WindowsRelease.zip_path = os.path.abspath(args.zip)
    WindowsRelease.version = args.version
    WindowsRelease.build = os.path.abspath(args.build)
    WindowsRelease.shot = args.shot and os.path.abspath(args.shot)
    started = time.monotonic()
    result = unittest.main(argv=[sys.argv[0], "-v", *rest], exit=False).result
    print(f"Windows release checks: {time.monotonic() - started:.0f} s", file=sys.stderr)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
