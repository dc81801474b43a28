"""A bench day by hand and eye: a Com Port list that holds still while it is open, a pulled
adapter that stays the choice, a terminal program holding the port, the close question that
follows the update, a long file checked without a freeze, links to what is no serial port, and
windows that open inside the screen."""

import os
import re
import subprocess
import sys
import time

from desktop import end_processes, run, wait_for
from programtest import ProgramTest

COMPLETE = "Complete the Update ?"


class BenchTest(ProgramTest):
    def screen_text(self, window=None):
        return self.d.read_text(self.shot(window))

    def wait_screen(self, pattern, timeout=15, window=None):
        """Until the window (or `window`) reads as matching `pattern`; the text is returned."""
        return wait_for(lambda: (lambda t: re.search(pattern, t) and t)(self.screen_text(window)),
                        timeout, f'"{pattern}" on the screen')

    def link(self, com, target):
        os.symlink(target, os.path.join(self.p.links, f"com{com}"))

    def open_port_list(self):
        self.tab_to(6)  # Product -> ... -> Com Port
        self.d.key("Return")
        return wait_for(self.d.popup, what="the Com Port list to drop down")


class PortList(BenchTest):
    def test_an_open_list_beside_a_network_port_keeps_its_highlight_and_takes_keys(self):
        self.link(10, "socket://127.0.0.1:9")
        self.start()
        self.open_port_list()
        time.sleep(3)  # three times the period at which the list used to be refilled
        self.d.key("Down", "Return")
        wait_for(lambda: not self.d.popup_open(), timeout=5, what="Enter to close the list")
        self.wait_screen(r"Com 10 . Network Port")
        self.assertRegex(self.log_text(), r"Com Port 10 Selected")

    def test_links_to_what_is_no_serial_port_say_what_they_are(self):
        notes = os.path.join(self.p.dir, "notes.txt")
        with open(notes, "w") as f:
            f.write("not a port\n")
        self.link(7, notes)
        self.link(8, "/dev/null")
        self.start()
        popup = self.open_port_list()
        time.sleep(0.3)
        text = self.d.read_text(self.shot(popup, "ports"))
        self.assertRegex(text, r"Com 7 . Not a Serial Port \(regular file\)")
        self.assertRegex(text, r"Com 8 . Not a Serial Port \(character device\)")
        self.d.key("Escape")


class PulledAdapter(BenchTest):
    def test_the_chosen_port_stays_the_choice_while_away_and_start_says_so(self):
        self.p.start_sim(com=12)  # another port the list could quietly move to
        self.start()
        end_processes(self.p._sim)  # pylint: disable=protected-access
        self.wait_screen(r"Com 9 . not connected")
        self.d.key("alt+s")
        self.wait_screen(r"Com Port 9 Not Connected")
        self.assertRegex(self.log_text(), r"Com Port 9 Not Connected")
        self.assertNotRegex(self.log_text(), r"Com Port 12 Selected")
        self.p.start_sim(com=9)  # plugged back
        self.wait_screen(r"Ready to Code", timeout=10)
        self.assertNotRegex(self.screen_text(), r"not connected")


class TerminalProgram(BenchTest):
    sim_args = ("--power-on-when-opened", "100")

    def test_a_port_open_in_another_program_is_in_use_and_the_log_names_it(self):
        line = os.path.realpath(os.path.join(self.p.links, "com9"))
        # A terminal program that takes no lock of any kind and reads what arrives.
        holder = subprocess.Popen(
            [sys.executable, "-c", "import os, time; fd = os.open(%r, os.O_RDWR | os.O_NOCTTY); "
             "time.sleep(120)" % line])
        self.addCleanup(end_processes, holder)
        wait_for(lambda: any(os.path.realpath(f"/proc/{holder.pid}/fd/{fd}") == line
                             for fd in os.listdir(f"/proc/{holder.pid}/fd")),
                 what="the terminal program to open the port")
        self.start()
        self.press_update()
        self.wait_screen(r"It is In Use")
        with open(f"/proc/{holder.pid}/comm") as f:
            name = f.read().strip()
        self.assertRegex(self.log_text(), re.escape(name) + r" \(process " + str(holder.pid))


class CloseQuestion(BenchTest):
    # Records are acknowledged slowly, and the twentieth is refused: the update fails on its own
    # while the question is up.
    sim_args = ("--power-on-when-opened", "100", "--reply-delay", "400", "--reply-at", "20:!")
    # Held while the question comes: a reply is overdue only after a minute.
    settings = {"QVR Series": "60"}

    def test_the_question_goes_when_the_update_fails_under_it(self):
        self.start()
        self.press_update()
        self.wait_screen(r"Record")
        # Held until the question is up, so that the update fails under it, however busy the
        # machine.
        self.p.hold_sim()
        self.addCleanup(self.p.hold_sim, False)
        self.d.key("alt+F4")
        self.d.wait_window(COMPLETE)
        self.assertNotIn("Fatal", self.screen_text(), "failed before the question was asked")
        self.p.hold_sim(False)
        self.d.wait_no_window(COMPLETE, timeout=20)
        self.wait_screen(r"Fatal Error")
        self.assertTrue(self.p.running(), "the window closed instead of showing the failure")


class LongFile(BenchTest):
    def test_a_long_file_shows_its_check_and_cancel_stops_it(self):
        # About 190 MB: seconds of reading, the newest version so the one offered.
        record = b"S10710001020300088\n"
        with open(os.path.join(self.p.code, "st24v109.s19"), "wb") as f:
            for _ in range(10):
                f.write(record * 1_000_000)
        self.start()
        self.d.key("alt+s")
        status = self.wait_screen(r"Checking st24v109\.s19: \d+%", timeout=3)
        self.assertNotIn("Ensure", status)
        self.d.key("alt+c")
        self.wait_screen(r"Ready to Code", timeout=10)
        self.assertRegex(self.log_text(), r"File Check Stopped")


class Placement(BenchTest):
    def frame_top(self, window):
        extents = run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"], env=self.d.env)
        return int(re.findall(r"\d+", extents.split("=")[-1])[2])

    def assert_inside(self, window, name):
        _, y, _, height = self.d.geometry(window)
        self.assertLessEqual(y + height, 1024, f"the {name}'s bottom edge is off the screen")
        self.assertGreaterEqual(y - self.frame_top(window), 0, f"the {name}'s title bar is off")

    def test_a_dialog_over_a_window_dragged_low_opens_inside_the_screen(self):
        self.start()
        # Dragged to the bottom of the screen, as on a crowded bench monitor.
        self.d.xdotool("windowmove", "--sync", str(self.w), "200", "760")
        time.sleep(0.5)
        self.d.activate(self.w)
        self.d.menu("alt+h", "a")
        about = self.d.wait_window("About Vantoro")
        time.sleep(1.0)
        self.assert_inside(about, "About box")
        self.d.key("Escape")

    def test_the_help_window_opens_again_inside_the_screen(self):
        self.start()
        self.d.key("F1")
        help_window = self.d.wait_window("Vantoro Help")
        time.sleep(0.5)
        # Dragged low, closed, and opened again from the main window.
        self.d.xdotool("windowmove", "--sync", str(help_window), "100", "700")
        time.sleep(0.3)
        self.d.wait_keyboard(help_window, "the help window")
        self.d.key("Escape")
        self.d.wait_no_window("Vantoro Help")
        self.d.activate(self.w)
        self.d.key("F1")
        help_window = self.d.wait_window("Vantoro Help")
        time.sleep(1.0)
        self.assert_inside(help_window, "help window")
