"""A private X server with one program on it, driven through xdotool.

The tests start no window manager, so a window stands exactly where the
program put it, and the mouse and keyboard reach whatever lies under the
pointer or holds the focus, as on any bare X display.
"""

import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

WAIT_SECONDS = 30
ASAN_SUPPRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "asan.supp")


class E2EFailure(AssertionError):
    pass


def wait_for(what, probe, timeout=WAIT_SECONDS, interval=0.05):
    """Polls probe() until it returns something true and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise E2EFailure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class XServer:
    def __init__(self, width=1280, height=1024):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.process.kill()
            raise E2EFailure("Xvfb did not start")
        self.display = f":{number}"

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class Session:
    """One X server, one scratch folder and the program under test."""

    def __init__(self, executable):
        self.scratch = tempfile.mkdtemp(prefix="quorva-e2e-")
        # Set QUORVA_E2E_KEEP=1 to look at the files and screenshots of a
        # passing run too.
        self.keep_scratch = os.environ.get("QUORVA_E2E_KEEP") == "1"
        self.server = XServer()
        self.app = None
        self.app_log = os.path.join(self.scratch, "app.log")
        self.executable = executable
        try:
            self.xlib = Xlib(self.server.display)
        except Exception:
            self.server.stop()
            raise

    # -- the program -------------------------------------------------------

    def app_environment(self):
        home = os.path.join(self.scratch, "home")
        runtime = os.path.join(self.scratch, "runtime")
        os.makedirs(home, exist_ok=True)
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("QT_", "XDG_", "WAYLAND_"))}
        env.update({
            "DISPLAY": self.server.display,
            "QT_QPA_PLATFORM": "xcb",
            "HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_CACHE_HOME": os.path.join(home, ".cache"),
            "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
            "XDG_RUNTIME_DIR": runtime,
            "LC_ALL": "C.UTF-8",
        })
        if "ASAN_OPTIONS" in env:
            env["ASAN_OPTIONS"] += ":suppressions=" + ASAN_SUPPRESSIONS
        return env

    def start_app(self, *arguments, environment=None):
        with open(self.app_log, "wb") as log:
            self.app = subprocess.Popen([self.executable, *arguments],
                                        env={**self.app_environment(), **(environment or {})},
                                        stdout=log, stderr=subprocess.STDOUT,
                                        cwd=self.scratch)

    def close_window_and_wait_for_exit(self, window, timeout=60):
        """Asks the window to close as a window manager's close box does,
        then waits for the program to end and returns its exit status."""
        self.xlib.send_delete_window(window)
        try:
            return self.app.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise E2EFailure("the program did not end after its window was closed")

    def app_output(self):
        with open(self.app_log, "rb") as log:
            return log.read().decode("utf-8", "replace")

    # -- X -----------------------------------------------------------------

    def run_x_client(self, *command, timeout=20):
        """Runs an X tool on this server; returns its exit status and output."""
        result = subprocess.run([str(part) for part in command], capture_output=True,
                                timeout=timeout, env={**os.environ, "DISPLAY": self.server.display})
        return result.returncode, result.stdout.decode("utf-8", "replace").strip()

    def xdotool(self, *args):
        return self.run_x_client("xdotool", *args)[1]

    def visible_windows(self, name):
        """Visible windows whose title is exactly name (xdotool matches
        titles case-insensitively, which would confuse "Quorva" and "quorva")."""
        ids = self.xdotool("search", "--onlyvisible", "--name", f"^{name}$").split()
        return [window for window in ids if self.xdotool("getwindowname", window) == name]

    def wait_for_window(self, name, timeout=WAIT_SECONDS):
        if self.app.poll() is not None:
            raise E2EFailure(f"the program ended (status {self.app.returncode}) "
                             f"before a window '{name}' appeared")
        windows = wait_for(f"a window titled '{name}'", lambda: self.visible_windows(name), timeout)
        if len(windows) != 1:
            raise E2EFailure(f"expected one window titled '{name}', found {len(windows)}")
        return windows[0]

    def is_mapped(self, window):
        output = self.run_x_client("xwininfo", "-id", window)[1]
        return "IsViewable" in output or "IsUnviewable" in output

    def wait_until_closed(self, window, name):
        wait_for(f"the window '{name}' to close", lambda: not self.is_mapped(window))
        wait_for("the mouse and keyboard to be free", self.xlib.input_is_free)

    def describe_windows(self):
        """Every visible window's title and client area, to tell what was on
        the screen when something went wrong."""
        ids = self.xdotool("search", "--onlyvisible", "--name", ".").split()
        return "\n".join(f"  {window} '{self.xdotool('getwindowname', window)}' {self.geometry(window)}"
                         for window in ids)

    def wait_for_focus(self, window, name):
        wait_for(f"the window '{name}' to get the keyboard focus",
                 lambda: self.xdotool("getwindowfocus") == window)

    def geometry(self, window):
        """Client area of a window: (left, top, width, height) on the screen.
        (xdotool's getwindowgeometry is off inside a window manager's frame.)"""
        output = self.run_x_client("xwininfo", "-id", window)[1]
        fields = dict(line.strip().split(": ", 1) for line in output.splitlines() if ": " in line)
        return tuple(int(fields[key]) for key in
                     ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def click(self, x, y):
        self.xdotool("mousemove", x, y, "click", "1")

    def key(self, *keys):
        self.xdotool("key", "--delay", "20", *keys)

    def type_text(self, text):
        self.xdotool("type", "--delay", "10", text)

    def clipboard_text(self):
        status, text = self.run_x_client("xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING")
        return text if status == 0 else ""

    def screenshot(self, path, crop=None):
        """crop: (left, top, width, height) of the screen, or None for all."""
        command = ["import", "-window", "root"]
        if crop:
            left, top, width, height = crop
            command += ["-crop", f"{width}x{height}+{left}+{top}", "+repage"]
        status, output = self.run_x_client(*command, path)
        if status != 0:
            raise E2EFailure(f"no screenshot: {output}")

    # -- the end -------------------------------------------------------------

    def finish(self, failed):
        if self.app and self.app.poll() is None:
            self.app.kill()
            self.app.wait()
        self.xlib.close()
        self.server.stop()
        if failed or self.keep_scratch:
            print(f"scratch folder kept: {self.scratch}")
        else:
            shutil.rmtree(self.scratch, ignore_errors=True)


def case_main(cases, run, tools=("Xvfb", "xdotool", "xclip")):
    """The command line of a script of cases: SCRIPT QUORVA_EXECUTABLE CASE.
    Returns the exit status of run(executable, case) once the tools are there."""
    if len(sys.argv) != 3 or sys.argv[2] not in cases:
        print(f"usage: {sys.argv[0]} QUORVA_EXECUTABLE {{{'|'.join(cases)}}}", file=sys.stderr)
        return 2
    missing = [tool for tool in tools if not shutil.which(tool)]
    if missing:
        print(f"missing {', '.join(missing)}: install the TEST_PACKAGES of scripts/packages.sh",
              file=sys.stderr)
        return 1
    return run(os.path.abspath(sys.argv[1]), sys.argv[2])


def run_in_session(executable, body):
    """Runs body(session) in a fresh session; on a failure prints the trace,
    the windows on the screen and where a screenshot of it went. Returns the
    exit status for the test runner."""
    session = Session(executable)
    failed = True
    try:
        body(session)
        failed = False
    except Exception:
        traceback.print_exc(file=sys.stdout)
        screen = os.path.join(session.scratch, "screen-at-failure.png")
        try:  # only help in finding the cause
            print("windows on the screen:\n" + session.describe_windows())
            session.screenshot(screen)
            print(f"screen at the failure: {screen}")
        except Exception as error:
            print(f"no picture of the screen: {error}")
    finally:
        output = session.app_output() if os.path.exists(session.app_log) else ""
        session.finish(failed)
    if output:
        print("program output:\n" + output)
    return 1 if failed else 0


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


class Xlib:
    """The two things xdotool cannot do, through libX11 itself."""

    GRAB_SUCCESS = 0
    GRAB_MODE_ASYNC = 1
    CLIENT_MESSAGE = 33

    def __init__(self, display_name):
        lib = ctypes.CDLL("libX11.so.6")
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XInternAtom.restype = ctypes.c_ulong
        lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.POINTER(_XEvent)]
        lib.XGrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_int, ctypes.c_int, ctypes.c_ulong, ctypes.c_ulong,
                                     ctypes.c_ulong]
        lib.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                      ctypes.c_int, ctypes.c_ulong]
        lib.XUngrabPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        lib.XUngrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.lib = lib
        self.display = lib.XOpenDisplay(display_name.encode())
        if not self.display:
            raise E2EFailure(f"cannot open display {display_name}")
        self.root = lib.XDefaultRootWindow(self.display)

    def close(self):
        self.lib.XCloseDisplay(self.display)

    def send_delete_window(self, window):
        """The message a window manager sends when the close box is clicked.
        (xdotool of Debian 12 can only destroy a window, which kills the
        program without its exit path, where a sanitizer build checks leaks.)"""
        event = _XEvent()
        event.xclient.type = self.CLIENT_MESSAGE
        event.xclient.window = int(window)
        event.xclient.message_type = self.lib.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = self.lib.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        self.lib.XSendEvent(self.display, int(window), 0, 0, ctypes.byref(event))
        self.lib.XSync(self.display, 0)

    def input_is_free(self):
        """True when no program holds the pointer or the keyboard, so that a
        click or a key goes where it is aimed. A popup (such as a file
        dialog's completion list) keeps both grabbed for a moment after its
        dialog has gone, and swallows what comes in meanwhile."""
        lib, display, root = self.lib, self.display, self.root
        pointer = lib.XGrabPointer(display, root, 0, 0, self.GRAB_MODE_ASYNC, self.GRAB_MODE_ASYNC,
                                   0, 0, 0)
        if pointer == self.GRAB_SUCCESS:
            lib.XUngrabPointer(display, 0)
        keyboard = lib.XGrabKeyboard(display, root, 0, self.GRAB_MODE_ASYNC, self.GRAB_MODE_ASYNC, 0)
        if keyboard == self.GRAB_SUCCESS:
            lib.XUngrabKeyboard(display, 0)
        lib.XSync(display, 0)
        return pointer == self.GRAB_SUCCESS and keyboard == self.GRAB_SUCCESS
