#!/usr/bin/env python3
"""The triangle view on a real X server: Ctrl+T opens it with its title,
"Save image..." writes the view as a PNG of the view's size, and a screen
reader, through AT-SPI, reads the focused cell.

usage: triangle_view_e2e.py QUORVA_EXECUTABLE CASE
"""

import os
import struct
import subprocess
import sys
import time

sys.dont_write_bytecode = True

import quorva_e2e  # noqa: E402
from quorva_e2e import QuorvaWindow, expect, expect_file, triangle_csv  # noqa: E402
from x11_session import Session, wait_for  # noqa: E402

ROWS = [[10, 0, 99, 5, 42, 7, 13], [3, 30, 8, 0, 99, 1, 2], [50, 49, 17, 88, 6, 60, 0],
        [9, 11, 64, 21, 3, 77, 45]]


def png_size(path):
    with open(path, "rb") as file:
        header = file.read(24)
    expect(header[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is no PNG file")
    return struct.unpack(">II", header[16:24])


def wait_for_titled_window(session, title):
    """The one visible window titled exactly `title`, which may hold
    characters that xdotool's regular expressions would take as operators."""
    pattern = "^" + "".join("\\" + c if c in "\\.^$|?*+()[]{}" else c for c in title) + "$"

    def probe():
        ids = session.xdotool("search", "--onlyvisible", "--name", pattern).split()
        return [window for window in ids if session.xdotool("getwindowname", window) == title]

    windows = wait_for(f"a window titled '{title}'", probe)
    expect(len(windows) == 1, f"expected one window titled '{title}', found {len(windows)}")
    return windows[0]


def open_view(session, window, column):
    for row in ROWS:
        window.enter_row(row)
    window.choose_column(column)
    session.key("ctrl+t")
    title = f"Triangle of column {column} ({len(ROWS)} values)"
    view = wait_for_titled_window(session, title)
    session.wait_for_focus(view, title)
    return view, title


def view_opens_and_saves_image(session, window):
    """Ctrl+T opens the view of the chosen column under its title; the
    picture it saves is the view: narrower than the window by no more than a
    scroll bar, lower by the tool bar and the status line."""
    view, title = open_view(session, window, 3)
    _, _, width, height = session.geometry(view)

    image = os.path.join(session.scratch, "view.png")
    session.key("ctrl+s")
    window.answer_file_dialog("Save As", image)
    wait_for(f"{image} to be written", lambda: os.path.exists(image))
    image_width, image_height = png_size(image)
    expect(width - 40 <= image_width <= width, f"image {image_width} wide, window {width}")
    expect(height - 160 <= image_height <= height - 20,
           f"image {image_height} high, window {height}")

    # Export... writes what Start writes. Without a window manager the
    # focus stays where the dialog left it, so a click gives it back.
    left, top, _, _ = session.geometry(view)
    session.click(left + width // 2, top + height // 2)
    session.wait_for_focus(view, title)
    csv = os.path.join(session.scratch, "view.csv")
    session.key("ctrl+e")
    window.answer_file_dialog("Save As", csv)
    expect_file(csv, triangle_csv([row[2] for row in ROWS]))
    session.xlib.send_delete_window(view)
    session.wait_until_closed(view, title)


class AccessibleSession(Session):
    """A session whose program talks to a private accessibility bus."""

    bus = {}

    def start_app(self):
        self.start_bus()
        super().start_app()

    def start_bus(self):
        output = subprocess.run(["dbus-launch", "--sh-syntax"], capture_output=True, text=True,
                                check=True, env={**os.environ, "DISPLAY": self.server.display})
        self.bus = {}
        for line in output.stdout.splitlines():
            if "=" in line and line.split("=", 1)[0] in ("DBUS_SESSION_BUS_ADDRESS",
                                                        "DBUS_SESSION_BUS_PID"):
                key, value = line.rstrip(";").split("=", 1)
                self.bus[key] = value.strip("'")
        os.environ.update(self.bus)
        self.bus_launcher = subprocess.Popen(
            ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
            env={**os.environ, "DISPLAY": self.server.display},
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.5)  # the accessibility bus registers itself on the session bus

    def app_environment(self):
        env = super().app_environment()
        env.update(self.bus)
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        env["QT_ACCESSIBILITY"] = "1"
        return env

    def finish(self, failed):
        super().finish(failed)
        if getattr(self, "bus_launcher", None):
            self.bus_launcher.terminate()
            self.bus_launcher.wait()
        if self.bus.get("DBUS_SESSION_BUS_PID"):
            try:
                os.kill(int(self.bus["DBUS_SESSION_BUS_PID"]), 15)
            except (ProcessLookupError, ValueError):
                pass


def focused_names(application):
    """Names of the focused objects in an application's accessible tree."""
    import pyatspi
    found = []

    def walk(node, depth):
        if node is None or depth > 30:
            return
        try:
            if node.getState().contains(pyatspi.STATE_FOCUSED):
                found.append(node.name)
            children = [node.getChildAtIndex(i) for i in range(node.childCount)]
        except Exception:
            return
        for child in children:
            walk(child, depth + 1)

    walk(application, 0)
    return found


def quorva_application():
    import pyatspi
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        application = desktop.getChildAtIndex(i)
        if application is not None and application.name.lower().startswith("quorva"):
            return application
    return None


def focused_cell_read_by_screen_reader(session, window):
    """The arrow keys move the view's focused cell, and AT-SPI reads it as
    "line k, column j: value", counting from 1 as the spreadsheet does."""
    open_view(session, window, 1)
    session.key("Down", "Right")  # line 2, column 2: |10 - 3|
    application = wait_for("Quorva on the accessibility bus", quorva_application)
    names = wait_for("the focused cell's name",
                     lambda: [n for n in focused_names(application) if n.startswith("line ")])
    expect(names == ["line 2, column 2: 7"], f"focused: {names}")
    session.key("Down")  # line 3, column 2: blank
    names = wait_for("the next cell's name",
                     lambda: [n for n in focused_names(application) if n.startswith("line 3")])
    expect(names == ["line 3, column 2: blank"], f"focused: {names}")


CASES = {
    "view_opens_and_saves_image": view_opens_and_saves_image,
    "focused_cell_read_by_screen_reader": focused_cell_read_by_screen_reader,
}


if __name__ == "__main__":
    sys.exit(quorva_e2e.main(CASES, {"focused_cell_read_by_screen_reader": AccessibleSession},
                             tools=("Xvfb", "xdotool", "dbus-launch")))
