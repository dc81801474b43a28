"""What every desktop check shares: the display (started once, on first use), the program in a
folder of its own, and the ways the checks read the screen. Check modules are named
check_*.py beside this file; test_desktop.py runs them all."""

import atexit
import os
import unittest

from accessbus import bus, children, role, states, walk
from desktop import Display, ProgramFolder, wait_for

BUILD = "build"
DISPLAY = None


class ExistingDisplay(Display):
    """A display somebody is watching: nothing to start or stop."""

    def __init__(self, name):  # pylint: disable=super-init-not-called
        self.name = name
        self.env = dict(os.environ, DISPLAY=name, QT_QPA_PLATFORM="xcb")

    def stop(self):
        pass


def display():
    """The one display of this run: started on first use, stopped when the run ends."""
    global DISPLAY
    if DISPLAY is None:
        watched = os.environ.get("VANTORO_DESKTOP_DISPLAY")
        DISPLAY = ExistingDisplay(watched) if watched else Display()
        atexit.register(DISPLAY.stop)
    return DISPLAY


def text_rows(image, x0, x1, y0, y1, threshold=100):
    """Rows of a strip that hold dark (text) pixels, with how many each holds."""
    pixels = image.load()
    rows = {}
    for y in range(y0, y1):
        count = sum(1 for x in range(x0, x1) if sum(pixels[x, y]) < threshold * 3)
        if count:
            rows[y] = count
    return rows


def baseline(rows):
    """The lowest row that carries a good part of the text: descenders are thin."""
    widest = max(rows.values())
    return max(y for y, count in rows.items() if count >= 0.35 * widest)


def highlighted_row(image):
    """Middle of the highlighted (selected) row of a list, in the image's rows."""
    pixels = image.load()
    rows = [y for y in range(image.height)
            if sum(1 for x in range(image.width) if pixels[x, y][2] > 150
                   and pixels[x, y][0] < 100) > image.width // 2]
    if not rows:
        raise AssertionError("no highlighted row")
    return (min(rows) + max(rows)) // 2


class ProgramTest(unittest.TestCase):
    settings = None
    sim_args = ()

    def setUp(self):
        self.d = display()
        self.p = ProgramFolder(BUILD, self.d, self.settings, self.sim_args)
        self.addCleanup(self.p.stop)
        self.p.start_sim()

    def start(self):
        self.w = self.p.start()
        return self.w

    def start_read(self):
        """Starts the program with its tree served on the accessibility bus, as a screen reader
        reads it; returns the main window's object."""
        self.bus = bus()
        self.w = self.p.start(env=self.bus.env)
        self.app = self.bus.application(os.path.join(self.p.dir, "vantoro"))
        return wait_for(lambda: self.window_named("Vantoro"), what="the main window's object")

    def window_named(self, name):
        for window in children(self.app):
            if window.name == name:
                return window
        return None

    def wait_focus(self, name):
        """Until the control named `name` has the focus (a program started with start_read):
        keys sent before would land on whichever control had it then."""
        main = self.window_named("Vantoro")
        control = wait_for(lambda: next((c for c in walk(main)
                                         if c.name == name and role(c) != "label"), None),
                           what=f'the "{name}" control')
        wait_for(lambda: "focused" in states(control), what=f'the focus on "{name}"')

    def shot(self, window=None, name="shot"):
        return self.d.screenshot(os.path.join(self.p.dir, name + ".png"), window or self.w)

    def log_text(self):
        """The log box as read from the screen: the lowest quarter of the window."""
        image = self.shot()
        return self.d.read_text(image, (0, int(image.height * 0.71), image.width - 20,
                                        image.height - 24))

    def press_update(self):
        """Start, then Update once the window asks for the equipment to be switched off (only
        then is Start named Update), as a technician reads the window before the next key."""
        self.d.wait_keyboard(self.w, "the main window")
        self.d.key("alt+s")
        wait_for(lambda: "Ensure" in self.d.read_text(self.shot()),
                 what='"Ensure ... is Off" after Start')
        self.d.key("alt+u")

    def wait_line_open(self, com=9):
        """Until the program has the line of `com` open, waiting for the equipment: switched on
        before, it would greet nobody."""
        device = os.path.realpath(os.path.join(self.p.links, f"com{com}"))
        wait_for(lambda: self.p.holds(device), what=f"the program to open {device}")

    def exit_program(self):
        self.d.activate(self.w)
        self.d.menu("alt+f", "x")
        self.assertEqual(self.p.wait_exit(), 0)

    def tab_to(self, count, backwards=False):
        self.d.wait_keyboard(self.w, "the main window")
        self.d.key(*(["shift+Tab" if backwards else "Tab"] * count))
