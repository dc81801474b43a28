"""The window as a screen reader reads it: every control named by its label, the progress bar a
progress bar whose value follows what the window paints, the status lines named by their
captions and heard when they change, nothing invisible in the tree, and the dialogs with their
default buttons. Read through the desktop's accessibility interface (AT-SPI, with pyatspi)."""

import os
import select
import subprocess
import sys
import time

from accessbus import (bus, children, labelled_by, listing, role, states, text_of, value_of,
                       walk)
from desktop import bound, end_processes, wait_for
from programtest import ProgramTest

# The controls of the main window a reader finds beside the labels, in the window's order.
CONTROLS = [("combo box", "Product"), ("combo box", "Model"), ("text", "Directory"),
            ("push button", "Directory..."), ("combo box", "Software"),
            ("push button", "File..."), ("combo box", "Com Port"), ("status bar", ""),
            ("progress bar", "Progress"), ("push button", "Start"),
            ("push button", "Cancel"), ("text", "Event Log")]
LABELS = {"Product": "Product", "Model": "Model", "Directory": "Directory",
          "Software": "Software", "Com Port": "Com Port", "Status": "Status :",
          "Action": "Action :", "Progress": "Progress"}


def words(text):
    return " ".join(text.split())


class AccessibilityCheck(ProgramTest):
    def setUp(self):
        super().setUp()
        self.bus = bus()

    def wait_window_object(self, name):
        """The object of the window titled `name`, once the window has the keyboard."""
        self.d.wait_keyboard(self.d.wait_window(name), f'"{name}"')
        return wait_for(lambda: self.window_named(name), what=f'the object of "{name}"')

    def controls(self, main):
        """The main window's objects that are not labels, by name, the lines of its status bar
        (Status and Action) among them."""
        client = [c for c in children(main) if role(c) == "filler"][0]
        found = {c.name: c for c in children(client) if role(c) != "label"}
        found.update({c.name: c for c in children(found[""]) if c.name})
        return found, client

    def screen_text(self, acc):
        """What tesseract reads on the screen where acc is."""
        x, y, width, height = acc.queryComponent().getExtents(self.bus.pyatspi.DESKTOP_COORDS)
        image = self.d.screenshot(os.path.join(self.p.dir, "a11y-root.png"))
        return words(self.d.read_text(image, (x, y, x + width, y + height)))

    def bar_row(self, bar, image):
        """A row of the bar's pixels inside its border, above its text."""
        x, y, width, _ = bar.queryComponent().getExtents(self.bus.pyatspi.DESKTOP_COORDS)
        pixels = image.load()
        return [pixels[i, y + 2] for i in range(x + 1, x + width - 1)]

    def painted_percent(self, bar, image, empty):
        """The share of the bar the window paints filled, from its pixels, in percent."""
        inside = self.bar_row(bar, image)
        filled = 0
        while filled < len(inside) and inside[filled] != empty:
            filled += 1
        return 100.0 * filled / len(inside)


class IdleWindow(AccessibilityCheck):
    def test_every_control_read_by_its_label_and_nothing_hidden_shown(self):
        main = self.start_read()
        # A frame, as readers look for a status bar in frames only.
        self.assertEqual(role(main), "frame")
        controls, client = self.controls(main)
        found = [(role(c), c.name) for c in children(client) if role(c) != "label"]
        self.assertEqual(found, CONTROLS, "\n".join(listing(main)))
        for name, label in LABELS.items():
            self.assertEqual(labelled_by(controls[name], self.bus.pyatspi), [label], name)
        # The parking place of the focus is in no list a reader walks, under no name.
        everything = [(role(a), a.name) for a in walk(self.app)]
        self.assertNotIn("Hidden", [name for _, name in everything])
        self.assertEqual(sum(1 for r, _ in everything if r == "push button"), 4, everything)

        self.assertEqual(value_of(controls["Progress"]), (0, 0, 100))
        self.assertEqual(text_of(controls["Progress"]), "Idle")
        self.assertNotIn("sensitive", states(controls["Cancel"]))
        self.assertIn("sensitive", states(controls["Start"]))
        self.assertIn("focusable", states(controls["Product"]))
        # Each list's choice is read as its text.
        for name, choice in (("Product", "Saltir Series"), ("Model", "Saltir 24"),
                             ("Software", "st24v102.s19")):
            self.assertEqual(text_of(controls[name]), choice)
        self.assertTrue(text_of(controls["Com Port"]).startswith("Com 9 - "))
        # The Status line reads as the screen shows it.
        status = text_of(controls["Status"])
        self.assertEqual(status, "Ready to Code Saltir 24")
        self.assertEqual(self.screen_text(controls["Status"]), status)
        self.assertEqual(text_of(controls["Action"]),
                         "Connect Saltir 24 to Serial Port, then press Start")

    def test_dialogs_and_help_read_with_their_roles_and_default_buttons(self):
        self.start_read()
        for keys, title, default in ((("alt+h", "a"), "About Vantoro", "OK"),
                                     (("alt+f", "o"), "Log Options", "OK")):
            self.d.activate(self.w)
            self.d.menu(*keys)
            dialog = self.wait_window_object(title)
            self.assertEqual(role(dialog), "dialog", title)
            buttons = {b.name: b for b in walk(dialog) if role(b) == "push button"}
            self.assertIn("is default", states(buttons[default]), title)
            self.d.key("Escape")
            self.d.wait_no_window(title)

        self.d.activate(self.w)
        self.d.menu("alt+h", "c")
        help_window = self.wait_window_object("Vantoro Help")
        self.assertEqual(role(help_window), "frame")
        texts = []
        for acc in walk(help_window):
            try:
                texts.append(words(text_of(acc)))
            except NotImplementedError:
                pass
        self.assertTrue(any("Vantoro loads new software" in t and "Running an update" in t
                            for t in texts), texts)
        self.d.key("Escape")
        self.d.wait_no_window("Vantoro Help")

        self.d.activate(self.w)
        self.wait_focus("Product")
        self.tab_to(3)  # Product -> Model -> Directory -> Directory...
        self.wait_focus("Directory...")
        self.d.key("Return")
        chooser = self.wait_window_object("Choose Directory")
        trees = [t for t in walk(chooser) if role(t) == "tree"]
        self.assertEqual(len(trees), 1, listing(chooser))
        folders = [item.name for item in walk(trees[0]) if item is not trees[0]]
        self.assertIn("/", folders)
        self.assertIn("code", folders)  # the working folder, opened down to
        self.d.key("Escape")


