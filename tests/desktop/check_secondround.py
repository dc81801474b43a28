"""A technician's second round with the window: an adapter that blinks, a line that hangs up,
a folder that cannot be read, a folder typed relative, a screen at scale 2, F1 and a file name
too long for its box."""

import os
import re
import signal
import subprocess
import time

from desktop import end_processes, run, wait_for
from programtest import ProgramTest


def sim_on(folder, com):
    """The simulator process linked as `com`."""
    return next(s for s in folder._sims
                if s.poll() is None and s.args[s.args.index("--com") + 1] == str(com))


def start_program(test, cwd=None, prefix=(), env=None):
    """The program started as ProgramFolder.start starts it, from a folder and under a command
    of the check's choosing."""
    p = test.p
    p._program = subprocess.Popen([*prefix, os.path.join(p.dir, "vantoro")], cwd=cwd,
                                  env=env or test.d.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.PIPE, text=True)
    test.w = p.window = test.d.wait_window("Vantoro")
    test.d.activate(test.w)
    return test.w


class PortChoice(ProgramTest):
    settings = {"PORT": "12"}

    def com_port_box(self):
        """The number of the port the Com Port box shows ("Com 12 - Serial Port ..."), as read,
        with " away" added while it is shown as not connected."""
        found = re.search(r"Com (\d+) . (Serial|not connected)", self.d.read_text(self.shot()))
        if not found:
            return ""
        return found.group(1) + (" away" if found.group(2) == "not connected" else "")

    def test_the_chosen_port_comes_back_after_a_blink_and_is_saved(self):
        self.p.start_sim(com=12)
        self.start()
        wait_for(lambda: self.com_port_box() == "12", what="COM 12 chosen")
        end_processes(sim_on(self.p, 12))  # the adapter pulled
        wait_for(lambda: self.com_port_box() == "12 away", what="the choice shown as away")
        time.sleep(3)
        self.p.start_sim(com=12)  # and put back
        wait_for(lambda: self.com_port_box() == "12", timeout=8,
                 what="the choice to come back with COM 12")
        self.assertIn("Com Port 12 Selected", self.log_text())
        self.exit_program()
        self.assertEqual(self.p.settings()["APP"]["PORT"], "12")

    def test_a_port_whose_device_vanished_is_listed_as_not_connected(self):
        self.p.start_sim(com=12)
        self.start()
        wait_for(lambda: self.com_port_box() == "12", what="COM 12 chosen")
        # Killed: its link stays, pointing at a pseudo-terminal that is no more.
        sim_on(self.p, 12).send_signal(signal.SIGKILL)
        wait_for(lambda: self.com_port_box() == "12 away", timeout=15,
                 what="COM 12 to be shown as not connected")
        self.tab_to(6)  # Product -> ... -> Com Port
        self.d.key("Return")
        popup = wait_for(self.d.popup, what="the Com Port list")
        time.sleep(0.2)
        # The highlighted row (the choice, not connected) does not read back; no other row
        # may be Com 12.
        self.assertNotRegex(self.d.read_text(self.shot(popup, "ports")), r"Com 12 . Serial")
        self.d.key("Escape", "Return")


def ocr_pattern(text):
    """A pattern for text as OCR reads it back: a zero may come back as a letter O, or as two
    of them."""
    return "".join("[0Oo]{1,2}" if c == "0" else re.escape(c) for c in text)


class HangUp(ProgramTest):
    sim_args = ("--hangup-at", "5")

    def test_a_hang_up_is_logged_at_once_and_the_port_leaves_after_the_update(self):
        self.start()
        self.press_update()
        self.wait_line_open()
        self.p.power_on()
        log = wait_for(lambda: (lambda t: "Hung" in t and t)(self.log_text()), timeout=8,
                       what="the hang-up in the log")
        device = os.readlink(os.path.join(self.p.links, "com9"))
        self.assertRegex(log, r"Port 9 \(" + ocr_pattern(device) + r"\) Hung Up")
        # Read before the reply time-out ended the update: the hang-up was logged first.
        self.assertNotIn("Timeout", log, "logged only once the time-out ended the update")
        # The documented time-out still ends the update.
        wait_for(lambda: "Timeout" in self.d.read_text(self.shot()), timeout=25,
                 what="the time-out")
        self.d.key("alt+c")

        def port_away():
            image = self.shot()
            listed["text"] = self.d.read_text(image, (0, int(image.height * 0.33), image.width,
                                                      int(image.height * 0.6)))
            return re.search(r"Com 9 . not connected", listed["text"])

        def taken_by_another():
            """The pseudo-terminal number was given to a new terminal of someone else's (the
            kernel reuses the lowest free one): the link names a live device again."""
            return os.path.exists(device) and not self.p.holds(device)
        listed = {}
        try:
            wait_for(lambda: port_away() or taken_by_another(), timeout=10,
                     what="the hung-up port to be shown as not connected")
        except AssertionError as error:
            raise AssertionError(f"{error}; the list read: {listed.get('text', '')!r}, "
                                 f"{device} exists: {os.path.exists(device)}") from None


