#!/usr/bin/env python3
"""Opens a long row list in the real window on a private X server and
scrolls to its end, as a person would: start with the file named on the
command line, click the list, press End, copy the selected line. Prints how
long the window took until the copied line was the file's last one, and the
program's peak memory.

usage: list_view_at_scale.py QUORVA_EXECUTABLE ROW_LIST_FILE
(bench/make_row_list writes such a file: quorva_make_row_list COUNT FILE)
"""

import os
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from quorva_e2e import LIST_LEFT, LIST_TOP, QuorvaWindow  # noqa: E402
from x11_session import Session, wait_for  # noqa: E402


def last_line(path):
    with open(path, "rb") as file:
        file.seek(max(0, os.path.getsize(path) - 200))
        return file.read().decode("latin-1").rstrip("\r\n").splitlines()[-1]


def peak_memory_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def main():
    executable, row_list = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    expected = last_line(row_list)
    session = Session(executable)
    try:
        started = time.monotonic()
        session.start_app(row_list)
        window = QuorvaWindow(session)

        # The keys are sent again until they take: while the file is still
        # being read, the progress dialog holds the input.
        def copied_last_line():
            window.click_at(LIST_LEFT + 40, LIST_TOP + 8)
            session.key("End", "ctrl+c")
            return session.clipboard_text() == expected

        wait_for("the last line on the clipboard", copied_last_line, timeout=600, interval=0.5)
        elapsed = time.monotonic() - started
        peak = peak_memory_kib(session.app.pid)
        shot = os.path.join(session.scratch, "end-of-list.png")
        session.screenshot(shot, crop=(window.left, window.top, window.width, window.height))
        session.key("Home", "ctrl+c")
        wait_for("the first line on the clipboard", lambda: session.clipboard_text() != expected,
                 timeout=60)
        window.close()
        size = os.path.getsize(row_list)
        print(f"{os.path.basename(row_list)}: {size / 1e9:.2f} GB; opened and scrolled to the "
              f"end in {elapsed:.1f} s; peak memory {peak / 1024 / 1024:.2f} GiB "
              f"({peak * 1024 / size:.2f} x the file); screenshot {shot}")
        session.keep_scratch = True
    finally:
        session.finish(False)


if __name__ == "__main__":
    main()
