#!/usr/bin/env python3
"""Takes the README's pictures of the triangle view: the real window on a
private X server, showing the triangle of 1,000 random rows at three zoom
levels: the whole triangle (blocks averaged), about one pixel a cell, and
readable numbers; the legend in the view's corner at twice the scale; and
the whole 1280x1024 screen, with a window manager, where the view opens
beside the main window.

usage: triangle_screenshots.py QUORVA_EXECUTABLE OUTPUT_FOLDER
"""

import os
import random
import subprocess
import sys
import time

sys.dont_write_bytecode = True

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from quorva_e2e import QuorvaWindow  # noqa: E402
from screenshot import OPENBOX_CONFIGURATION, window_manager_running  # noqa: E402
from triangle_view_e2e import wait_for_titled_window  # noqa: E402
from x11_session import Session, wait_for  # noqa: E402

ROW_COUNT = 1000
# Ctrl+plus presses from the whole triangle to one pixel a cell, a stop of
# the view's zoom at most this many presses away.
PRESSES_TO_A_PIXEL = 4
# The canvas's part of the view window, as the window lays it out at 96 dpi:
# below the tool bar, above the status line.
CANVAS_TOP, CANVAS_BOTTOM_MARGIN = 32, 24


def write_rows(path):
    generator = random.Random(11)
    with open(path, "wb") as file:
        for _ in range(ROW_COUNT):
            values = [generator.randrange(100) for _ in range(7)]
            file.write((" ".join(f"{value:02d}" for value in values) + "\r\n").encode())


def open_view(session, rows):
    """Opens the rows, then the view of column 1; its client area."""
    window = QuorvaWindow(session)
    window.open_rows(rows)
    # Without a window manager the focus stays where the dialog left it.
    window.click_at(200, 100)
    session.wait_for_focus(window.id, "Quorva")
    session.key("ctrl+t")
    view = wait_for_titled_window(session, f"Triangle of column 1 ({ROW_COUNT:,} values)")
    return session.geometry(view)


def zoom_levels(session, rows, folder):
    session.start_app()
    left, top, width, height = open_view(session, rows)
    canvas_height = height - CANVAS_TOP - CANVAS_BOTTOM_MARGIN
    fitted = min(width / ROW_COUNT, canvas_height / (2 * ROW_COUNT - 1))

    # Point at a cell near the rows' own values, a third of the way down
    # the triangle: the zoom keeps it in place.
    session.click(left + int(12 * fitted) + 1, top + CANVAS_TOP + canvas_height // 3)
    shots = [("triangle-view-fit.png", []), ("triangle-view-pixels.png", ["ctrl+plus"] * PRESSES_TO_A_PIXEL),
             # Readable numbers, two cells on, so that the two it comes from show too.
             ("triangle-view-numbers.png", ["ctrl+1", "Right", "Right"])]
    for name, keys in shots:
        if keys:
            session.key(*keys)
        session.screenshot(os.path.join(folder, name), crop=(left, top, width, height))


def legend_at_twice_the_scale(session, rows, folder):
    # The rows come on the command line: the window's buttons are not where
    # the 1x layout has them.
    session.start_app(rows, environment={"QT_SCALE_FACTOR": "2"})
    window = QuorvaWindow(session)
    wait_for("the main window to take the focus", lambda: (
        session.xdotool("windowfocus", window.id),
        session.xdotool("getwindowfocus") == window.id)[1], interval=0.5)
    session.key("ctrl+t")
    view = wait_for_titled_window(session, f"Triangle of column 1 ({ROW_COUNT:,} values)")
    # The view places itself again once the window manager has framed it,
    # for up to 3 s; moved before that, it would move back.
    time.sleep(3.5)
    # Wide enough for the legend on this screen, which is small at twice the scale.
    session.xdotool("windowmove", view, 0, 0)
    session.xdotool("windowsize", view, 1200, 900)
    wait_for("the view to take its new size", lambda: session.geometry(view)[2:] == (1200, 900))
    session.xdotool("windowraise", view)
    left, top, width, height = session.geometry(view)
    # The legend's corner: 300 by 126 logical pixels and a margin, doubled.
    corner_width, corner_height = 2 * 320, 2 * 146 + 2 * CANVAS_BOTTOM_MARGIN
    session.screenshot(os.path.join(folder, "triangle-view-legend-2x.png"),
                       crop=(left + width - corner_width, top + height - corner_height,
                             corner_width, corner_height))


def beside_the_main_window(session, rows, folder):
    configuration = os.path.join(session.scratch, "openbox.xml")
    with open(configuration, "w") as file:
        file.write(OPENBOX_CONFIGURATION)
    window_manager = subprocess.Popen(
        ["openbox", "--sm-disable", "--config-file", configuration],
        env={**session.app_environment(), "DISPLAY": session.server.display},
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_for("the window manager", lambda: window_manager_running(session))
        session.start_app(rows)
        window = QuorvaWindow(session)
        wait_for("the main window to take the focus", lambda: (
            session.xdotool("windowactivate", window.id),
            session.xdotool("getwindowfocus") == window.id)[1], interval=0.5)
        session.key("ctrl+t")
        wait_for_titled_window(session, f"Triangle of column 1 ({ROW_COUNT:,} values)")
        session.xdotool("mousemove", 0, 0)
        session.screenshot(os.path.join(folder, "triangle-view-beside-main-window.png"))
    finally:
        window_manager.terminate()
        window_manager.wait()


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    executable, folder = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    for take in (zoom_levels, legend_at_twice_the_scale, beside_the_main_window):
        session = Session(executable)
        failed = True
        try:
            rows = os.path.join(session.scratch, "rows.tir")
            write_rows(rows)
            take(session, rows, folder)
            failed = False
        finally:
            session.finish(failed)
        if failed:
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
