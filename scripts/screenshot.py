#!/usr/bin/env python3
"""Takes the README's picture: the real window on a private X server under
the Openbox window manager, with a few rows entered, cropped to the window
and its frame.

usage: screenshot.py QUORVA_EXECUTABLE OUTPUT_PNG
"""

import os
import shutil
import subprocess
import sys

# Run from the source tree: leave no bytecode caches in it.
sys.dont_write_bytecode = True

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from quorva_e2e import QuorvaWindow  # noqa: E402
from x11_session import Session, wait_for  # noqa: E402

ROWS = [
    [5, 12, 40, 7, 33, 1, 99],
    [3, 12, 41, 8, 30, 2, 98],
    [8, 13, 40, 7, 31, 3, 97],
    [14, 9, 38, 11, 27, 5, 90],
]


def frame_extents(session, window):
    """Left, right, top and bottom widths of the frame the window manager
    drew around the window."""
    def read():
        output = session.run_x_client("xprop", "-id", window, "_NET_FRAME_EXTENTS")[1]
        return output.split("=", 1)[1] if "=" in output else None
    return [int(value) for value in wait_for("the window's frame", read).split(",")]


# The frame a window manager honouring the window's hints draws: a title and
# a close box, as the window asks for no minimize or maximize box and no icon.
OPENBOX_CONFIGURATION = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <theme><name>Clearlooks</name><titleLayout>LC</titleLayout></theme>
</openbox_config>
"""


def window_manager_running(session):
    return "window id" in session.run_x_client("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")[1]


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    executable, output = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    session = Session(executable)
    window_manager = None
    failed = True
    try:
        configuration = os.path.join(session.scratch, "openbox.xml")
        with open(configuration, "w") as file:
            file.write(OPENBOX_CONFIGURATION)
        window_manager = subprocess.Popen(
            ["openbox", "--sm-disable", "--config-file", configuration], env={**session.app_environment(), "DISPLAY": session.server.display},
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("the window manager", lambda: window_manager_running(session))
        session.start_app()
        window = QuorvaWindow(session)
        for row in ROWS:
            window.enter_row(row)
        window.choose_column(3)
        window.select_line(1)
        session.xdotool("mousemove", 0, 0)

        left, right, top, bottom = frame_extents(session, window.id)
        x, y, width, height = session.geometry(window.id)
        crop = (x - left, y - top, width + left + right, height + top + bottom)
        # Wait until the window has finished drawing: two captures in a row alike.
        previous = os.path.join(session.scratch, "previous.png")
        latest = os.path.join(session.scratch, "latest.png")
        session.screenshot(previous, crop)

        def settled():
            session.screenshot(latest, crop)
            with open(latest, "rb") as new, open(previous, "rb") as old:
                same = new.read() == old.read()
            os.replace(latest, previous)
            return same
        wait_for("the window to settle", settled, interval=0.2)
        shutil.copyfile(previous, output)
        window.close()
        failed = False
        print(f"wrote {output}")
    finally:
        if window_manager:
            window_manager.terminate()
            window_manager.wait()
        session.finish(failed)
    return 0


if __name__ == "__main__":
    sys.exit(main())
