#!/usr/bin/env python3
"""Drives the real Quorva window on a private X server as a person would:
clicks, typing, Tab and Enter, the real file dialogs, and checks the bytes of
the files it writes.

usage: quorva_e2e.py QUORVA_EXECUTABLE CASE
"""

import os
import random
import shutil
import subprocess
import sys
import time

# Run from the source tree: leave no bytecode caches in it.
sys.dont_write_bytecode = True

from x11_session import E2EFailure, case_main, run_in_session, wait_for  # noqa: E402

MAIN_CAPTION = "Quorva"
BAD_FILE_FORMAT = "Не распознанный формат файла."

# Client-area positions of the controls, as the window lays them out at 96 dpi.
SPIN_FIELD_LEFTS = [8, 56, 104, 152, 200, 248, 296]
BUTTONS = {
    "Add": (344, 8), "Delete": (344, 40), "Moove Up": (344, 72), "Moove Down": (344, 104),
    "Open": (344, 160), "Save": (344, 192), "Start": (344, 249),
}
BUTTON_SIZE = (75, 25)
LIST_LEFT, LIST_TOP = 8, 32
COLUMN_GROUP_LEFT, COLUMN_GROUP_TOP = 8, 224


# -- what the files must hold, worked out here independently of the program --

def row_line(values):
    return " ".join(f"{value:02d}" for value in values)


def text_file(lines):
    return b"".join((line.encode("latin-1") if isinstance(line, str) else line) + b"\r\n"
                    for line in lines)


def triangle_csv(values):
    """The column's values on every second line, each further column the
    absolute differences of its neighbours to the left, between them."""
    differences = [list(values)]
    while len(differences[-1]) > 1:
        previous = differences[-1]
        differences.append([abs(a - b) for a, b in zip(previous, previous[1:])])
    height = 2 * len(values) - 1
    lines = []
    for k in range(height):
        cells = []
        for j in range(min(k + 1, height - k)):
            cells.append(f"{differences[j][(k - j) // 2]};" if (k - j) % 2 == 0 else ";")
        lines.append("".join(cells))
    return text_file(lines)


def column(rows, number):
    return [row[number - 1] for row in rows]


# -- the window, as a person sees it ------------------------------------------

