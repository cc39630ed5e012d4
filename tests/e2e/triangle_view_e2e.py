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

sys.dont_write_bytecode = True

from desktop_e2e import SYSTEM_PYTHON, AccessibilityBus, ScreenReader  # noqa: E402
from quorva_e2e import (MAIN_CAPTION, QuorvaWindow, expect, expect_file, row_line,  # noqa: E402
                        text_file, triangle_csv)
from x11_session import case_main, run_in_session, wait_for  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))

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


def focused_names(bus):
    """The names of the program's focused objects, read through AT-SPI."""
    check = subprocess.run([SYSTEM_PYTHON, os.path.join(HERE, "atspi_focused.py")],
                           env={**os.environ, **bus.environment}, capture_output=True, text=True,
                           timeout=60)
    return check.stdout.splitlines() if check.returncode == 0 else []


def focused_cell_read_by_screen_reader(session, window, bus):
    """The arrow keys move the view's focused cell, and AT-SPI reads it as
    "line k, column j: value", counting from 1 as the spreadsheet does. When
    the focus comes back to the view, the reader hears that cell again; when
    the rows change, it hears the out-of-date notice."""
    view, _ = open_view(session, window, 1)
    reader = ScreenReader(bus)
    session.key("Down", "Right")  # line 2, column 2: |10 - 3|
    names = wait_for("the focused cell's name",
                     lambda: [n for n in focused_names(bus) if n.startswith("line ")])
    expect(names == ["line 2, column 2: 7"], f"focused: {names}")
    session.key("Down")  # line 3, column 2: blank
    names = wait_for("the next cell's name",
                     lambda: [n for n in focused_names(bus) if n.startswith("line 3")])
    expect(names == ["line 3, column 2: blank"], f"focused: {names}")

    # Through the Table interface: lines are rows, fields are columns.
    check = subprocess.run([SYSTEM_PYTHON, os.path.join(HERE, "atspi_table.py"), "0,0", "1,1",
                            "2,1", "6,0"], env={**os.environ, **bus.environment},
                           capture_output=True, text=True, timeout=60)
    expect(check.returncode == 0, f"no table found: {check.stdout}{check.stderr}")
    expect(check.stdout.splitlines() == ["7", "4", "10", "7", "blank", "9"],
           f"the table reads {check.stdout.splitlines()}")

    reader.hear(["blank|Line 3, column 2: blank"], "the arrow keys")
    session.xdotool("windowfocus", window.id)
    session.wait_for_focus(window.id, MAIN_CAPTION)
    session.xdotool("windowfocus", view)
    reader.hear(["line 3, column 2: blank|Triangle cells", "blank|Line 3, column 2: blank"],
                "the focus back in the view")
    window.enter_row(ROWS[0])
    reader.hear(["The rows have changed: this view is out of date.|"], "a row added")
    reader.stop()


def cancelled_build_leaves_no_view(session, window):
    """Ctrl+T on 40,000 rows shows the view at once, with no progress dialog
    and its figures as en_US writes them, while a worker thread builds the
    rest of the triangle; Esc closes the view while it is being built, no view
    is left behind, and the window then works."""
    rows = [[i % 100, i * 7 % 100, 1, 2, 3, 4, 5] for i in range(40000)]
    listed = text_file(row_line(row) for row in rows)
    large = os.path.join(session.scratch, "large.tir")
    with open(large, "wb") as file:
        file.write(listed)
    window.open_rows(large)
    # Without a window manager the focus stays where the file dialog left it;
    # a click gives it back once the rows are in.
    wait_for("the window to take the focus", lambda: (
        window.choose_column(1), session.xdotool("getwindowfocus") == window.id)[1], interval=0.5)

    session.key("ctrl+t")
    title = "Triangle of column 1 (40,000 values)"
    view = wait_for_titled_window(session, title)
    session.wait_for_focus(view, title)
    expect(session.visible_windows(MAIN_CAPTION) == [window.id], "a progress dialog showed")
    session.key("Escape")
    session.wait_until_closed(view, title)
    left = session.xdotool("search", "--onlyvisible", "--name", "^Triangle of column")
    expect(not left, "a view was left behind")

    resaved = os.path.join(session.scratch, "resaved.tir")
    window.save_rows(resaved)
    expect_file(resaved, listed)


CASES = {
    "view_opens_and_saves_image": view_opens_and_saves_image,
    "cancelled_build_leaves_no_view": cancelled_build_leaves_no_view,
    "focused_cell_read_by_screen_reader": focused_cell_read_by_screen_reader,
}


def run(executable, case_name):
    case = CASES[case_name]
    accessible = case is focused_cell_read_by_screen_reader

    def body(session):
        bus = AccessibilityBus(session.server.display) if accessible else None
        try:
            environment = bus.environment if bus else {}
            if case is cancelled_build_leaves_no_view:
                environment = {**environment, "LC_ALL": "en_US.UTF-8"}
            session.start_app(environment=environment)
            window = QuorvaWindow(session)
            if bus:
                case(session, window, bus)
            else:
                case(session, window)
            window.close()
        finally:
            if bus:
                bus.stop()

    return run_in_session(executable, body)


if __name__ == "__main__":
    sys.exit(case_main(CASES, run))
