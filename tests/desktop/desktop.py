"""A real X display for the desktop checks: Xvfb, a window manager, the program in a folder
of its own beside the simulated equipment, and the ways a person sees and touches it.

Nothing here reaches inside the program: it is driven by X input events (xdotool) and judged
by what anyone could see from outside (windows, the screen, the settings file it writes, the
bytes the equipment received)."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

from PIL import Image

OCR_SCALE = 3
# Tesseract's own threads only wait for each other on a machine whose cores are busy: one
# thread reads a window in about two thirds of the time there.
TESSERACT_ENV = dict(os.environ, OMP_THREAD_LIMIT="1")

# Every bound below is what an idle machine needs, times this. On a two-core machine shared with
# builds one screenshot and OCR pass can take seconds, and a bound that fails by chance teaches
# everyone to ignore red; waiting longer for an event that comes costs nothing.
PATIENCE = float(os.environ.get("VANTORO_DESKTOP_PATIENCE", "4"))


def bound(seconds):
    """A wait of `seconds` on an idle machine, as long as this machine may need."""
    return seconds * PATIENCE


def run(args, env=None, check=True, timeout=20):
    try:
        result = subprocess.run(args, env=env, capture_output=True, text=True,
                                timeout=bound(timeout))
    except subprocess.TimeoutExpired:
        raise AssertionError(f"{args[0]} did not finish within {bound(timeout):.0f} s") from None
    if check and result.returncode != 0:
        raise RuntimeError(f"{args[0]} failed ({result.returncode}): {result.stderr.strip()}")
    return result.stdout


def wait_for(condition, timeout=10.0, what="condition"):
    """Polls until condition() is true; its last value is returned. The condition is asked once
    more after the bound, so a slow last poll (an OCR pass) still counts."""
    limit = bound(timeout)
    deadline = time.monotonic() + limit
    while True:
        late = time.monotonic() > deadline
        value = condition()
        if value:
            return value
        if late:
            raise AssertionError(f"timed out waiting for {what} ({limit:.0f} s)")
        time.sleep(0.05)


def end_processes(*processes):
    """Asks each process still running to end, and makes sure it has."""
    for process in processes:
        if process and process.poll() is None:
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def holds(pid, path):
    """Whether process `pid` has `path` open, as /proc shows its descriptors."""
    folder = f"/proc/{pid}/fd"
    try:
        names = os.listdir(folder)
    except OSError:
        return False
    for name in names:
        try:
            if os.readlink(os.path.join(folder, name)) == path:
                return True
        except OSError:
            pass
    return False


def s_record_file(records):
    """A Motorola S-record text of `records` data records of 16 bytes, S0 and S9 around them."""
    def line(kind, address_bytes, data):
        body = bytes([len(address_bytes) + len(data) + 1]) + address_bytes + data
        return f"S{kind}{body.hex().upper()}{(~sum(body)) & 0xFF:02X}"
    lines = [line(0, b"\x00\x00", b"vantoro")]
    for i in range(records):
        lines.append(line(1, (i * 16).to_bytes(2, "big"), bytes((i + j) & 0xFF for j in range(16))))
    lines.append(line(9, b"\x00\x00", b""))
    return "\n".join(lines) + "\n"


class Display:
    """Xvfb with openbox on a display number of its own; everything ends with stop()."""

    def __init__(self, width=1280, height=1024):
        read_fd, write_fd = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.name = f":{number}"
        self.env = dict(os.environ, DISPLAY=self.name, QT_QPA_PLATFORM="xcb")
        self.env.pop("WAYLAND_DISPLAY", None)
        self._wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: "window id" in run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                            env=self.env, check=False),
                 what="the window manager")

    def stop(self):
        end_processes(self._wm, self._xvfb)

    # Input --------------------------------------------------------------------------------

    def xdotool(self, *args):
        return run(["xdotool", *args], env=self.env)

    def key(self, *keys):
        for k in keys:
            self.xdotool("key", "--clearmodifiers", k)
            time.sleep(0.12)

    def menu(self, menu_key, item_key):
        """Chooses a menu item by keyboard: the item's key goes once the menu is open. A program
        read by a screen reader hands each key to the reader first and takes it back later,
        meant for where the focus was when it was typed: sent at once, the item's key would go
        to the window, not the menu."""
        self.key(menu_key)
        wait_for(self.popup_open, what=f"the menu of {menu_key} to drop down")
        self.key(item_key)

    def type_text(self, text):
        self.xdotool("type", "--delay", "20", text)

    def click(self, window, x, y, button=1):
        self.xdotool("mousemove", "--window", str(window), str(x), str(y))
        time.sleep(0.05)
        self.xdotool("click", str(button))
        time.sleep(0.15)

    # Windows ------------------------------------------------------------------------------

    def windows(self, title):
        """Visible windows whose title is exactly `title`."""
        out = run(["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(title)}$"],
                  env=self.env, check=False)
        return [int(w) for w in out.split()]

    def wait_window(self, title, timeout=10.0):
        return wait_for(lambda: self.windows(title), timeout, f'window "{title}"')[0]

    def wait_no_window(self, title, timeout=5.0):
        wait_for(lambda: not self.windows(title), timeout, f'window "{title}" to go')

    def active_window(self):
        out = run(["xdotool", "getactivewindow"], env=self.env, check=False).strip()
        return int(out) if out else None

    def keyboard_window(self):
        """The window the keyboard types into (the X input focus), or None."""
        out = run(["xdotool", "getwindowfocus", "-f"], env=self.env, check=False).strip()
        return int(out) if out.isdigit() else None

    def wait_keyboard(self, window, what):
        """Until keys typed go to `window`. The window manager names a window active before
        the keyboard reaches it; keys typed in between go to no window at all."""
        wait_for(lambda: self.keyboard_window() == window, what=f"the keyboard to reach {what}")

    def activate(self, window):
        self.xdotool("windowactivate", "--sync", str(window))
        self.wait_keyboard(window, f"window {window}")

    def geometry(self, window):
        """x, y, width, height of a window's inside, in screen pixels."""
        out = run(["xwininfo", "-id", str(window)], env=self.env)
        return tuple(int(re.search(rf"{label}:\s+(-?\d+)", out).group(1))
                     for label in ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                                   "Height"))

    def stacking_order(self):
        """Top-level client windows bottom to top, as the window manager stacks them."""
        out = run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], env=self.env)
        return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", out)]

    def popup(self):
        """The mapped override-redirect window (a dropped-down list) as a window id, or None;
        the window manager's own one-pixel window does not count."""
        out = run(["xwininfo", "-root", "-children"], env=self.env)
        for window in re.findall(r"^\s+(0x[0-9a-f]+)", out, re.M):
            info = run(["xwininfo", "-id", window], env=self.env, check=False)
            if ("Map State: IsViewable" in info and "Override Redirect State: yes" in info
                    and "Width: 1\n" not in info):
                return int(window, 16)
        return None

    def popup_open(self):
        return self.popup() is not None

    # The screen ---------------------------------------------------------------------------

    def screenshot(self, path, window=None):
        args = ["import", "-window", str(window) if window else "root", path]
        run(["/usr/bin/" + args[0], *args[1:]], env=self.env)
        return Image.open(path).convert("RGB")

    def read_text(self, image, box=None):
        """Text in an image (or a box of it) as tesseract reads it, enlarged first."""
        if box:
            image = image.crop(box)
        image = image.resize((image.width * OCR_SCALE, image.height * OCR_SCALE), Image.LANCZOS)
        with tempfile.NamedTemporaryFile(suffix=".png") as f:
            image.save(f.name)
            return run(["tesseract", f.name, "-", "--psm", "6"], env=TESSERACT_ENV, timeout=30)


    def find_text(self, image, word):
        """Centre of the lowest place where tesseract reads `word` in an image, or None."""
        big = image.resize((image.width * OCR_SCALE, image.height * OCR_SCALE), Image.LANCZOS)
        with tempfile.NamedTemporaryFile(suffix=".png") as f:
            big.save(f.name)
            tsv = run(["tesseract", f.name, "-", "--psm", "11", "tsv"], env=TESSERACT_ENV,
                      timeout=30)
        found = None
        for row in tsv.splitlines()[1:]:
            cells = row.split("\t")
            if len(cells) == 12 and cells[11].strip() == word:
                left, top, width, height = (int(v) for v in cells[6:10])
                place = ((left + width // 2) // OCR_SCALE, (top + height // 2) // OCR_SCALE)
                if found is None or place[1] > found[1]:
                    found = place
        return found

    def click_text(self, window, image, word):
        place = self.find_text(image, word)
        if place is None:
            raise AssertionError(f'"{word}" is not on the screen')
        self.click(window, *place)


class ProgramFolder:
    """A copy of the program with its own settings, software folder and dosdevices links,
    and the simulated equipment linked as COM 9."""

    COM = 9

    def __init__(self, build, display, settings=None, sim_args=()):
        self.display = display
        self.dir = tempfile.mkdtemp(prefix="vantoro-desktop-")
        self.code = os.path.join(self.dir, "code")
        self.links = os.path.join(self.dir, "dosdevices")
        os.makedirs(self.code)
        os.makedirs(self.links)
        shutil.copy(os.path.join(build, "vantoro"), self.dir)
        shutil.copy(os.path.join(build, "Vantoro.hlp"), self.dir)
        for name, records in (("st24v101.s19", 40), ("st24v102.s19", 40)):
            with open(os.path.join(self.code, name), "w") as f:
                f.write(s_record_file(records))
        self.settings_path = os.path.join(self.dir, "vantoro.INI")
        self.write_settings(settings or {})
        self.received = os.path.join(self.dir, "received.txt")
        self._sim = None
        self._sims = []
        self._program = None
        self.build = build
        self.sim_args = list(sim_args)
        self.window = None

    def write_settings(self, overrides):
        values = {"PORT": str(self.COM), "PLATFORM": "Saltir Series", "LOG": "ENABLED",
                  "LOG_FLAGS": "23", "QVR Series": "10"}
        values.update(overrides)
        lines = ["[APP]"] + [f"{k}={v}" for k, v in values.items()]
        lines += ["[PLATFORM_SALTIR]", "VARIANT=Saltir 24", f"WORKING_DIRECTORY={self.code}/",
                  "VARIANT_FILE="]
        with open(self.settings_path, "w") as f:
            f.write("\r\n".join(lines) + "\r\n")

    def settings(self):
        """The settings file as section -> key -> value, after the program wrote it."""
        sections, current = {}, None
        with open(self.settings_path, encoding="latin-1") as f:
            for line in f.read().splitlines():
                line = line.strip()
                if line.startswith("[") and line.endswith("]"):
                    current = sections.setdefault(line[1:-1].upper(), {})
                elif "=" in line and current is not None:
                    key, value = line.split("=", 1)
                    current[key.strip().upper()] = value
        return sections

    def start_sim(self, com=COM):
        """Simulated equipment linked as `com`, as an adapter being plugged in."""
        sim = subprocess.Popen(
            [os.path.join(self.build, "vantoro-target-sim"), "--platform", "saltir",
             "--link-folder", self.links, "--com", str(com), "--received", self.received,
             *self.sim_args],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._sims.append(sim)
        self._sim = self._sim or sim
        wait_for(lambda: os.path.lexists(os.path.join(self.links, f"com{com}")),
                 what="the simulated equipment")

    def power_on(self):
        self._sim.send_signal(signal.SIGUSR1)

    def hold_sim(self, held=True):
        """Freezes the simulated equipment (no reply goes out) or lets it go on."""
        self._sim.send_signal(signal.SIGSTOP if held else signal.SIGCONT)

    def start(self, args=(), env=None):
        """Starts the program; env adds variables to the display's own."""
        self._program = subprocess.Popen([os.path.join(self.dir, "vantoro"), *args],
                                         env={**self.display.env, **(env or {})},
                                         stdout=subprocess.DEVNULL,
                                         stderr=subprocess.PIPE, text=True)
        self.window = self.display.wait_window("Vantoro")
        self.display.activate(self.window)
        return self.window

    def holds(self, path):
        """Whether the program has `path` open."""
        return holds(self._program.pid, path)

    def running(self):
        return self._program is not None and self._program.poll() is None

    def wait_exit(self, timeout=10.0):
        try:
            self._program.wait(bound(timeout))
        except subprocess.TimeoutExpired:
            raise AssertionError(
                f"the program did not exit within {bound(timeout):.0f} s") from None
        return self._program.returncode

    def stop(self):
        end_processes(self._program, *self._sims)
        if self._program and self._program.stderr:
            self._program.stderr.close()
        shutil.rmtree(self.dir, ignore_errors=True)
