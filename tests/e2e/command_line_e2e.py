#!/usr/bin/env python3
"""Runs the export from the command line, with no display, as a script would.

usage: command_line_e2e.py QUORVA_EXECUTABLE CASE
"""

import os
import pty
import random
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import traceback

sys.dont_write_bytecode = True

from quorva_e2e import (BAD_FILE_FORMAT, column, expect, row_line, text_file,  # noqa: E402
                        triangle_csv)
from x11_session import E2EFailure, wait_for  # noqa: E402

NO_DISPLAY = {k: v for k, v in os.environ.items()
              if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}


def run(quorva, *arguments, stdout_onto=None):
    """With stdout_onto (path, mode), standard output is that file opened as
    a shell's >> (mode "ab") or 1<> (mode "r+b") opens it."""
    env = dict(NO_DISPLAY, XDG_STATE_HOME=os.path.abspath("state"))
    if stdout_onto is None:
        done = subprocess.run([quorva, *arguments], env=env, capture_output=True, timeout=60)
        return done.returncode, done.stdout.decode(), done.stderr.decode()
    with open(*stdout_onto) as output:
        done = subprocess.run([quorva, *arguments], env=env, stdout=output,
                              stderr=subprocess.PIPE, timeout=60)
    return done.returncode, "", done.stderr.decode()


def write(path, data):
    with open(path, "wb") as file:
        file.write(data)
    return path


def exports_every_column(quorva, folder):
    """Each column's triangle, byte for byte, and the answer to every wrong use."""
    rows = [[random.randrange(100) for _ in range(7)] for _ in range(60)]
    tir = write(os.path.join(folder, "rows.tir"), text_file(row_line(row) for row in rows))
    for number in range(1, 8):
        csv = os.path.join(folder, f"column{number}.csv")
        run(quorva, "--export-triangle", str(number), tir, csv)
        with open(csv, "rb") as file:
            expect(file.read() == triangle_csv(column(rows, number)), f"column {number} differs")

    # Names are bytes: ones that are not UTF-8 are read and written as themselves.
    odd_tir, odd_csv = os.fsencode(folder) + b"/x\xff.tir", os.fsencode(folder) + b"/o\xff.csv"
    write(odd_tir, open(tir, "rb").read())
    expect(run(quorva, "--export-triangle", "1", odd_tir, odd_csv)[0] == 0, "odd names refused")
    expect(open(odd_csv, "rb").read() == triangle_csv(column(rows, 1)), "odd names changed")

    link, hard = os.path.join(folder, "link.csv"), os.path.join(folder, "hard.csv")
    os.symlink(tir, link)
    os.link(tir, hard)
    tir_before = open(tir, "rb").read()
    journal = os.path.join(folder, "state", "quorva", "journals", "rows.journal")
    os.makedirs(os.path.dirname(journal), mode=0o700)
    write(journal, b"journal")
    journal_link = os.path.join(folder, "journal.csv")
    os.symlink(journal, journal_link)
    empty = write(os.path.join(folder, "empty.tir"), b"")
    bad = write(os.path.join(folder, "bad.tir"), text_file(["01 02 03"]))
    for case in [
        (["--help"], 0, "--export-triangle <COLUMN>"),
        (["--version"], 0, "quorva "),
        (["--export-triangle", "1", bad, "out.csv"], 1, f'quorva: "{bad}": {BAD_FILE_FORMAT}\n'),
        (["--export-triangle", "1", empty, "out.csv"], 1,
         f'quorva: "{empty}": the file holds no rows, so there is no triangle\n'),
        (["--export-triangle", "1", "missing.tir", "out.csv"], 1,
         'quorva: "missing.tir": No such file or directory\n'),
        (["--export-triangle", "3", tir, "-"], 0, triangle_csv(column(rows, 3)).decode()),
        (["--export-triangle", "1", tir, "/nonexistent/out.csv"], 1, 'Cannot create file "'),
        (["--export-triangle", "8", tir, "out.csv"], 2, "from 1 to 7"),
        (["--export-triangle", "1", tir], 2, "ROWS.tir"),
        (["--no-such-option"], 2, "no-such-option"),
        (["a.tir", "b.tir"], 2, 'one file at most; one argument too many: "b.tir"'),
        (["--export-triangle", "1", tir, "a.csv", "b\n.csv"], 2,
         'only; one argument too many: "b\\n.csv"\n'),
        (["-style", "Fusion"], 2, "Unknown option 'style'"),
        (["-platform", "offscreen", "-style", "Fusion", "-reverse", "--export-triangle", "3",
          tir, "-"], 0, triangle_csv(column(rows, 3)).decode()),
        (["--export-triangle", "1", tir, "/proc/x.csv"], 1,
         'Cannot create file "/proc/x.csv". The folder "/proc" is on a file system of the kernel'),
        (["--export-triangle", "1", tir, tir], 1, f'"{tir}": it is the row list "{tir}"'),
        (["--export-triangle", "1", tir, "rows.tir"], 1, "it is the row list"),
        (["--export-triangle", "1", link, tir], 1, "it is the row list"),
        (["--export-triangle", "1", tir, hard], 1, "it is the row list"),
        (["--export-triangle", "1", tir, "-"], 1, f'"-": it is the row list "{tir}"', (tir, "ab")),
        (["--export-triangle", "1", tir, "-"], 1, f'"-": it is the row list "{tir}"',
         (tir, "r+b")),
        (["--export-triangle", "1", tir, journal], 1, "Quorva's own files"),
        (["--export-triangle", "1", tir, journal_link], 1, "Quorva's own files"),
        (["--export-triangle", "1", "--format", "xlsx", tir, journal], 1, "Quorva's own files"),
        (["--export-triangle", "1", tir, "-"], 1, "Quorva's own files", (journal, "ab")),
    ]:
        arguments, expected_status, expected_text, *stdout_onto = case
        status, output, errors = run(quorva, *arguments, stdout_onto=next(iter(stdout_onto), None))
        expect(status == expected_status and expected_text in output + errors,
               f"{arguments}: status {status}, said {output + errors!r}")
    expect(not os.path.exists("out.csv"), "a failed export left a file")
    expect(open(tir, "rb").read() == tir_before, "an export wrote over its own row list")
    expect(open(journal, "rb").read() == b"journal", "an export wrote over a state file")


