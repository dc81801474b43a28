"""The window as a blind technician hears it: Orca running on the checks' own display and
accessibility bus, the window driven by the keyboard only, and what Orca says read from the
speech it sends out. One Orca serves every check of this file."""

import atexit
import os
import re

from accessbus import bus
from desktop import wait_for
from programtest import ProgramTest, display
from screenreader import ScreenReader

READER = None


def reader():
    """The one Orca of this run: started on first use, stopped when the run ends."""
    global READER
    if READER is None:
        READER = ScreenReader(display().env, bus().env)
        atexit.register(READER.stop)
    return READER


class Heard(ProgramTest):
    # Long enough for each step to be heard before the next: Orca skips a notice that a newer
    # one of the same window overtakes in its queue.
    sim_args = ("--reply-delay", "150")

    def setUp(self):
        super().setUp()
        self.orca = reader()

    def start_heard(self):
        """Starts the program and waits until Orca has presented its window and the idle state
        the window is in."""
        self.orca.mark()
        self.w = self.p.start(env=bus().env)
        bus().application(os.path.join(self.p.dir, "vantoro"), timeout=60)
        # A window activated before its program was on the accessibility bus goes unheard:
        # activated again, as a user switching to it would, until Orca names it.
        for attempt in range(4):
            self.d.xdotool("windowminimize", "--sync", str(self.w))
            self.d.activate(self.w)
            try:
                self.orca.wait_said(r"^Vantoro frame", 10)
                break
            except AssertionError:
                if attempt == 3:
                    raise
        self.orca.wait_said(r"Connect Saltir 24 to Serial Port, then press Start", 30)
        self.orca.quiet()
        self.orca.mark()

    def read_status_bar(self, pattern):
        """Orca's "read status bar": Orca+KP_Enter twice, quickly enough to count as twice."""
        self.orca.mark()
        self.d.xdotool("key", "--clearmodifiers", "--delay", "60", "Insert+KP_Enter",
                       "Insert+KP_Enter")
        return self.orca.wait_said(pattern)

    def keys_heard(self, keys, pattern, timeout=20.0):
        self.orca.mark()
        self.d.key(*keys)
        return self.orca.wait_said(pattern, timeout)

    def test_update_heard_step_by_step_and_at_its_end(self):
        self.start_heard()
        self.keys_heard(["alt+s"], r"Ensure Saltir 24 is Off\. Press Update To Continue")
        self.keys_heard(["alt+u"], r"Turn Saltir 24 On to Start Code Update")
        self.orca.mark()
        self.p.power_on()
        spoken = self.orca.wait_said(r"Update Complete", 90)
        self.assertTrue(any("Updating Saltir 24 Software .. Please Wait" in s for s in spoken),
                        spoken)
        self.orca.quiet()
        spoken = self.orca.said()
        # Heard once each; the records and the estimate are not read out one by one.
        self.assertEqual(sum("Update Complete" in s for s in spoken), 1, spoken)
        self.assertFalse([s for s in spoken if "Records Sent" in s], spoken)
        # Orca's "read status bar" (Orca+KP_Enter twice) reads both lines.
        spoken = self.read_status_bar(r"Press Done To Continue")
        self.assertTrue(any(re.search(r"Update Complete.*Press Done To Continue", s)
                            for s in [" ".join(spoken)]), spoken)

    def test_failing_update_heard_with_its_fatal_error(self):
        self.p.stop()
        self.p = type(self.p)(self.p.build, self.d, None, ["--reply-at", "3:!"])
        self.addCleanup(self.p.stop)
        self.p.start_sim()
        self.start_heard()
        self.keys_heard(["alt+s"], r"Ensure Saltir 24 is Off")
        self.keys_heard(["alt+u"], r"Turn Saltir 24 On")
        self.orca.mark()
        self.p.power_on()
        self.orca.wait_said(r"Fatal Error\. Saltir 24 Reports Comms Error\. Update Failed\. "
                            r"Press Cancel to Continue", 60)

    def test_model_changed_by_arrow_keys_heard(self):
        self.start_heard()
        self.keys_heard(["Tab"], r"Model")
        spoken = self.keys_heard(["Down"], r"Saltir 48")
        self.orca.wait_said(r"No Software Found for Saltir 48")
        self.assertTrue(spoken)
        # Escape closes the open list and keeps the choice it had.
        self.d.key("alt+Down")
        wait_for(self.d.popup_open, what="the Model list to open")
        self.d.key("Down", "Escape")
        wait_for(lambda: not self.d.popup_open(), what="Escape to close the list")
        self.assertTrue(self.d.windows("Vantoro"), "Escape closed the window")
        self.read_status_bar(r"Status :? ?No Software Found for Saltir 48")

    def test_event_log_reached_by_tab_and_read_line_by_line(self):
        self.start_heard()
        # From the first list backwards: past the disabled Cancel to the log, the last stop.
        self.keys_heard(["shift+Tab"], r"Event Log")
        self.orca.quiet()
        self.d.key("ctrl+Home")
        self.orca.quiet()
        spoken = self.keys_heard(["Down"], r"\d\d:\d\d:\d\d  ")
        self.assertFalse(any("Application Started" in s for s in spoken), spoken)
        self.keys_heard(["Up"], r"^\d\d:\d\d:\d\d  Application Started$")

