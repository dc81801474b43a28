"""Orca, the screen reader, listening to the checks' own display and accessibility bus, and what
it says: every utterance Orca sends to the speech synthesiser is a "SPEECH OUTPUT" line of its
debug log. Orca runs with a home of its own (settings, speech-dispatcher and sound), so nothing
of the machine's user is read or changed; speech goes to libao's null driver, since a machine
without a sound card would otherwise keep speech-dispatcher waiting for one."""

import os
import re
import shutil
import subprocess
import tempfile
import time

from desktop import end_processes, wait_for

# "SPEECH OUTPUT: 'text'", followed by the voice's name or settings for some utterances.
SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*?)'(?:\s+voice=\S+)?(?:\s*\{.*\})?\s*$", re.M)

# Loaded by Orca as it starts: the debug log is written line by line, so that the checks read
# each utterance as it is said, not when a buffer fills.
CUSTOMISATIONS = """
import orca.debug
if orca.debug.debugFile:
    orca.debug.debugFile.reconfigure(line_buffering=True)
"""

SPEECHD_CONF = """
AudioOutputMethod "libao"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
"""


class ScreenReader:
    """One Orca for a run of checks; said() is what it has said since the last mark()."""

    def __init__(self, display_env, bus_env):
        self.home = tempfile.mkdtemp(prefix="vantoro-orca-")
        data = os.path.join(self.home, "data")
        config = os.path.join(self.home, "config")
        runtime = os.path.join(self.home, "run")
        for folder in (os.path.join(data, "orca"), os.path.join(config, "speech-dispatcher"),
                       runtime):
            os.makedirs(folder, mode=0o700)
        with open(os.path.join(data, "orca", "orca-customizations.py"), "w") as f:
            f.write(CUSTOMISATIONS)
        with open(os.path.join(config, "speech-dispatcher", "speechd.conf"), "w") as f:
            f.write(SPEECHD_CONF)
        with open(os.path.join(self.home, ".libao"), "w") as f:
            f.write("default_driver=null\n")
        self.log_path = os.path.join(self.home, "orca-debug.log")
        self.env = {**display_env, **bus_env, "HOME": self.home, "XDG_DATA_HOME": data,
                    "XDG_CONFIG_HOME": config, "XDG_RUNTIME_DIR": runtime,
                    "GTK_A11Y": "atspi", "NO_AT_BRIDGE": "0"}
        self._orca = subprocess.Popen(
            ["orca", "--debug", "--debug-file", self.log_path],
            env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self._offset = 0
        wait_for(lambda: self._log_has("Startup complete"), 60.0,
                 "Orca to start (its debug log stayed silent)")

    def _text(self):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def _log_has(self, text):
        return text in self._text()

    def mark(self):
        """From now on said() reports only what is said after this call."""
        self._offset = len(self._text())

    def said(self):
        """The utterances since the last mark(), in order."""
        return SPOKEN.findall(self._text()[self._offset:])

    def wait_said(self, pattern, timeout=20.0):
        """Waits until an utterance since the last mark() matches the regular expression
        `pattern`, and returns every utterance up to then."""
        regex = re.compile(pattern)

        def heard():
            spoken = self.said()
            return spoken if any(regex.search(s) for s in spoken) else None
        try:
            return wait_for(heard, timeout, f"Orca to say {pattern!r}")
        except AssertionError:
            raise AssertionError(f"Orca did not say {pattern!r}; it said {self.said()!r}") \
                from None

    def quiet(self, seconds=1.0):
        """Lets what is under way be said before the next mark()."""
        time.sleep(seconds)

    def stop(self):
        end_processes(self._orca)
        # VANTORO_ORCA_LOG=FILE keeps Orca's whole debug log, to see why it said what it said.
        if os.environ.get("VANTORO_ORCA_LOG") and os.path.exists(self.log_path):
            shutil.copy(self.log_path, os.environ["VANTORO_ORCA_LOG"])
        shutil.rmtree(self.home, ignore_errors=True)