class Folders(ProgramTest):
    def test_an_unreadable_folder_says_why(self):
        os.chmod(self.p.code, 0)
        self.addCleanup(os.chmod, self.p.code, 0o755)
        # Without the capabilities that let root read any folder.
        start_program(self, prefix=("setpriv", "--bounding-set", "-dac_override,-dac_read_search",
                                    "--inh-caps", "-all"))
        image = self.shot()
        status = self.d.read_text(image, (0, int(image.height * 0.4), image.width,
                                          int(image.height * 0.6)))
        self.assertIn("No Software Found for Saltir 24", status)
        log = self.log_text()
        self.assertIn("Cannot read folder", log)
        self.assertIn("Permission denied", log)

    def test_a_relative_folder_is_kept_as_the_folder_it_meant(self):
        other = os.path.join(self.p.dir, "other")
        os.makedirs(other)
        start_program(self, cwd=self.p.dir)
        self.tab_to(2)  # Product -> Model -> Directory
        self.d.key("ctrl+a")
        self.d.type_text("code")
        self.d.key("Return")
        self.exit_program()
        self.assertEqual(self.p.settings()["PLATFORM_SALTIR"]["WORKING_DIRECTORY"],
                         self.p.code + "/")


class Screen(ProgramTest):
    def test_at_scale_2_the_window_opens_with_its_title_bar_on_the_screen(self):
        start_program(self, env=dict(self.d.env, QT_SCALE_FACTOR="2"))
        time.sleep(1.0)
        x, y, width, height = self.d.geometry(self.w)
        extents = run(["xprop", "-id", str(self.w), "_NET_FRAME_EXTENTS"], env=self.d.env)
        left, _, top, _ = (int(v) for v in re.findall(r"\d+", extents.split("=")[-1]))
        frame_x, frame_y = x - left, y - top
        self.assertGreaterEqual(frame_y, 0, "the title bar is above the screen")
        self.assertGreaterEqual(frame_x, 0, "the frame is left of the screen")
        if height + top <= 1024:
            self.assertLessEqual(y + height, 1024, "it fits, yet it is cut at the bottom")
        self.exit_program()

    def test_f1_opens_help(self):
        self.start()
        self.d.key("F1")
        self.d.wait_window("Vantoro Help")

    def test_a_file_name_the_box_cuts_shows_whole_as_a_tooltip(self):
        # A file chosen with File... may have any name; this one is longer than the box.
        chosen = os.path.join(self.p.code,
                              "st24v102-release-candidate-for-the-night-shift-of-the-second-plant.s19")
        os.rename(os.path.join(self.p.code, "st24v102.s19"), chosen)
        with open(self.p.settings_path) as f:
            text = f.read().replace("VARIANT_FILE=", "VARIANT_FILE=" + chosen)
        with open(self.p.settings_path, "w") as f:
            f.write(text)
        self.start()
        image = self.shot()
        self.assertIsNone(self.d.popup())
        # The Software box: the field right of its label, a little below the Directory field.
        x, y = self.d.find_text(image, "Software")
        self.d.xdotool("mousemove", "--window", str(self.w), str(x + image.width // 3), str(y))
        tip = wait_for(self.d.popup, timeout=6, what="a tooltip over the Software box")
        time.sleep(0.3)
        tip_text = self.d.read_text(self.shot(tip, "tip")).replace(" ", "")
        self.assertIn("second-plant.s19", tip_text)
