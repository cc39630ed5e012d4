#!/usr/bin/env python3
"""The Quorva window as a desktop program on a private X server: a file named
on the command line, rows pasted through the real clipboard, what the window
tells the window manager, and what a screen reader learns through AT-SPI.

usage: desktop_e2e.py QUORVA_EXECUTABLE CASE
"""

import os
import re
import shutil
import subprocess
import sys
import threading

# Run from the source tree: leave no bytecode caches in it.
sys.dont_write_bytecode = True

from quorva_e2e import (BAD_FILE_FORMAT, LIST_LEFT, LIST_TOP, ROW_A, ROW_B, ROW_C,  # noqa: E402
                        QuorvaWindow, expect, expect_file, row_line, text_file)
from x11_session import E2EFailure, case_main, run_in_session, wait_for  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
# Debian's own interpreter, where python3-pyatspi is installed.
SYSTEM_PYTHON = "/usr/bin/python3"


def start_window(session, *arguments, environment=None):
    session.start_app(*arguments, environment=environment)
    return QuorvaWindow(session)


def close_error_dialog(session):
    error = session.wait_for_window("Error")
    session.wait_for_focus(error, "Error")
    session.key("Return")
    session.wait_until_closed(error, "Error")


def file_argument_then_save(session):
    """`quorva FILE.tir` opens the file as Open does, with Qt's own options
    taken as every Qt program takes them; saving it again gives the same
    bytes, hand-written fields included."""
    original = text_file([row_line(ROW_A), b" 9 +8 -1 $A xF 42 7", row_line(ROW_C)])
    path = os.path.join(session.scratch, "given.tir")
    with open(path, "wb") as file:
        file.write(original)
    window = start_window(session, "-style", "Fusion", path)
    saved = os.path.join(session.scratch, "saved.tir")
    window.save_rows(saved)
    expect_file(saved, original)
    return window


def bad_file_argument(session):
    """A file on the command line that is not a row list shows Open's error
    dialog, and the window starts with an empty list that works."""
    path = os.path.join(session.scratch, "bad.tir")
    with open(path, "wb") as file:
        file.write(b"not a row list\r\n")
    window = start_window(session, path)
    error = session.wait_for_window("Error")
    session.wait_for_focus(error, "Error")
    session.key("ctrl+c")
    copied = wait_for("the error text on the clipboard", session.clipboard_text)
    expect(BAD_FILE_FORMAT in copied, f"the error dialog copied {copied!r}")
    session.key("Return")
    session.wait_until_closed(error, "Error")

    window.enter_row(ROW_B)
    saved = os.path.join(session.scratch, "saved.tir")
    window.save_rows(saved)
    expect_file(saved, text_file([row_line(ROW_B)]))
    return window


