"""A wrong file and the gestures around an update, as a technician meets them: a file that is no
S-record file brings a question before anything reaches the equipment, Escape and the close box
on "Complete the Update ?" never abandon a flash, and a double-click on Start stops at
"Ensure ... is Off"."""

import os
import time

from desktop import s_record_file, wait_for
from programtest import ProgramTest

QUESTION = "Code File Check"
COMPLETE = "Complete the Update ?"
TEXT_FILE = "Release notes for the new firmware\nCall the service desk first.\n"


class FileCheckCase(ProgramTest):
    # The equipment switches itself on once the port is opened: no hand needed, and an opened
    # port shows.
    sim_args = ("--power-on-when-opened", "100")

    def use_file(self, content):
        """The file the window offers first (the newest version of the model's files)."""
        with open(os.path.join(self.p.code, "st24v103.s19"), "w") as f:
            f.write(content)

    def received(self):
        """Every byte the equipment got, once it is switched off for good."""
        sim = self.p._sim  # pylint: disable=protected-access
        sim.terminate()
        sim.wait(10)
        if not os.path.exists(self.p.received):
            return ""
        with open(self.p.received) as f:
            return f.read()

    def holds_port(self):
        """Whether the program has the equipment's line open, as lsof would tell."""
        return self.p.holds(os.path.realpath(os.path.join(self.p.links, "com9")))

    def screen_text(self, window=None):
        image = self.shot(window)
        return self.d.read_text(image)

    def wait_screen(self, words, timeout=20, window=None):
        return wait_for(lambda: words in self.screen_text(window), timeout, f'"{words}"')

    def press_start(self):
        self.d.activate(self.w)
        self.d.key("alt+s")


class FileCheck(FileCheckCase):
    def test_a_text_and_an_empty_file_bring_the_question_and_cancel_sends_nothing(self):
        self.use_file(TEXT_FILE)
        self.start()
        self.press_start()
        question = self.d.wait_window(QUESTION)
        text = self.screen_text(question)
        self.assertIn("st24v103", text)
        self.assertIn("line 1", text)
        self.d.activate(question)
        self.d.key("Return")  # the default button: Cancel
        self.d.wait_no_window(QUESTION)
        self.wait_screen("Cycle Complete")

        self.use_file("")
        self.press_start()
        question = self.d.wait_window(QUESTION)
        self.assertIn("empty", self.screen_text(question))
        x, y, width, _ = self.d.geometry(question)
        self.d.xdotool("mousemove", str(x + width - 8), str(y - 10), "click", "1")  # close box
        self.d.wait_no_window(QUESTION)
        time.sleep(0.5)
        self.assertFalse(self.holds_port(), "the port was opened")
        self.assertTrue(self.p.running())
        self.assertEqual(self.received(), "")

    def test_update_anyway_sends_the_file_as_it_is(self):
        self.use_file(TEXT_FILE)
        self.start()
        self.press_start()
        question = self.d.wait_window(QUESTION)
        self.d.click_text(question, self.shot(question, "question"), "Anyway")
        self.d.wait_no_window(QUESTION)
        self.wait_screen("Ensure")
        self.d.key("alt+u")
        # The equipment itself refuses the first line.
        self.wait_screen("S Record Error")
        self.assertEqual(self.received(), TEXT_FILE.splitlines(True)[0])

    def test_a_good_file_updates_without_a_question(self):
        self.start()
        self.press_start()
        self.wait_screen("Ensure")
        self.assertFalse(self.d.windows(QUESTION))
        self.d.key("alt+u")
        self.wait_screen("Update Complete", timeout=30)
        self.assertEqual(self.received(), s_record_file(40))


class CloseQuestion(FileCheckCase):
    # Slow enough for "Records Sent" to be read on the screen on the way.
    sim_args = ("--power-on-when-opened", "100", "--reply-delay", "300")
    # The equipment is held while the window is asked to close: a reply is overdue only after
    # a minute.
    settings = {"QVR Series": "60"}

    def ask_to_close(self):
        self.d.activate(self.w)
        self.d.key("alt+F4")
        return self.d.wait_window(COMPLETE)

    def test_escape_and_the_close_box_let_the_update_complete(self):
        self.start()
        self.press_start()
        self.wait_screen("Ensure")
        self.d.key("alt+u")
        self.wait_screen("Records Sent")
        # Held, the update is still running when it is asked to close, however busy the machine.
        self.p.hold_sim()
        self.addCleanup(self.p.hold_sim, False)
        question = self.ask_to_close()
        self.d.activate(question)
        self.d.key("Escape")
        self.d.wait_no_window(COMPLETE)
        question = self.ask_to_close()
        x, y, width, _ = self.d.geometry(question)
        self.d.xdotool("mousemove", str(x + width - 8), str(y - 10), "click", "1")
        self.d.wait_no_window(COMPLETE)
        self.assertTrue(self.p.running(), "the program closed mid-update")
        self.p.hold_sim(False)
        self.wait_screen("Update Complete", timeout=30)
        self.assertEqual(self.received(), s_record_file(40))


class StartDoubleClick(FileCheckCase):
    def test_a_double_click_on_start_stops_at_ensure_off(self):
        self.start()
        place = self.d.find_text(self.shot(), "Start")
        self.assertIsNotNone(place, "no Start button on the screen")
        self.d.xdotool("mousemove", "--window", str(self.w), str(place[0]), str(place[1]))
        self.d.xdotool("click", "--repeat", "2", "--delay", "80", "1")
        self.wait_screen("Ensure")
        time.sleep(0.5)
        self.assertFalse(self.holds_port(), "the second click opened the port")
        self.assertNotIn("Turn Saltir", self.screen_text())
