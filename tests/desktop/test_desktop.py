"""The program as a technician uses it: the real executable on an X display with a window
manager, driven by keys and the mouse, judged by what is on the screen, in the settings file
and on the line.

    python3 tests/desktop/test_desktop.py --build build [-v] [TestCase.test_name ...]

Checks of one topic live in check_TOPIC.py beside this file (named check_TOPIC.Case.test_name
on the command line); they are run with these.

VANTORO_DESKTOP_DISPLAY=:0 runs the checks on an existing display instead of Xvfb, to watch
them (a window manager must be running there)."""

import argparse
import importlib
import fcntl
import os
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
TIOCGPTN = 0x80045430
import programtest  # noqa: E402
from desktop import wait_for  # noqa: E402
from programtest import ProgramTest, baseline, highlighted_row, text_rows  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
# Every check_*.py beside this file, by module name, so that "check_x.Case.test" names one.
CHECK_MODULES = {name[:-3]: importlib.import_module(name[:-3])
                 for name in sorted(os.listdir(HERE))
                 if name.startswith("check_") and name.endswith(".py")}
globals().update(CHECK_MODULES)
# Checks left out of the whole suite unless their variable is set (module name -> variable);
# named ones always run.
ON_REQUEST = {}


class HelpWindow(ProgramTest):
    def open_help(self):
        """Opens help from the main window; returns it once it takes the keyboard."""
        self.d.activate(self.w)
        self.d.menu("alt+h", "c")
        help_window = self.d.wait_window("Vantoro Help")
        self.d.wait_keyboard(help_window, "the help window")
        return help_window

    def test_help_comes_to_the_front_scrolls_and_closes_by_itself(self):
        self.start()
        help_window = self.open_help()
        wait_for(lambda: self.d.active_window() == help_window, what="help to take the focus")
        self.assertEqual(self.d.stacking_order()[-1], help_window, "help is not in front")
        before = self.shot(help_window, "help-top")
        self.d.key("Next", "Next")
        self.assertNotEqual(before.tobytes(), self.shot(help_window, "help-down").tobytes(),
                            "Page Down did not scroll the help")
        self.d.key("Escape")
        self.d.wait_no_window("Vantoro Help")

        self.open_help()
        self.d.key("ctrl+w")
        self.d.wait_no_window("Vantoro Help")

        help_window = self.open_help()
        x, y, width, _ = self.d.geometry(help_window)
        self.d.xdotool("mousemove", str(x + width - 8), str(y - 10), "click", "1")
        self.d.wait_no_window("Vantoro Help")

        # Help open, the main window still takes the keyboard and closes it on exit.
        self.open_help()
        self.exit_program()
        self.d.wait_no_window("Vantoro Help")
        # The Page Down keys went to the help, not to the Product list.
        self.assertEqual(self.p.settings()["APP"]["PLATFORM"], "Saltir Series")


