#!/usr/bin/env bash
# The window's longest stall per Add while another process floods the disk
# with writes, against the same with a quiet disk; and the threads that
# flush the journal (fdatasync), which must not be the window's.
#
#   bash bench/journal_stall.sh BUILD_DIR [ROWS] [ADDS]
set -euo pipefail
build=${1:?usage: bench/journal_stall.sh BUILD_DIR [ROWS] [ADDS]}
rows=${2:-1000000}
adds=${3:-300}
driver=$build/bench/quorva_journal_stall_driver
work=$(mktemp -d "${TMPDIR:-/var/tmp}/quorva-stall.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
"$build/bench/quorva_make_row_list" "$rows" "$work/rows.tir" >/dev/null
export QT_QPA_PLATFORM=offscreen XDG_STATE_HOME=$work/state

echo "quiet disk:   $("$driver" "$work/rows.tir" "$adds")"
rm -rf "$work/state"
( while :; do dd if=/dev/zero of="$work/flood" bs=4M count=256 conv=fsync status=none; done ) &
sleep 1
echo "flooded disk: $("$driver" "$work/rows.tir" "$adds")"
rm -rf "$work/state"
strace -f -qq -y -e trace=execve,fdatasync -o "$work/trace" "$driver" "$work/rows.tir" 20 >/dev/null
main=$(awk '/execve/ { print $1; exit }' "$work/trace")
# The journal's own flushes (settings and the like are the window's).
journal='fdatasync\([0-9]+<[^>]*\.(journal|base)>'
echo "journal fdatasync calls: $(grep -cE "$journal" "$work/trace"), on the window's thread: $(awk -v m="$main" '$1 == m' "$work/trace" | grep -cE "$journal")"
