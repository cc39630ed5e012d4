#!/usr/bin/env python3
"""Times Start through the real window on a private X server, as a person
uses it: from Return in the save dialog until the CSV is in place, for a list
of N random rows (0 to 99) opened from a row-list file. Each run is followed
by cp + sync of the file it wrote, the floor of any export, timed alike.

usage: window_path.py QUORVA_EXECUTABLE N FOLDER REPS
prints: bytes=B window_seconds=MEDIAN cp_sync_seconds=MEDIAN
"""

import os
import random
import shutil
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from quorva_e2e import QuorvaWindow, row_line, text_file  # noqa: E402
from x11_session import Session  # noqa: E402


def wait_until_exists(path):
    while not os.path.exists(path):
        time.sleep(0.001)


def export_once(session, window, target):
    """Seconds from Return in the save dialog until the target exists: the
    file is renamed into place whole, once it is on disk."""
    window.press("Start")
    dialog = session.wait_for_window("Save As")
    session.wait_for_focus(dialog, "Save As")
    session.key("ctrl+a")
    session.type_text(target)
    start = time.monotonic()
    session.key("Return")
    wait_until_exists(target)
    seconds = time.monotonic() - start
    session.wait_until_closed(dialog, "Save As")
    return seconds


def copy_and_sync(source, target):
    start = time.monotonic()
    shutil.copyfile(source, target)
    subprocess.run(["sync", target], check=True)
    return time.monotonic() - start


def main():
    executable, count, folder, reps = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4])
    rows = random.Random(20240601)
    tir = os.path.join(folder, "window.tir")
    with open(tir, "wb") as file:
        file.write(text_file(row_line(rows.randint(0, 99) for _ in range(7)) for _ in range(count)))
    target = os.path.join(folder, "window.csv")
    copy = os.path.join(folder, "window-copy.csv")

    session = Session(os.path.abspath(executable))
    failed = True
    windows, copies = [], []
    try:
        session.start_app()
        window = QuorvaWindow(session)
        window.open_rows(tir)
        for _ in range(reps):
            for path in (target, copy):
                if os.path.exists(path):
                    os.remove(path)
            os.sync()
            windows.append(export_once(session, window, target))
            # The program has the file open no longer once it is renamed;
            # give it a moment to finish the handler before the copy.
            time.sleep(0.2)
            os.sync()
            copies.append(copy_and_sync(target, copy))
        size = os.path.getsize(target)
        window.close()
        failed = False
    finally:
        session.finish(failed)
        for path in (tir, target, copy):
            if os.path.exists(path):
                os.remove(path)
    print(f"bytes={size} window_seconds={statistics.median(windows):.6f} "
          f"cp_sync_seconds={statistics.median(copies):.6f}")


if __name__ == "__main__":
    main()