def reader_that_leaves(quorva, folder):
    """A named pipe whose reader has gone is a write error, reported; standard
    output's reader that leaves, as `| head` does, ends the export as SIGPIPE
    ends a Unix tool: quietly, with status 141 in the shell."""
    rows = [[i % 100, i * 7 % 100, 0, 0, 0, 0, 0] for i in range(2000)]
    tir = write(os.path.join(folder, "rows.tir"), text_file(row_line(row) for row in rows))
    fifo = os.path.join(folder, "reader.csv")
    os.mkfifo(fifo)
    for target, expected_status, expected_errors in [
        (fifo, 1, "quorva: Stream write error. Broken pipe.\n"),
        ("-", -signal.SIGPIPE, ""),
    ]:
        reader = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK) if target == fifo else None
        export = subprocess.Popen([quorva, "--export-triangle", "1", tir, target],
                                  env=NO_DISPLAY, stderr=subprocess.PIPE,
                                  stdout=subprocess.PIPE if reader is None else None)
        if reader is None:
            export.stdout.readline()    # head -1
            export.stdout.close()
        else:
            wait_for("the export's first bytes", lambda: select.select([reader], [], [], 0.1)[0])
            os.close(reader)
        errors = export.stderr.read().decode()
        expect(export.wait(timeout=60) == expected_status and errors == expected_errors,
               f"{target}: status {export.returncode}, said {errors!r}")


def interrupt_leaves_no_file(quorva, folder):
    """Ctrl+C during a long export on a terminal ends the program as the
    signal does and leaves the folder as it was."""
    rows = [[i % 100, i * 7 % 100, 0, 0, 0, 0, 0] for i in range(30000)]
    tir = write(os.path.join(folder, "large.tir"), text_file(row_line(row) for row in rows))
    before = sorted(os.listdir(folder))
    pid, terminal = pty.fork()
    if pid == 0:
        os.execve(quorva, [quorva, "--export-triangle", "1", tir,
                           os.path.join(folder, "large.csv")], NO_DISPLAY)
    shown = b""

    def progress_shown():
        nonlocal shown
        shown += os.read(terminal, 4096)
        return b"Exporting column 1" in shown and b"%" in shown
    wait_for("the export's progress on the terminal", progress_shown)
    os.kill(pid, signal.SIGINT)
    _, status = os.waitpid(pid, 0)
    expect(os.WIFSIGNALED(status) and os.WTERMSIG(status) == signal.SIGINT,
           f"the program ended with wait status {status}, said {shown!r}")
    expect(sorted(os.listdir(folder)) == before, f"the folder holds {sorted(os.listdir(folder))}")