class QuorvaWindow:
    def __init__(self, session):
        self.session = session
        self.id = session.wait_for_window(MAIN_CAPTION)
        self.left, self.top, self.width, self.height = session.geometry(self.id)

    def click_at(self, x, y):
        self.session.click(self.left + x, self.top + y)

    def press(self, caption):
        left, top = BUTTONS[caption]
        self.click_at(left + BUTTON_SIZE[0] // 2, top + BUTTON_SIZE[1] // 2)

    def click_spin_field(self, index):
        self.click_at(SPIN_FIELD_LEFTS[index] + 12, 18)

    def enter_row(self, values):
        """Types the seven values into the spin fields, moving on with Tab,
        and presses Add."""
        self.click_spin_field(0)
        self.session.key("ctrl+a")
        for index, value in enumerate(values):
            if index:
                self.session.key("Tab")
            self.session.type_text(str(value))
        self.press("Add")

    def select_line(self, index):
        """Clicks the first line of the list, then walks down with the arrow key."""
        self.click_at(LIST_LEFT + 40, LIST_TOP + 8)
        for _ in range(index):
            self.session.key("Down")

    def choose_column(self, number):
        self.click_at(COLUMN_GROUP_LEFT + 8 + 45 * (number - 1) + 7, COLUMN_GROUP_TOP + 14 + 15)

    def answer_file_dialog(self, title, path):
        """Waits for the file dialog, replaces the name in it and presses Enter."""
        dialog = self.session.wait_for_window(title)
        self.session.wait_for_focus(dialog, title)
        self.session.key("ctrl+a")
        self.session.type_text(path)
        self.session.key("Return")
        self.session.wait_until_closed(dialog, title)

    def export_csv(self, path):
        self.press("Start")
        self.answer_file_dialog("Save As", path)

    def save_rows(self, path):
        self.press("Save")
        self.answer_file_dialog("Save As", path)

    def open_rows(self, path):
        """Opens the file; rows a case left unsaved are discarded when the
        window asks first."""
        self.press("Open")
        focused = wait_for("Open's file dialog or a question",
                           lambda: self.session.xdotool("getwindowfocus") not in ("", self.id)
                           and self.session.xdotool("getwindowfocus"))
        if self.session.xdotool("getwindowname", focused) != "Open":
            self.session.key("Tab", "space")    # from Save, the default, to Discard
        self.answer_file_dialog("Open", path)

    def send_close(self):
        """Closes the window as the close box does; returns a probe for the
        window that takes the focus then, such as a question."""
        before = self.session.xdotool("getwindowfocus")
        self.session.xlib.send_delete_window(self.id)

        def new_focus():
            focused = self.session.xdotool("getwindowfocus")
            return focused if focused and focused not in (self.id, before) else None
        return new_focus

    def ask_to_close(self):
        """Closes the window and returns the question about unsaved rows
        that it asks instead."""
        return wait_for("the question about unsaved rows", self.send_close())

    def close(self):
        """Closes the window; rows a case left unsaved are discarded when the
        window asks."""
        new_focus = self.send_close()
        wait_for("the program to end or ask",
                 lambda: self.session.app.poll() is not None or new_focus())
        if self.session.app.poll() is None:
            self.session.key("Tab", "space")    # from Save, the default, to Discard
        try:
            status = self.session.app.wait(timeout=60)
        except subprocess.TimeoutExpired:
            raise E2EFailure("the program did not end after its window was closed")
        if status != 0:
            raise E2EFailure(f"the program ended with status {status}")


def expect_file(path, expected):
    # Files are renamed into place whole, so one that exists is complete.
    wait_for(f"{path} to be written", lambda: os.path.exists(path))
    with open(path, "rb") as file:
        actual = file.read()
    if actual != expected:
        raise E2EFailure(f"{path} holds\n{actual!r}\nexpected\n{expected!r}")


def expect(condition, message):
    if not condition:
        raise E2EFailure(message)


# -- the cases ------------------------------------------------------------------

ROW_A = [10, 0, 99, 5, 42, 7, 13]
ROW_B = [1, 2, 3, 4, 5, 6, 7]
ROW_C = [3, 30, 8, 0, 99, 1, 2]
ROW_D = [50, 49, 17, 88, 6, 60, 0]
ROW_E = [9, 11, 64, 21, 3, 77, 45]


def edit_rows_and_export(session, window):
    """Rows typed in, moved and deleted reach the row-list file and the
    triangle export in the order the list shows."""
    expect((window.left, window.top, window.width, window.height) == (483, 308, 423, 282),
           f"the window's client area is {window.width}x{window.height} at "
           f"{window.left},{window.top}, not 423x282 at 483,308")

    for row in (ROW_A, ROW_B, ROW_C, ROW_D, ROW_E):
        window.enter_row(row)
    # Add leaves the new last line selected.
    window.press("Moove Up")
    window.press("Moove Up")                      # A B E C D, E selected
    window.select_line(0)
    window.press("Moove Down")                    # B A E C D, A selected
    window.select_line(0)
    window.press("Moove Up")                      # first line: nothing moves
    window.press("Delete")                        # A E C D, A selected
    window.select_line(3)
    window.press("Moove Down")                    # last line: nothing moves
    window.press("Delete")                        # A E C, the new last line C selected
    window.press("Moove Up")                      # A C E

    # The fields still hold row E. The arrow keys step the last one; Enter and
    # Esc in a field neither add a row nor close the window.
    window.click_spin_field(6)
    session.key("Up", "Up", "Down", "Return", "Escape")
    window.press("Add")
    row_f = ROW_E[:6] + [ROW_E[6] + 1]
    rows = [ROW_A, ROW_C, ROW_E, row_f]

    tir = os.path.join(session.scratch, "rows.tir")
    window.save_rows(tir)
    expect_file(tir, text_file(row_line(row) for row in rows))

    window.choose_column(3)
    csv = os.path.join(session.scratch, "column3")     # the dialog adds .csv
    window.export_csv(csv)
    expect_file(csv + ".csv", triangle_csv(column(rows, 3)))

    window.select_line(1)
    window.press("Delete")
    window.choose_column(7)
    window.export_csv(os.path.join(session.scratch, "column7.csv"))
    expect_file(os.path.join(session.scratch, "column7.csv"),
                triangle_csv(column([ROW_A, ROW_E, row_f], 7)))


def save_then_open(session, window):
    """A saved list opened again replaces what the window holds, rows and
    lines alike, and lines written by hand are kept byte for byte."""
    rows = [ROW_C, ROW_A, ROW_E]
    for row in rows:
        window.enter_row(row)
    saved = os.path.join(session.scratch, "saved.tir")
    window.save_rows(saved)
    expect_file(saved, text_file(row_line(row) for row in rows))

    window.enter_row(ROW_B)
    window.open_rows(saved)
    resaved = os.path.join(session.scratch, "resaved.tir")
    window.save_rows(resaved)
    expect_file(resaved, text_file(row_line(row) for row in rows))
    window.choose_column(5)
    window.export_csv(os.path.join(session.scratch, "opened.csv"))
    expect_file(os.path.join(session.scratch, "opened.csv"), triangle_csv(column(rows, 5)))

    # Fields in every form the reader takes, text after the seventh field and
    # a byte that is not UTF-8: shown as they are, saved back unchanged.
    by_hand = [b"01 02 03 04 05 06 07 note \xe9t\xe9", b" 9 +8 -1 $A xF 42 7", b"99 00 99 00 99 00 99"]
    hand_file = os.path.join(session.scratch, "by-hand.tir")
    with open(hand_file, "wb") as file:
        file.write(text_file(by_hand))
    window.open_rows(hand_file)
    copy = os.path.join(session.scratch, "by-hand-copy.tir")
    window.save_rows(copy)
    expect_file(copy, text_file(by_hand))
    window.export_csv(os.path.join(session.scratch, "by-hand.csv"))
    expect_file(os.path.join(session.scratch, "by-hand.csv"), triangle_csv([5, 15, 99]))


def refused_file_keeps_rows(session, window):
    """A file that is not a row list, or not there at all, is refused with the
    error dialog, and the rows already entered stay."""
    rows = [ROW_D, ROW_B]
    for row in rows:
        window.enter_row(row)
    before = text_file(row_line(row) for row in rows)

    malformed = os.path.join(session.scratch, "malformed.tir")
    with open(malformed, "wb") as file:
        file.write(text_file([row_line(ROW_A), "01 02 03"]))

    for attempt, (path, close_key) in enumerate([(malformed, "Return"),
                                                  (os.path.join(session.scratch, "absent.tir"), "Escape")]):
        window.open_rows(path)
        error = session.wait_for_window("Error")
        session.wait_for_focus(error, "Error")
        session.key("ctrl+c")
        copied = wait_for("the error text on the clipboard", session.clipboard_text)
        expect(copied.split("\r\n")[1:4] == ["Error", "-" * 27, BAD_FILE_FORMAT],
               f"the error dialog copied {copied!r}")
        session.key(close_key)
        session.wait_until_closed(error, "Error")

        after = os.path.join(session.scratch, f"after-{attempt}.tir")
        window.save_rows(after)
        expect_file(after, before)

    window.export_csv(os.path.join(session.scratch, "kept.csv"))
    expect_file(os.path.join(session.scratch, "kept.csv"), triangle_csv(column(rows, 1)))


def failed_export_reported(session, window):
    """An export into a folder that has gone is reported in the system message
    box under the program's title, and the window carries on."""
    rows = [ROW_E, ROW_A, ROW_C]
    for row in rows:
        window.enter_row(row)
    expected = triangle_csv(column(rows, 1))

    target_folder = os.path.join(session.scratch, "exports")
    os.mkdir(target_folder)
    target = os.path.join(target_folder, "triangle.csv")
    window.export_csv(target)
    expect_file(target, expected)

    shutil.rmtree(target_folder)
    window.export_csv(target)

    report = session.wait_for_window(APPLICATION_TITLE)
    expect(not os.path.exists(target_folder), "the export created the removed folder")
    session.wait_for_focus(report, APPLICATION_TITLE)
    session.key("Return")
    session.wait_until_closed(report, APPLICATION_TITLE)

    recovered = os.path.join(session.scratch, "recovered.csv")
    window.export_csv(recovered)
    expect_file(recovered, expected)


def pipe_refused_at_once(session, window):
    """A named pipe chosen in Open is refused at once with the error dialog,
    instead of waiting for a writer, and the window then works as before."""
    rows = [ROW_B, ROW_E]
    for row in rows:
        window.enter_row(row)
    pipe = os.path.join(session.scratch, "pipe.tir")
    os.mkfifo(pipe)

    window.open_rows(pipe)
    chosen = time.monotonic()
    error = session.wait_for_window("Error", timeout=1.0)
    waited = time.monotonic() - chosen
    expect(waited <= 1.0, f"the error dialog took {waited:.2f} s")
    session.wait_for_focus(error, "Error")
    session.key("Return")
    session.wait_until_closed(error, "Error")

    window.enter_row(ROW_A)
    after = os.path.join(session.scratch, "after.tir")
    window.save_rows(after)
    expect_file(after, text_file(row_line(row) for row in rows + [ROW_A]))


def cancelled_export_leaves_nothing(session, window):
    """A long export, cancelled with Esc while its progress dialog shows,
    leaves no file behind, and the window then saves the list unchanged."""
    rows = [[i % 100, i * 7 % 100, i * 13 % 100, 1, 2, 3, i // 1000 % 100] for i in range(40000)]
    listed = text_file(row_line(row) for row in rows)
    large = os.path.join(session.scratch, "large.tir")
    with open(large, "wb") as file:
        file.write(listed)
    window.open_rows(large)
    before = sorted(os.listdir(session.scratch))

    # Wider than a spreadsheet: Start says so first, and Return goes on.
    window.press("Start")
    question = session.wait_for_window("quorva")
    session.wait_for_focus(question, "the question about spreadsheets' columns")
    session.key("Return")
    session.wait_until_closed(question, "the question about spreadsheets' columns")
    window.answer_file_dialog("Save As", os.path.join(session.scratch, "large.csv"))
    # The dialog carries the program's name, as the window does.
    progress = wait_for("the progress dialog", lambda: [
        other for other in session.visible_windows(MAIN_CAPTION) if other != window.id])[0]
    session.wait_for_focus(progress, "the progress dialog")
    session.key("Escape")
    session.wait_until_closed(progress, "the progress dialog")

    # The dialog stays until the export has ended.
    expect(sorted(os.listdir(session.scratch)) == before,
           f"the cancelled export left {sorted(set(os.listdir(session.scratch)) - set(before))}")
    resaved = os.path.join(session.scratch, "resaved.tir")
    window.save_rows(resaved)
    expect_file(resaved, listed)

def close_asks_about_unsaved_rows(session, window):
    """Closing with unsaved rows asks first and Cancel keeps the window;
    once they are saved, closing asks nothing and the program ends."""
    window.enter_row(ROW_A)
    question = window.ask_to_close()
    session.key("Escape")
    session.wait_until_closed(question, "the question")
    expect(session.app.poll() is None and session.is_mapped(window.id),
           "the window did not stay after Cancel")
    window.save_rows(os.path.join(session.scratch, "rows.tir"))
    session.xlib.send_delete_window(window.id)
    status = session.app.wait(timeout=60)
    expect(status == 0, f"the program ended with status {status}")


def killed_then_restored(session, window):
    """A window killed with unsaved rows after random edits: the next start
    asks, and its default answer gives back the rows of the last edit."""
    rng = random.Random(37)     # undoes and redoes steps that a dead key would show
    states, at = [[]], 0        # the rows after each step kept for Undo, and the one shown
    for _ in range(12):
        rows = states[at]
        choice, line = rng.randrange(5), rng.randrange(max(len(rows), 1))
        if choice == 3 and at > 0:
            session.key("ctrl+z")
            at -= 1
            continue
        if choice == 4 and at + 1 < len(states):
            session.key("ctrl+y")
            at += 1
            continue
        if choice == 0 or len(rows) < 2:
            row = [rng.randrange(100) for _ in range(7)]
            window.enter_row(row)
            rows = rows + [row]
        elif choice == 1:
            window.select_line(line)
            window.press("Delete")
            rows = rows[:line] + rows[line + 1:]
        else:
            line = max(line, 1)
            window.select_line(line)
            window.press("Moove Up")
            rows = rows[:line - 1] + [rows[line], rows[line - 1]] + rows[line + 1:]
        states, at = states[:at + 1] + [rows], at + 1
    time.sleep(1.5)     # the journal is written within a second of an edit
    session.app.kill()
    session.app.wait(timeout=20)

    session.start_app()
    restarted = QuorvaWindow(session)
    question = session.wait_for_window("quorva")
    session.wait_for_focus(question, "the question about the left rows")
    session.key("Return")
    session.wait_until_closed(question, "the question about the left rows")
    tir = os.path.join(session.scratch, "restored.tir")
    restarted.save_rows(tir)
    expect_file(tir, text_file(row_line(row) for row in states[at]))
    restarted.close()


# The program names its failure reports after its executable: this case runs
# a copy under another name, so a caption fixed in the code would show.
RENAMED_EXECUTABLE = "QuorvaCheck.e2e"
APPLICATION_TITLE = "Quorvacheck"

CASES = {
    "edit_rows_and_export": edit_rows_and_export,
    "save_then_open": save_then_open,
    "refused_file_keeps_rows": refused_file_keeps_rows,
    "failed_export_reported": failed_export_reported,
    "pipe_refused_at_once": pipe_refused_at_once,
    "cancelled_export_leaves_nothing": cancelled_export_leaves_nothing,
    "close_asks_about_unsaved_rows": close_asks_about_unsaved_rows,
    "killed_then_restored": killed_then_restored,
}


def run(executable, case_name):
    case = CASES[case_name]

    def body(session):
        if case is failed_export_reported:
            renamed = os.path.join(session.scratch, RENAMED_EXECUTABLE)
            shutil.copy2(executable, renamed)
            session.executable = renamed
        session.start_app()
        window = QuorvaWindow(session)
        case(session, window)
        if session.app.poll() is None:
            window.close()

    return run_in_session(executable, body)


def main():
    return case_main(CASES, run)


if __name__ == "__main__":
    sys.exit(main())