class RunningUpdate(AccessibilityCheck):
    # Slow enough for the bar to be read many times on the way.
    sim_args = ("--reply-delay", "150")
    # The equipment is held while the bar and the close question are read: a reply becomes
    # overdue only after a minute, however slow the machine.
    settings = {"QVR Series": "60"}

    def test_progress_value_follows_the_painted_bar_and_changes_are_heard(self):
        heard = {"value": 0, "status": []}

        def on_event(event):
            if event.type.startswith("object:property-change:accessible-value"):
                if role(event.source) == "progress bar":
                    heard["value"] += 1
            elif event.source.name == "Status":
                heard["status"].append(str(event.any_data))

        events = ("object:property-change:accessible-value", "object:text-changed:insert")
        self.bus.listen(on_event, *events)
        self.addCleanup(self.bus.forget, on_event, *events)
        main = self.start_read()
        controls, _ = self.controls(main)
        bar = controls["Progress"]
        empty = self.bar_row(bar, self.d.screenshot(os.path.join(self.p.dir, "a11y-idle.png")))
        self.assertEqual(len(set(empty)), 1, "the idle bar is not one colour")
        self.press_update()
        self.wait_line_open()
        self.p.power_on()

        readings = []
        asked = False
        self.addCleanup(self.p.hold_sim, False)
        deadline = time.monotonic() + bound(30)
        while time.monotonic() < deadline:
            # The equipment is held while the bar is read, so the update moves on between two
            # readings by about the same step however long a screenshot takes; and it is still
            # running when the close question comes.
            self.p.hold_sim()
            before = value_of(bar)[0]
            image = self.d.screenshot(os.path.join(self.p.dir, "a11y-bar.png"))
            after = value_of(bar)[0]
            painted = self.painted_percent(bar, image, empty[0])
            readings.append((before, painted, after))
            # What is painted lies between the values read just before and just after, within
            # the one pixel a truncated fill can lose.
            self.assertTrue(before - 1 <= painted <= after + 1, readings)
            if not asked and 30 <= after < 100:
                asked = True
                self.check_close_question()
            self.p.hold_sim(False)
            if after >= 100:
                break
            time.sleep(0.3)
        self.bus.pump()
        self.assertEqual(value_of(bar)[0], 100, readings)
        self.assertGreaterEqual(len({r[2] for r in readings}), 5, "too few readings on the way")
        self.assertTrue(asked, readings)
        wait_for(lambda: text_of(bar) == "Update Complete", what="the bar's closing text")

        status = text_of(controls["Status"])
        self.assertEqual(self.screen_text(controls["Status"]), status)
        wait_for(lambda: (self.bus.pump(), status in heard["status"])[1],
                 what=f'the change to "{status}" to be heard')
        self.assertIn("Records Sent", " ".join(heard["status"]))
        # One event per move of the bar's edge: 40 records and the reset before them, at most.
        self.assertGreaterEqual(heard["value"], 5)
        self.assertLessEqual(heard["value"], 42)

    def check_close_question(self):
        """Closing during the update asks first; the question reads as a dialog whose default
        answer completes the update. The equipment is held meanwhile."""
        self.d.activate(self.w)
        self.d.menu("alt+f", "x")
        question = self.wait_window_object("Complete the Update ?")
        self.assertEqual(role(question), "dialog")
        buttons = {b.name: b for b in walk(question) if role(b) == "push button"}
        self.assertEqual(set(buttons), {"Yes", "No"})
        self.assertIn("is default", states(buttons["Yes"]))
        self.assertNotIn("is default", states(buttons["No"]))
        self.d.key("Return")
        self.d.wait_no_window("Complete the Update ?")


# Another run of these checks on the same machine (a second checkout, CI): its own display and
# session bus, and the accessibility bus started on it, held until its input ends.
OTHER_RUN = """
import sys
sys.path.insert(0, sys.argv[1])
from accessbus import bus
bus()
print("up", flush=True)
sys.stdin.read()
"""


class RunBeside(AccessibilityCheck):
    def test_a_program_started_beside_another_run_is_read_on_this_runs_bus(self):
        other = subprocess.Popen([sys.executable, "-c", OTHER_RUN, os.path.dirname(__file__)],
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

        def end_other():
            other.stdin.close()  # it ends its buses as it exits
            try:
                other.wait(bound(5))
            finally:
                end_processes(other)
                other.stdout.close()
        self.addCleanup(end_other)
        ready, _, _ = select.select([other.stdout], [], [], bound(15))
        self.assertTrue(ready and other.stdout.readline().strip() == "up",
                        "the other run's accessibility bus did not start")
        main = self.start_read()
        self.assertEqual(role(main), "frame")