def paste_from_clipboard(session):
    """Cells copied from a spreadsheet (tab-separated, CR LF) and pasted into
    the list with Ctrl+V are appended as if added with Add."""
    window = start_window(session)
    window.enter_row(ROW_A)
    cells = "".join("\t".join(str(value) for value in row) + "\r\n" for row in (ROW_B, ROW_C))
    source = os.path.join(session.scratch, "cells.txt")
    with open(source, "w", encoding="utf-8") as file:
        file.write(cells)
    # xclip stays in the background as the clipboard's owner until another
    # program takes the clipboard or the server ends.
    subprocess.run(["xclip", "-selection", "clipboard", "-i", source], check=True, timeout=20,
                   env={**os.environ, "DISPLAY": session.server.display},
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window.click_at(LIST_LEFT + 40, LIST_TOP + 8)
    session.key("ctrl+v")

    saved = os.path.join(session.scratch, "pasted.tir")
    window.save_rows(saved)
    expect_file(saved, text_file(row_line(row) for row in (ROW_A, ROW_B, ROW_C)))
    return window


def xprop(session, window, *properties):
    status, output = session.run_x_client("xprop", "-id", window, *properties)
    if status != 0:
        raise E2EFailure(f"xprop failed: {output}")
    return output


def main_window_type(session):
    """The window is announced as an application's normal window, tied to no
    other window, with the class the desktop entry names, and its icon from
    the smallest size to the largest, with no plugin to draw an SVG."""
    no_plugins = os.path.join(session.scratch, "no-plugins")
    os.makedirs(no_plugins)
    window = start_window(session, environment={"QT_PLUGIN_PATH": no_plugins})
    sizes = re.findall(r"Icon \((\d+) x \1\)", xprop(session, window.id, "_NET_WM_ICON"))
    # (Qt hands the window manager none larger than 128 px.)
    expect({"16", "128"} <= set(sizes), f"icon sizes {sizes}, not 16 to 128 px")
    output = xprop(session, window.id, "_NET_WM_WINDOW_TYPE", "WM_TRANSIENT_FOR", "WM_CLASS")
    expect(re.search(r"_NET_WM_WINDOW_TYPE\(ATOM\) = _NET_WM_WINDOW_TYPE_NORMAL$", output, re.M),
           f"window type: {output}")
    expect("WM_TRANSIENT_FOR:  not found" in output, f"transient: {output}")
    wm_class = re.search(r'WM_CLASS\(STRING\) = "([^"]*)", "([^"]*)"', output)
    expect(wm_class, f"no WM_CLASS: {output}")
    entry = os.path.join(HERE, "..", "..", "src", "ui", "data", "quorva.desktop")
    with open(entry, encoding="utf-8") as file:
        startup_class = re.search(r"^StartupWMClass=(.*)$", file.read(), re.M).group(1)
    expect(startup_class in wm_class.groups(),
           f"WM_CLASS {wm_class.groups()} does not hold the entry's {startup_class!r}")
    return window


class AccessibilityBus:
    """A private D-Bus session with the accessibility bus started on it, so
    that the test sees only its own program."""

    def __init__(self, display):
        output = subprocess.run(["dbus-launch", "--sh-syntax"], check=True, capture_output=True,
                                text=True, timeout=20, env={**os.environ, "DISPLAY": display}).stdout
        self.address = re.search(r"DBUS_SESSION_BUS_ADDRESS='([^']*)'", output).group(1)
        self.dbus_pid = int(re.search(r"DBUS_SESSION_BUS_PID=(\d+)", output).group(1))
        self.environment = {"DBUS_SESSION_BUS_ADDRESS": self.address, "DISPLAY": display,
                            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}
        self.launcher = subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
            env={**os.environ, **self.environment},
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        self.launcher.terminate()
        try:
            self.launcher.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.launcher.kill()
        try:
            os.kill(self.dbus_pid, 15)
        except ProcessLookupError:
            pass


class ScreenReader:
    """What a screen reader hears through AT-SPI, as "name|description"
    lines: objects that gain the focus or are selected, and alerts."""

    def __init__(self, bus, seconds=90):
        self.process = subprocess.Popen(
            [SYSTEM_PYTHON, os.path.join(HERE, "atspi_list_events.py"), str(seconds)],
            env={**os.environ, **bus.environment}, stdout=subprocess.PIPE, text=True)
        expect(self.process.stdout.readline().strip() == "listening",
               "the AT-SPI listener did not start")
        self.heard = []
        self.start = 0
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        # An object both focused and selected is heard once.
        for line in self.process.stdout:
            if not self.heard or self.heard[-1] != line.strip():
                self.heard.append(line.strip())

    def hear(self, expected, what):
        """Waits until the lines heard since the previous call hold
        `expected`, one after another."""
        start, count = self.start, len(expected)
        wait_for(f"{what}: {expected} (heard {self.heard[start:]})",
                 lambda: any(self.heard[i:i + count] == expected
                             for i in range(start, len(self.heard))))
        self.start = len(self.heard)

    def stop(self):
        self.process.kill()
        self.process.wait()


def screen_reader(session):
    """Through AT-SPI: the window is a frame named "Quorva", every control
    has its role and name, Add presses through its action, the new line reads
    as the row, a spin field takes a value, and one object has the focus."""
    missing = [tool for tool in ("dbus-launch", "/usr/libexec/at-spi-bus-launcher", SYSTEM_PYTHON)
               if not shutil.which(tool)]
    if missing:
        raise E2EFailure(f"missing {missing}: install the TEST_PACKAGES of scripts/packages.sh")
    bus = AccessibilityBus(session.server.display)
    try:
        window = start_window(session, environment=bus.environment)
        # Without a window manager the window is active only once clicked.
        window.click_spin_field(0)
        session.wait_for_focus(window.id, "Quorva")
        check = subprocess.run([SYSTEM_PYTHON, os.path.join(HERE, "atspi_check.py")],
                               env={**os.environ, **bus.environment}, capture_output=True,
                               text=True, timeout=120)
        print(check.stdout + check.stderr)
        expect(check.returncode == 0, "the AT-SPI check failed")
        saved = os.path.join(session.scratch, "after-atspi.tir")
        window.save_rows(saved)
        expect_file(saved, text_file(["01 02 42 04 05 06 07"]))
        window.close()
    finally:
        bus.stop()
    return None


def heard_line(row, place, count):
    return f"{row_line(row)}|row {place} of {count}"


# What a screen reader hears in the list of ROW_A, ROW_B, ROW_C: the keys
# pressed (or a button), then the lines heard last, each with its text and
# its place. After an edit, the selected line as it now stands, or the
# alert that tells what changed.
LIST_STEPS = [
    ("walking down", ("Home", "Down", "Down"),
     [heard_line(ROW_A, 1, 3), heard_line(ROW_B, 2, 3), heard_line(ROW_C, 3, 3)]),
    ("Moove Up of row 3", "Moove Up", [heard_line(ROW_C, 2, 3)]),
    ("Delete of row 2", "Delete", [heard_line(ROW_B, 2, 2)]),
    ("undo", ("ctrl+z",), [heard_line(ROW_C, 2, 3)]),
    # The focus stays in the list, away from the new line: what changed is
    # told as an alert.
    ("Add", "Add", [f"Added row 4 of 4: {row_line(ROW_B)}|"]),
]


def list_read_aloud(session):
    """Through AT-SPI: moving through the list with the keyboard focuses each
    line in turn, heard by its text and its place in the list; after an edit
    the selected line is heard with its new text and place."""
    path = os.path.join(session.scratch, "three.tir")
    with open(path, "wb") as file:
        file.write(text_file(row_line(row) for row in (ROW_A, ROW_B, ROW_C)))
    bus = AccessibilityBus(session.server.display)
    try:
        window = start_window(session, path, environment=bus.environment)
        reader = ScreenReader(bus)
        window.click_at(LIST_LEFT + 40, LIST_TOP + 8)
        for what, action, expected in LIST_STEPS:
            if isinstance(action, str):
                window.press(action)
            else:
                session.key(*action)
            reader.hear(expected, f"after {what}")
        reader.stop()
        window.close()
    finally:
        bus.stop()


CASES = {
    "list_read_aloud": list_read_aloud,
    "file_argument_then_save": file_argument_then_save,
    "bad_file_argument": bad_file_argument,
    "paste_from_clipboard": paste_from_clipboard,
    "main_window_type": main_window_type,
    "screen_reader": screen_reader,
}


def run(executable, case_name):
    def body(session):
        window = CASES[case_name](session)
        if window:
            window.close()

    return run_in_session(executable, body)


def main():
    return case_main(CASES, run, tools=("Xvfb", "xdotool", "xclip", "xprop"))


if __name__ == "__main__":
    sys.exit(main())
