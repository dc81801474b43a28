"""The window as a blind technician hears it: Orca running on the checks' own display and
accessibility bus, the window driven by the keyboard only, and what Orca says read from the
speech it sends out. One Orca serves every check of this file.

Orca drops a notice that a newer one of the same window overtakes while it is still queued, and
on a busy machine its queue can lag by seconds. So every step is awaited as speech before the
next key, and where the window moves on by itself (the equipment answering) the equipment is
held until the step has been heard."""

import atexit
import os
import re
import sys

from accessbus import bus, role, text_of, walk
from desktop import end_processes, wait_for
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
    sim_args = ("--reply-delay", "150")
    # The equipment is held while Orca catches up: the reply time-out must outlast that.
    settings = {"QVR Series": "90"}

    def setUp(self):
        super().setUp()
        self.orca = reader()

    def start_program(self):
        path = os.path.join(self.p.dir, "vantoro")
        self.w = self.p.start(env=bus().env)
        try:
            bus().application(path, timeout=10)
        except AssertionError as error:
            # A program that registers while the busy registry is still starting it can be
            # missed for good; one that never registers fails the second start too.
            print(f"\n{error}: started once more", file=sys.stderr)
            end_processes(self.p._program)  # pylint: disable=protected-access
            self.d.wait_no_window("Vantoro")
            self.w = self.p.start(env=bus().env)
            bus().application(path)

    def start_heard(self):
        """Starts the program and waits until Orca has presented its window and the idle state
        the window is in."""
        self.orca.mark()
        self.start_program()
        # A window activated before its program was on the accessibility bus goes unheard:
        # activated again, as a user switching to it would, until Orca presents it.
        for attempt in range(4):
            try:
                self.orca.wait_said(r"\bframe\b|Product combo box", 5)
                break
            except AssertionError:
                if attempt == 3:
                    raise
            self.d.xdotool("windowminimize", "--sync", str(self.w))
            self.d.activate(self.w)
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

    def status_line(self):
        """The Status line's object in the program's accessible tree."""
        app = bus().application(os.path.join(self.p.dir, "vantoro"))
        return wait_for(lambda: next((acc for acc in walk(app) if role(acc) == "paragraph"
                                      and acc.name.startswith("Status")), None),
                        what="the Status line in the accessible tree")

    def update_until_sending(self):
        """Start, Update and the equipment switched on; the equipment is held once records go
        out (as the Status line counts them), so that the update stays mid-way until released."""
        status = self.status_line()
        spoken = self.keys_heard(["alt+s"], r"Ensure Saltir 24 is Off\. Press Update To Continue")
        # Alt+S presses Start and leaves the menu bar alone.
        self.assertFalse([s for s in spoken if s.startswith("File")], spoken)
        self.keys_heard(["alt+u"], r"Turn Saltir 24 On to Start Code Update")
        self.orca.mark()
        self.p.power_on()
        wait_for(lambda: "Records Sent" in text_of(status), 30, "records to go out")
        self.p.hold_sim()
        self.addCleanup(self.p.hold_sim, False)
        return self.orca.wait_said(r"Updating Saltir 24 Software \.\. Please Wait", 30)

    def test_update_heard_step_by_step_where_am_i_and_at_its_end(self):
        self.start_heard()
        self.update_until_sending()
        # "Where am I" (KP_Enter) tells how the update stands and when it completes, not
        # the disabled Cancel button.
        spoken = self.keys_heard(["KP_Enter"], r"^Action.*Updating Saltir 24 Software")
        self.assertFalse([s for s in spoken if re.search(r"Cancel.*button", s)], spoken)
        # The keyboard still reaches the menu: File, Exit asks first, and Yes goes on.
        self.d.key("alt+f", "x")
        self.d.wait_window("Complete the Update ?")
        self.d.key("Return")
        self.d.wait_no_window("Complete the Update ?")
        self.orca.quiet()
        self.orca.mark()
        self.p.hold_sim(False)
        self.orca.wait_said(r"Update Complete", 90)
        self.orca.quiet()
        spoken = self.orca.said()
        # Heard once; the records and the estimate are not read out one by one.
        self.assertEqual(sum("Update Complete" in s for s in spoken), 1, spoken)
        self.assertFalse([s for s in spoken if "Records Sent" in s], spoken)
        # Orca's "read status bar" (Orca+KP_Enter twice) reads both lines.
        spoken = self.read_status_bar(r"Press Done To Continue")
        self.assertRegex(" ".join(spoken), r"Update Complete.*Press Done To Continue")

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
        self.keys_heard(["Down"], r"Saltir 48")
        self.orca.wait_said(r"No Software Found for Saltir 48")
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

    def test_help_read_line_by_line_by_the_arrow_keys(self):
        self.start_heard()
        self.keys_heard(["alt+h", "c"], r"Vantoro Help")
        self.orca.quiet(2)
        # Opening names the window and the guide, and reads no more than the line at the caret.
        opening = self.orca.said()
        self.assertFalse([s for s in opening if "Before you start" in s], opening)
        spoken = self.keys_heard(["Down"], r"^Vantoro loads new software")
        line = next(s for s in spoken if s.startswith("Vantoro loads new software"))
        self.assertNotIn("Before you start", line)
        spoken = self.keys_heard(["Down"], r"\w")
        self.assertFalse([s for s in spoken if "Vantoro loads" in s], spoken)
        self.keys_heard(["Up"], r"^Vantoro loads new software")
        self.d.key("Escape")
        self.d.wait_no_window("Vantoro Help")

    def test_directory_chooser_says_the_folder_its_path_expanded_collapsed_and_level(self):
        os.makedirs(os.path.join(self.p.code, "older"))
        self.start_heard()
        # Product, Model, the Directory field, then its button.
        self.tab_to(3)
        self.orca.quiet()
        path = re.escape(self.p.code)
        spoken = self.keys_heard(["Return"],
                                 rf"code selected, level (\d+)\. Path {path}/?")
        level = re.search(r"code selected, level (\d+)", " ".join(spoken)).group(1)
        # The chooser opens with the folder expanded.
        self.keys_heard(["Left"], rf"code collapsed, level {level}\b")
        self.keys_heard(["Right"], rf"code expanded, level {level}\b")
        self.keys_heard(["Down"], r"older")
        self.d.key("Escape")
        self.d.wait_no_window("Choose Directory")
