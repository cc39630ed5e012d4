#!/usr/bin/env bash
# A long row list through the real window (offscreen): Open, the undo of one
# Delete (the first after Open and a later one) and Save, against `cat` and
# `cp` + `sync` of the same bytes, each pair timed back to back in turns.
# Prints a table of medians and [lowest-highest] over the runs.
#
#   bash bench/rows_at_scale.sh BUILD_DIR [ROWS] [REPS]
set -euo pipefail
build=$1 rows=${2:-50000000} reps=${3:-5}
drivers=$build/bench
work=$(mktemp -d "$PWD/$build/rows.XXXXXX")
trap 'rm -rf "$work"' EXIT

field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$2"; }
spread() {
  printf '%s\n' "$@" | sort -g |
    awk '{ v[NR] = $1 } END { printf "%.3f [%.3f-%.3f]", v[int((NR + 1) / 2)], v[1], v[NR] }'
}
seconds_of() {
  local start=$EPOCHREALTIME
  "$@"
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f", b - a }'
}
copy_and_sync() { cp "$1" "$2" && sync "$2"; }
read_to_null() { cat "$1" >/dev/null; }

"$drivers/quorva_make_row_list" "$rows" "$work/rows.tir"
bytes=$(stat -c %s "$work/rows.tir")
run_window() {
  rm -rf "$work/state" "$work/saved.tir"; mkdir "$work/state"; sync
  line=$(QT_QPA_PLATFORM=offscreen XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work" \
    "$drivers/quorva_window_rows_driver" "$work/rows.tir" "$work/saved.tir" 2>/dev/null)
}
run_references() {
  cat_s=$(seconds_of read_to_null "$work/rows.tir")
  rm -f "$work/copy.tir"; sync
  cps_s=$(seconds_of copy_and_sync "$work/saved.tir" "$work/copy.tir")
  rm -f "$work/copy.tir"
}
declare -A series
keep() { series[$1]+="$2 "; }
# One round first, not counted: fresh pages cost more the first time.
cat "$work/rows.tir" >/dev/null; run_window
for ((r = 0; r < reps; r++)); do
  if ((r % 2 == 0)); then run_window; run_references; else run_references; run_window; fi
  for key in open_seconds first_undo_seconds first_undo_cpu_seconds second_undo_seconds \
             second_undo_cpu_seconds save_seconds; do
    keep "$key" "$(field "$key" "$line")"
  done
  keep open_memory "$(awk -v m="$(field open_peak_bytes "$line")" -v b="$bytes" 'BEGIN { print m / b }')"
  for undo in first second; do
    keep "${undo}_undo_memory" \
      "$(awk -v m="$(field "${undo}_undo_peak_bytes" "$line")" -v b="$bytes" 'BEGIN { print 100 * m / b }')"
  done
  keep open_vs_cat "$(awk -v o="$(field open_seconds "$line")" -v c="$cat_s" 'BEGIN { print o / c }')"
  keep save_vs_copy "$(awk -v s="$(field save_seconds "$line")" -v c="$cps_s" 'BEGIN { print s / c }')"
  keep cat "$cat_s"; keep copy "$cps_s"
done
s() { spread ${series[$1]}; }
echo "| $rows rows through the window ($bytes bytes), $reps runs | median [lowest-highest] |"
echo "|---|---:|"
echo "| Open (s) | $(s open_seconds) |"
echo "| Open's peak memory / file | $(s open_memory) |"
echo "| Open / cat of the file, per pair | $(s open_vs_cat) |"
echo "| first undo of a Delete after Open (s) | $(s first_undo_seconds) |"
echo "| its CPU on the window's thread (s) | $(s first_undo_cpu_seconds) |"
echo "| its peak memory added, % of the file | $(s first_undo_memory) |"
echo "| a later undo of a Delete (s) | $(s second_undo_seconds) |"
echo "| its CPU on the window's thread (s) | $(s second_undo_cpu_seconds) |"
echo "| its peak memory added, % of the file | $(s second_undo_memory) |"
echo "| Save (s) | $(s save_seconds) |"
echo "| cp + sync of the saved bytes (s) | $(s copy) |"
echo "| Save / (cp + sync), per pair | $(s save_vs_copy) |"
echo "| cat of the file (s) | $(s cat) |"

median() { printf '%s\n' ${series[$1]} | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
verdict() { # label key limit
  awk -v l="$1" -v m="$(median "$2")" -v t="$3" 'BEGIN { printf "- %s <= %s: %.3f, %s\n", l, t, m, (m <= t ? "met" : "NOT met") }'
}
echo
echo "Targets at $rows rows:"
verdict "Open through the window (s)" open_seconds 1.5
verdict "Open's peak memory / file" open_memory 0.5
verdict "undo of one Delete, the first after Open (s)" first_undo_seconds 0.05
verdict "undo of one Delete, a later one (s)" second_undo_seconds 0.05
verdict "undo's peak memory added (% of the file)" first_undo_memory 1
verdict "Save / (cp + sync)" save_vs_copy 1.1
