"""The window as an assistive technology reads it: a session bus of the checks' own, on which
the desktop's accessibility bus (at-spi2-core) starts when first asked for, and the tree of
accessible objects read through pyatspi, as a screen reader would read it."""

import atexit
import os
import shutil
import subprocess
import tempfile
import warnings

from desktop import end_processes, wait_for

BUS = None


class AccessibilityBus:
    """A session bus for this run; programs given `env` serve their tree on it."""

    def __init__(self):
        # The accessibility bus launcher puts its socket in the runtime folder, or in ~/.cache
        # without one, under a name that is the same for every run on the machine: a second run
        # beside this one would take the socket over, and this run's programs would register
        # on the other run's bus (and find none at all once that run ended and removed it).
        # A runtime folder of the run's own keeps the bus to this run.
        self._runtime = tempfile.mkdtemp(prefix="vantoro-a11y-")
        self._daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1"],
            env=dict(os.environ, XDG_RUNTIME_DIR=self._runtime),
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        address = self._daemon.stdout.readline().strip()
        if not address:
            raise RuntimeError("the session bus did not start")
        self.env = {"DBUS_SESSION_BUS_ADDRESS": address, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}
        # This process reads the tree: pyatspi finds the accessibility bus through the session
        # bus it is started with, and asking for the desktop starts that bus and its registry.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
        # pyatspi reaches the interfaces through calls its own library has since renamed.
        warnings.filterwarnings("ignore", category=DeprecationWarning, module="pyatspi")
        warnings.filterwarnings("ignore", category=ImportWarning)
        import pyatspi  # pylint: disable=import-outside-toplevel
        from gi.repository import GLib  # pylint: disable=import-outside-toplevel
        self.pyatspi = pyatspi
        self._context = GLib.MainContext.default()
        self.desktop = pyatspi.Registry.getDesktop(0)

    def stop(self):
        # The accessibility bus and its registry end with the session bus they were started on.
        end_processes(self._daemon)
        self._daemon.stdout.close()
        shutil.rmtree(self._runtime, ignore_errors=True)

    def application(self, program_path, timeout=20.0):
        """The accessible application of the program started from `program_path`."""
        def find():
            self.pump()
            for app in self.desktop:
                if app is not None and app.description == program_path:
                    return app
            return None
        return wait_for(find, timeout, "the program to appear on the accessibility bus")

    def listen(self, callback, *events):
        self.pyatspi.Registry.registerEventListener(callback, *events)

    def forget(self, callback, *events):
        self.pyatspi.Registry.deregisterEventListener(callback, *events)

    def pump(self):
        """Delivers the events that arrived to the listeners."""
        while self._context.pending():
            self._context.iteration(False)


def bus():
    """The one accessibility bus of this run: started on first use, stopped when it ends."""
    global BUS
    if BUS is None:
        BUS = AccessibilityBus()
        atexit.register(BUS.stop)
    return BUS


def role(acc):
    return acc.getRoleName()


def states(acc):
    """The object's states by name: "focusable", "sensitive", "is default" ..."""
    import pyatspi  # pylint: disable=import-outside-toplevel
    return {pyatspi.stateToString(s) for s in acc.getState().getStates()}


def children(acc):
    return [child for child in acc if child is not None]


def walk(acc):
    """acc and everything below it, depth first."""
    yield acc
    for child in children(acc):
        yield from walk(child)


def text_of(acc):
    """The whole text of an object with a text interface."""
    return acc.queryText().getText(0, -1)


def value_of(acc):
    value = acc.queryValue()
    return value.currentValue, value.minimumValue, value.maximumValue


def labelled_by(acc, pyatspi):
    """Names of the objects acc says it is labelled by."""
    names = []
    for relation in acc.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def listing(acc, depth=0, skip_roles=("menu bar", "list", "scroll bar")):
    """A short indented listing of the tree: role, name and value of each object."""
    lines = []
    shown = ""
    try:
        current, _, maximum = value_of(acc)
        shown = f" = {current:g} of {maximum:g}"
    except NotImplementedError:
        pass
    if not shown and role(acc) in ("text", "status bar", "combo box", "label"):
        try:
            text = text_of(acc)
            shown = f" = {text.splitlines()[0][:60] if text else ''!r}"
        except NotImplementedError:
            pass
    if role(acc) == "progress bar":
        shown += f", {text_of(acc)!r}"
    if "sensitive" not in states(acc) and role(acc) != "label":
        shown += " (unavailable)"
    lines.append(f"{'  ' * depth}{role(acc)} {acc.name!r}{shown}")
    if role(acc) == "text":
        return lines  # a text box's scroll bars and viewport are its own business
    for child in children(acc):
        if role(child) not in skip_roles:
            lines += listing(child, depth + 1, skip_roles)
    return lines
