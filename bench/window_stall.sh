#!/usr/bin/env bash
# The window's event loop watched by a 10 ms timer through a scripted run at
# scale (see window_stall_driver.cpp): Open, Delete, an immediate Save, undo,
# Ctrl+T on a second list with a Copy of a far selection, a kill, and the
# restore at the next start. Prints the worst stall outside any progress
# dialog and inside one, with the step each fell in.
#
#   bash bench/window_stall.sh BUILD_DIR [ROWS] [VIEW_ROWS]
set -euo pipefail
build=${1:?usage: bench/window_stall.sh BUILD_DIR [ROWS] [VIEW_ROWS]}
rows=${2:-50000000}
view_rows=${3:-40000}
driver=$build/bench/quorva_window_stall_driver
work=$(mktemp -d "${TMPDIR:-/var/tmp}/quorva-window-stall.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/bench/quorva_make_row_list" "$rows" "$work/rows.tir" >/dev/null
"$build/bench/quorva_make_row_list" "$view_rows" "$work/view.tir" >/dev/null
export QT_QPA_PLATFORM=offscreen XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work
# The first run ends killed, as a crash would end it.
"$driver" "$work/rows.tir" "$work/view.tir" 2>"$work/run.log" >"$work/run.out" || true
echo "run:     $(cat "$work/run.out")"
echo "restore: $("$driver" --restore 2>"$work/restore.log")"