class Keyboard(ProgramTest):
    def test_enter_in_the_log_box_presses_no_button(self):
        self.start()
        self.d.click_text(self.w, self.shot(), "Start")
        self.d.click_text(self.w, self.shot(), "Cancel")
        _, _, width, height = self.d.geometry(self.w)
        self.d.click(self.w, width // 2, int(height * 0.85))
        for key in ("Return", "KP_Enter"):
            self.d.key(key)
            time.sleep(0.5)
            self.assertFalse(self.d.windows("Choose Directory"), f"{key} opened the chooser")
        # Enter on a focused push button still presses it.
        self.d.click(self.w, width // 2, int(height * 0.85))
        self.tab_to(4)  # log box -> Product -> Model -> Directory -> Directory...
        self.d.key("Return")
        chooser = self.d.wait_window("Choose Directory")
        self.d.activate(chooser)
        self.d.key("Escape")
        self.d.wait_no_window("Choose Directory")

    def look_after(self, key, before):
        """The window's look once `key` has changed it and it has stopped changing (a busy
        machine paints late), or None when the key changes nothing on the screen."""
        self.d.key(key)

        def changed():
            look = self.shot(name="tab").tobytes()
            return look != before and look == self.shot(name="tab").tobytes() and look
        try:
            return wait_for(changed, timeout=2, what=f"{key} to change the window")
        except AssertionError:
            return None

    def test_tab_visits_each_visible_control_once_around(self):
        # Product, Model, Directory, Directory..., Software, File..., Com Port, Start and the
        # Event Log, shown while logging is on (Cancel is disabled when idle).
        visible_stops = 9
        self.start()
        # Focus frames show once the keyboard moved the focus.
        start = self.look_after("shift+Tab", self.look_after("Tab", self.shot().tobytes()))
        for key in ("Tab", "shift+Tab"):
            look, stops = start, 0
            while stops <= visible_stops:
                look = self.look_after(key, look)
                self.assertIsNotNone(look, f"{key} stopped at a control not shown")
                stops += 1
                if look == start:
                    break
            self.assertEqual(look, start, f"{key} never came back to the Product list")
            self.assertEqual(stops, visible_stops, f"{key} stops at an invisible control")

    def test_escape_closes_a_dropped_down_list_and_never_the_window(self):
        self.start()
        self.d.key("Return")  # the Product list has the focus at start
        wait_for(self.d.popup_open, what="the Product list to drop down")
        self.d.key("Escape")
        wait_for(lambda: not self.d.popup_open(), what="Escape to close the list")
        self.d.key("Escape")
        time.sleep(0.5)
        self.assertEqual(self.d.active_window(), self.w, "a second Escape closed the window")


class ListsKeepTheirChoice(ProgramTest):
    def test_enter_and_clicks_on_the_same_entry_change_nothing(self):
        # Read as a screen reader reads it, to know where the focus is before each key.
        self.start_read()
        chosen = os.path.join(self.p.code, "st24v101.s19")
        self.wait_focus("Product")
        self.tab_to(5)  # Product -> ... -> File...
        self.wait_focus("File...")
        self.d.key("Return")
        dialog = wait_for(lambda: [w for w in (self.d.active_window(),) if w and w != self.w],
                          what="the file dialog")[0]
        self.d.wait_keyboard(dialog, "the file dialog")
        self.d.type_text(chosen)
        self.d.key("Return")
        wait_for(lambda: self.d.active_window() == self.w, what="the file dialog to close")

        # The focus comes back to File... once the window is active again, not before.
        self.wait_focus("File...")
        self.tab_to(4, backwards=True)  # File... -> Software -> ... -> Model
        self.wait_focus("Model")
        self.d.key("Return")
        wait_for(self.d.popup_open, what="the Model list")
        self.d.key("Return")
        wait_for(lambda: not self.d.popup_open(), what="the Model list to close")

        self.tab_to(5)  # Model -> ... -> Com Port
        self.wait_focus("Com Port")
        self.d.key("Return")
        wait_for(self.d.popup_open, what="the Com Port list")
        self.d.key("Return")
        wait_for(lambda: not self.d.popup_open(), what="the Com Port list to close")
        # A click on the entry already selected closes the list and changes nothing either.
        self.d.key("Return")
        popup = wait_for(self.d.popup, what="the Com Port list")
        time.sleep(0.2)
        x, y, _, _ = self.d.geometry(popup)
        self.d.xdotool("mousemove", str(x + 30), str(y + highlighted_row(self.shot(popup))),
                       "click", "1")
        wait_for(lambda: not self.d.popup_open(), what="the click to close the list")
        log = self.log_text()
        self.assertEqual(log.count("Selected"), 2, log)
        self.exit_program()
        self.assertEqual(self.p.settings()["PLATFORM_SALTIR"]["VARIANT_FILE"], chosen)


class LivePortList(ProgramTest):
    def test_an_adapter_plugged_in_appears_in_the_open_list(self):
        self.start()
        self.p.start_sim(com=12)  # a second adapter, while the window is open
        self.tab_to(6)  # Product -> ... -> Com Port

        def listed():
            """Whether the list, opened, shows Com 12; closed again if not: an open list holds
            still, and the program may not have seen the adapter yet."""
            self.d.key("Return")
            popup = wait_for(self.d.popup, what="the Com Port list")
            time.sleep(0.2)
            if "Com 12" in self.d.read_text(self.shot(popup, "ports")):
                return True
            self.d.key("Escape")
            wait_for(lambda: not self.d.popup_open(), what="Escape to close the list")
            return False
        wait_for(listed, what="Com 12 in the Com Port list")
        self.d.key("Return")
        wait_for(lambda: not self.d.popup_open(), what="the list to close")
        self.assertIn("Com 9 - Serial Port", self.d.read_text(self.shot()),
                      "the port chosen before stays chosen")


class PortTrouble(ProgramTest):
    settings = {"PORT": "7"}

    def test_a_port_failing_with_an_io_error_is_not_called_in_use(self):
        # A pseudo-terminal whose other side never let it be opened answers with EIO, as a
        # failing adapter or a port with no hardware behind it does.
        master = os.open("/dev/ptmx", os.O_RDWR | os.O_NOCTTY)
        self.addCleanup(os.close, master)
        number = struct.unpack("i", fcntl.ioctl(master, TIOCGPTN, b"\0" * 4))[0]
        os.symlink(f"/dev/pts/{number}", os.path.join(self.p.links, "com7"))
        self.start()
        self.press_update()

        def status_lines():
            image = self.shot()
            return self.d.read_text(image, (0, int(image.height * 0.4), image.width,
                                            int(image.height * 0.6)))
        status = wait_for(lambda: (lambda t: "Unable to open" in t and t)(status_lines()),
                          what='"Unable to open Port 7"')
        self.assertIn("Unable to open Port 7", status)
        self.assertIn("Unknown", status)
        self.assertNotIn("In Use", status)
        self.assertIn("Error 31", status)
        self.assertIn("Input/output error", self.log_text())


class ReplyBytes(ProgramTest):
    # A carriage return: a line feed is Saltir's detection text, which now reads as a restart.
    sim_args = ("--reply-at", "2:\\r")

    def test_an_unexpected_carriage_return_reads_as_one_visible_log_line(self):
        self.start()
        self.press_update()
        self.wait_line_open()
        self.p.power_on()
        wait_for(lambda: "Unexpected" in self.log_text(), timeout=15, what="the failure")
        lines = [line for line in self.log_text().splitlines() if "Unexpected Reply" in line]
        self.assertEqual(len(lines), 1, lines)
        self.assertRegex(lines[0], r"Unexpected Reply Character 0x[0O]D")  # OCR may read 0 as O


class Version(unittest.TestCase):
    def test_version_and_help_in_a_terminal(self):
        program = os.path.join(programtest.BUILD, "vantoro")
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        out = subprocess.run([program, "--version"], capture_output=True, text=True, env=env,
                             timeout=10)
        self.assertEqual((out.returncode, out.stdout.strip()), (0, "vantoro 1.3.0.1"))
        out = subprocess.run([program, "--help"], capture_output=True, text=True, env=env,
                             timeout=10)
        self.assertEqual(out.returncode, 0)
        self.assertIn("Usage: vantoro", out.stdout)
        out = subprocess.run([program, "--bogus"], capture_output=True, text=True, env=env,
                             timeout=10)
        self.assertEqual(out.returncode, 2)
        self.assertIn("--bogus", out.stderr)


class DirectoryChooser(ProgramTest):
    def test_dot_folders_hidden_and_the_selected_row_shown_whole(self):
        for i in range(40):
            os.makedirs(os.path.join(self.p.code, f"batch{i:02d}"))
        os.makedirs(os.path.join(self.p.code, "batch39", ".cache"))  # would sort first
        # Deep enough for the tree to need a sideways scroll bar too.
        deep = os.path.join(self.p.code, "batch39", "firmware-releases-for-the-saltir-range",
                            "version-one-hundred-and-three")
        os.makedirs(deep)
        self.p.write_settings({})
        with open(self.p.settings_path) as f:
            text = f.read().replace(f"WORKING_DIRECTORY={self.p.code}/",
                                    f"WORKING_DIRECTORY={deep}/")
        with open(self.p.settings_path, "w") as f:
            f.write(text)
        self.start()
        self.tab_to(3)
        self.d.key("Return")
        chooser = self.d.wait_window("Choose Directory")

        def shown():
            image = self.shot(chooser, "chooser")
            text = self.d.read_text(image)
            return "batch39" in text.lower().replace(" ", "") and (image, text)
        image, text = wait_for(shown, what="the chooser opened down to batch39")
        self.assertNotIn("cache", text.lower())
        # The highlighted row lies wholly inside the tree: highlight pixels, then the tree's
        # white background, below it.
        pixels = image.load()
        tree_bottom = int(image.height * 0.87)  # the OK and Cancel buttons lie below
        highlighted = [y for y in range(tree_bottom)
                       if any(pixels[x, y][2] > 150 and pixels[x, y][0] < 100
                              for x in range(10, image.width // 2, 3))]
        self.assertTrue(highlighted, "no row is selected")
        bottom = max(highlighted)
        below = [pixels[x, bottom + 2] for x in range(10, image.width // 2, 3)]
        self.assertTrue(any(p == (255, 255, 255) for p in below),
                        f"the selected row is cut off at row {bottom}")
        self.d.key("Escape")


class Layout(ProgramTest):
    def test_labels_sit_on_the_line_of_their_fields(self):
        self.start()
        image = self.shot(name="layout")
        # Label column and the fields' text, found from the window's own proportions.
        label_x = (8, int(image.width * 0.12))
        field_x = (int(image.width * 0.15), int(image.width * 0.5))
        labels = text_rows(image, *label_x, 30, int(image.height * 0.6))
        groups, current = [], []
        for y in sorted(labels):
            if current and y > current[-1] + 3:
                groups.append(current)
                current = []
            current.append(y)
        groups.append(current)
        self.assertGreaterEqual(len(groups), 7)
        for group in groups[:7]:
            label = {y: labels[y] for y in group}
            field = text_rows(image, *field_x, min(group) - 6, max(group) + 7)
            self.assertTrue(field, f"no field text beside the label at {min(group)}")
            self.assertLessEqual(abs(baseline(label) - baseline(field)), 1,
                                 f"label at rows {min(group)}-{max(group)}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    args, rest = parser.parse_known_args()
    programtest.BUILD = os.path.abspath(args.build)
    tempfile.tempdir = None
    unittest.main(argv=[sys.argv[0], *rest])


def load_tests(loader, tests, pattern):
    """This module's checks and those of every check_*.py beside it."""
    for name, module in CHECK_MODULES.items():
        if name in ON_REQUEST and not os.environ.get(ON_REQUEST[name]):
            continue
        tests.addTests(loader.loadTestsFromModule(module))
    return tests


if __name__ == "__main__":
    main()