def readers():
    """The spreadsheets' own converters, each from .xlsx to CSV with ','.
    Missing ones are skipped only outside CI, where the project installs them."""
    found = {}
    if shutil.which("ssconvert"):
        found["Gnumeric"] = lambda xlsx, csv: subprocess.run(
            ["ssconvert", xlsx, csv], capture_output=True, timeout=120, check=True)
    office = shutil.which("soffice") or shutil.which("libreoffice")
    if office:
        def libreoffice(xlsx, csv):
            # A profile of its own, so that no running instance takes the job.
            profile = "file://" + os.path.dirname(csv) + "/profile"
            subprocess.run([office, f"-env:UserInstallation={profile}", "--headless",
                            "--convert-to", "csv", "--outdir", os.path.dirname(csv), xlsx],
                           capture_output=True, timeout=300, check=True)
            os.rename(os.path.splitext(xlsx)[0] + ".csv", csv)
        found["LibreOffice"] = libreoffice
    if len(found) < 2 and os.environ.get("CI"):
        raise E2EFailure(f"only {sorted(found)} of the spreadsheet readers are installed")
    return found


def cells(text, separator):
    """Each line's fields, the empty ones at its end left out."""
    lines = []
    for line in text.decode().splitlines():
        fields = line.split(separator)
        while fields and fields[-1] == "":
            fields.pop()
        lines.append(fields)
    while lines and not lines[-1]:
        lines.pop()
    return lines


def spreadsheets_read_numbers(quorva, folder):
    """The .xlsx export read by the spreadsheets themselves: the CSV's cells,
    numbers as numbers, blanks as empty; and the warning on a CSV wider than
    a spreadsheet, which leaves the export and its status alone."""
    found = readers()
    for name, values in [("one", [42]), ("two", [4, 9]),
                         ("negative", [5, -3, 8, 0, -1, 99, 12, -9, 7, 7, 1]),
                         ("wide", [random.randrange(100) for _ in range(300)])]:
        tir = write(os.path.join(folder, f"{name}.tir"),
                    text_file(row_line([value] * 7) for value in values))
        csv, xlsx = os.path.join(folder, f"{name}.csv"), os.path.join(folder, f"{name} sheet.xlsx")
        expect(run(quorva, "--export-triangle", "1", tir, csv)[0] == 0, f"{name}: no CSV")
        expect(run(quorva, "--export-triangle", "1", tir, xlsx)[0] == 0, f"{name}: no .xlsx")
        expected = cells(open(csv, "rb").read(), ";")
        for reader, convert in found.items():
            read = os.path.join(folder, f"{name}-{reader}.csv")
            convert(xlsx, read)
            actual = cells(open(read, "rb").read(), ",")
            expect(actual == expected, f"{reader} reads {name} as {actual[:3]}..., "
                                       f"the CSV holds {expected[:3]}...")

    for arguments, expected_status, expected_text in [
        (["--export-triangle", "1", "--format", "xlsx", tir, "-"], 2, "CSV only"),
        (["--export-triangle", "1", "--format", "ods", tir, "x.ods"], 2, "csv or xlsx"),
        (["--format", "xlsx", tir], 2, "--export-triangle"),
    ]:
        status, output, errors = run(quorva, *arguments)
        expect(status == expected_status and expected_text in output + errors,
               f"{arguments}: status {status}, said {output + errors!r}")
    expect(run(quorva, "--export-triangle", "1", "--format", "xlsx", tir,
               os.path.join(folder, "named.data"))[0] == 0, "--format xlsx refused")
    expect(open(os.path.join(folder, "named.data"), "rb").read(2) == b"PK", "--format ignored")

    for count, warned in [(16384, False), (16385, True)]:
        tir = write(os.path.join(folder, f"{count}.tir"),
                    text_file(row_line([value % 100] * 7) for value in range(count)))
        status, _, errors = run(quorva, "--export-triangle", "1", tir, "/dev/null")
        expect(status == 0 and ("keep only the first 16,384 columns" in errors) == warned,
               f"{count} values: status {status}, said {errors!r}")


CASES = {case.__name__: case for case in (exports_every_column, interrupt_leaves_no_file,
                                          reader_that_leaves, spreadsheets_read_numbers)}

if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in CASES:
        sys.exit(f"usage: {sys.argv[0]} QUORVA_EXECUTABLE {{{'|'.join(CASES)}}}")
    executable = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as scratch:
        os.chdir(scratch)
        try:
            CASES[sys.argv[2]](executable, scratch)
        except Exception:
            traceback.print_exc(file=sys.stdout)
            sys.exit(1)
