#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Purging the desktop trash: 100,000 trashed files (half of them deleted 40
# days ago, half 10 days ago) in 100 original folders, made directly (not
# through trash-cli, which would take minutes), in three identical copies. In
# one run, side by side, each on its own copy, purging those older than 30 days:
#   1. `morvane client=trash auto` (age > 30 days, no log);
#   2. trash-cli's `trash-empty 30`;
#   3. the physical limit: `find -delete` of the same files and .trashinfo files.
# Targets: morvane at least 5 times faster than trash-empty, at most 2 times
# the plain deletion. Prints the median wall and processor times of the rounds,
# the ratios and morvane's peak memory. TRASH_BENCH_FILES and TRASH_BENCH_RUNS
# change the count and the rounds; TRASH_BENCH_DIR puts the trash elsewhere
# (e.g. on /dev/shm, to take the disk out of the figures); TRASH_BENCH_KEEP=1
# leaves the copies there afterwards, for a closer look.
# Usage: bench/trash_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
bin="$(realpath "$build/bin")"
peer="$(realpath tests/app/fixtures/trash-cli-mounts.py)"
work="$(realpath -m "${TRASH_BENCH_DIR:-$build/bench-trash}")"
files="${TRASH_BENCH_FILES:-100000}"
export QT_QPA_PLATFORM=offscreen TZ=UTC LC_ALL=C.UTF-8

rm -rf "$work"
mkdir -p "$work/template/Trash/files" "$work/template/Trash/info" "$work/empty-mount"

python3 - "$work" "$files" <<'PY'
import datetime, os, sys
work, count = sys.argv[1], int(sys.argv[2])
trash = os.path.join(work, "template", "Trash")
now = datetime.datetime.now()
for i in range(count):
    old = i % 2 == 0
    name = ("old-%06d.dat" if old else "new-%06d.dat") % i
    when = now - datetime.timedelta(days=40 if old else 10)
    with open(os.path.join(trash, "files", name), "wb") as f:
        f.write(b"x" * (i % 200))
    with open(os.path.join(trash, "info", name + ".trashinfo"), "w") as f:
        f.write("[Trash Info]\nPath=%s/orig/d%03d/%s\nDeletionDate=%s\n"
                % (work, i % 100, name, when.strftime("%Y-%m-%dT%H:%M:%S")))
PY

echo "$work" > "$work/mounts"
{
  printf '%s\r\n' '[Config]' 'CheckBoxSizeUpperLimit=0' 'CheckBoxSizeLowerLimit=0' 'CheckBoxAge=1' \
    'FileOlderThan=30' 'RadioGroupLogic=0' 'CheckBoxFilePatterns=0' '[CheckListBoxQ]'
  volume="$(echo "$work" | tr 'a-z' 'A-Z' | sed 's/[^A-Z0-9]/_/g; s/^_*//; s/_*$//')"
  printf '0=\\\\TRASH\\%s\r\n[CheckListBoxQ Checked]\r\n\\\\TRASH\\%s=1\r\n' "$volume" "$volume"
} > "$work/morvane.ini"

fresh() { rm -rf "$work/$1"; cp -a "$work/template" "$work/$1"; }
source bench/timing.sh

: > "$work/times"
for run in $(seq "${TRASH_BENCH_RUNS:-3}"); do
  fresh morvane; fresh empty; fresh find

  timed morvane env XDG_DATA_HOME="$work/morvane" XDG_CONFIG_HOME="$work" MORVANE_TRASH_MOUNTS="$work/mounts" \
    "$bin/morvane" client=trash auto ini="$work/morvane.ini" 2>/dev/null
  left=$(ls "$work/morvane/Trash/files" | grep -c '^old-' || true)
  [ "$left" -eq 0 ] || { echo "morvane left $left old files" >&2; exit 1; }

  timed trash-empty env XDG_DATA_HOME="$work/empty" FAKE_MOUNTS="$work/empty-mount" /usr/bin/python3 "$peer" trash-empty 30

  timed find find "$work/find/Trash/files" "$work/find/Trash/info" -name 'old-*' -delete

  for copy in morvane empty; do
    diff <(ls "$work/$copy/Trash/files") <(ls "$work/find/Trash/files") >/dev/null ||
      { echo "$copy and find disagree on what is left" >&2; exit 1; }
  done
done

echo "files: $files (half older than 30 days), in $work, median of ${TRASH_BENCH_RUNS:-3} rounds"
echo "                           wall    processor (user + system)"
for tool in morvane trash-empty find; do
  printf '%-26s %6.2f s %6.2f s\n' "$tool" "$(median "$tool" 2)" "$(median "$tool" 3)"
done
echo "morvane peak memory: $(median morvane 4) kB"
awk -v m="$(median morvane 2)" -v e="$(median trash-empty 2)" -v f="$(median find 2)" \
    -v mc="$(median morvane 3)" -v ec="$(median trash-empty 3)" -v fc="$(median find 3)" 'BEGIN {
  printf "trash-empty / morvane: %.1f wall, %.1f processor (target >= 5)\n", e / m, ec / mc
  printf "morvane / find -delete: %.2f wall, %.2f processor (target <= 2)\n", m / f, mc / fc
  printf "trash-empty / find -delete: %.1f wall (the most any tool slower than find can reach)\n", e / f }'
echo "each round (tool, wall s, processor s, peak kB):"
cat "$work/times"
[ -n "${TRASH_BENCH_KEEP:-}" ] || rm -rf "$work"
