#!/usr/bin/env bash
# The command-line export against the export driver at n = 16,384, run in
# turns so that both meet the same load: prints the median seconds of each
# (the command line's include its start and the reading of the row list)
# and their ratio.
#
#   bash bench/command_line.sh [BUILD_DIR] [REPS]     # build/bench, 7
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
reps=${2:-7}
n=16384
work=$(mktemp -d "$PWD/$build/command-line.XXXXXX")
trap 'rm -rf "$work"' EXIT

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

"$build/bench/quorva_make_row_list" "$n" "$work/rows.tir"
drivers=() commands=()
# Each export starts with no other CSV in the folder and nothing left to
# write back: a 400 MB file still there slows the next export several times.
for ((r = 0; r < reps; r++)); do
  rm -f "$work/command.csv"; sync
  line=$("$build/bench/quorva_export_driver" "$n" "$work/driver.csv")
  drivers+=("$(sed -n 's/.*seconds=\([^ ]*\).*/\1/p' <<<"$line")")
  rm -f "$work/driver.csv"; sync
  start=$EPOCHREALTIME
  env -u DISPLAY "$build/src/ui/quorva" --export-triangle 1 "$work/rows.tir" "$work/command.csv"
  commands+=("$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f", b - a }')")
done
driver_s=$(median "${drivers[@]}")
command_s=$(median "${commands[@]}")
echo "n=$n driver_seconds=$driver_s command_line_seconds=$command_s" \
     "ratio=$(awk -v a="$command_s" -v b="$driver_s" 'BEGIN { printf "%.3f", a / b }')"
