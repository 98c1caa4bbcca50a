#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Purging a Windows recycle bin on an NTFS drive mounted through ntfs-3g:
# 100,000 deleted files (version 2 index and item; half of them deleted 40
# days ago, half 10 days ago) in one user's bin, written once into an image
# that every round copies. In each round, side by side, each on a fresh mount
# of its own copy, purging those older than 30 days:
#   1. `morvane client=windows auto` (age > 30 days, no log);
#   2. the physical limit: `find -delete` of the same $I and $R files.
# Target: morvane at most 1.3 times the plain deletion. Prints the median wall
# and processor times of the rounds (also those of the ntfs-3g serving each),
# the ratios and morvane's peak memory.
# Needs root (mounting). WINDOWS_BENCH_FILES and WINDOWS_BENCH_RUNS change the
# count and the rounds; WINDOWS_BENCH_DIR puts the images elsewhere.
# Usage: bench/windows_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
bin="$(realpath "$build/bin")"
work="$(realpath -m "${WINDOWS_BENCH_DIR:-$build/bench-windows}")"
files="${WINDOWS_BENCH_FILES:-100000}"
export QT_QPA_PLATFORM=offscreen TZ=UTC LC_ALL=C.UTF-8
sid='S-1-5-21-1004336348-1177238915-682003330-1001'

cleanup() { for m in "$work"/m-*; do mountpoint -q "$m" 2>/dev/null && umount "$m"; done; true; }
trap cleanup EXIT
cleanup
# The image of a previous run with WINDOWS_BENCH_KEEP=1 and as many items is
# used again (writing it through ntfs-3g takes minutes).
if [ "$(cat "$work/template.count" 2>/dev/null)" != "$files" ]; then
rm -rf "$work"
mkdir -p "$work/m-template"
truncate -s 2G "$work/template.img"
mkntfs -F -q -f "$work/template.img" 2>/dev/null
ntfs-3g "$work/template.img" "$work/m-template"
python3 - "$work/m-template/\$Recycle.Bin/$sid" "$files" <<'PY'
import os, struct, sys, time
folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder)
now = time.time()
for i in range(count):
    old = i % 2 == 0
    ident = ("O" if old else "N") + "%05d" % (i // 2)
    when = int((now - (40 if old else 10) * 86400 + 11644473600) * 10000000)
    path = "D:\\Data\\d%03d\\%s.dat\0" % (i % 100, ident)
    content = b"x" * (i % 200)
    with open(os.path.join(folder, "$I%s.dat" % ident), "wb") as f:
        f.write(struct.pack("<qqqI", 2, len(content), when, len(path)) + path.encode("utf-16le"))
    with open(os.path.join(folder, "$R%s.dat" % ident), "wb") as f:
        f.write(content)
PY
umount "$work/m-template"
echo "$files" > "$work/template.count"
fi

volume="$(echo "$work/m-morvane" | tr 'a-z' 'A-Z' | sed 's/[^A-Z0-9]/_/g; s/^_*//; s/_*$//')"
printf '%s\r\n' '[Config]' 'CheckBoxSizeUpperLimit=0' 'CheckBoxSizeLowerLimit=0' 'CheckBoxAge=1' \
  'FileOlderThan=30' 'RadioGroupLogic=0' 'CheckBoxFilePatterns=0' '[CheckListBoxQ]' \
  "0=\\\\WINDOWS\\$volume" '[CheckListBoxQ Checked]' "\\\\WINDOWS\\$volume=1" > "$work/morvane.ini"
echo "$work/m-morvane" > "$work/mounts"

fresh() { mountpoint -q "$work/m-$1" && umount "$work/m-$1"; mkdir -p "$work/m-$1"
  cp --sparse=always "$work/template.img" "$work/$1.img"; ntfs-3g "$work/$1.img" "$work/m-$1"; }
source bench/timing.sh
# The drive's server works for the tool: its processor time (user + system,
# in clock ticks) is counted beside the tool's, the one figure the other
# processes on the machine do not move.
server_ticks() { awk '{ print $14 + $15 }' "/proc/$(pgrep -n -f "ntfs-3g $work/$1.img")/stat"; }
served() { local name="$1" before; before=$(server_ticks "$1"); shift; timed "$name" "$@"
  echo "$name-server $(awk -v t="$(( $(server_ticks "$name") - before ))" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%.2f", t / hz }')" >> "$work/times"; }

: > "$work/times"
for run in $(seq "${WINDOWS_BENCH_RUNS:-3}"); do
  fresh morvane; fresh find
  served morvane env XDG_CONFIG_HOME="$work" MORVANE_WINDOWS_MOUNTS="$work/mounts" \
    "$bin/morvane" client=windows auto ini="$work/morvane.ini" 2>/dev/null
  served find find "$work/m-find/\$Recycle.Bin/$sid" -name '$[IR]O*' -delete
  diff <(ls "$work/m-morvane/\$Recycle.Bin/$sid") <(ls "$work/m-find/\$Recycle.Bin/$sid") >/dev/null ||
    { echo "morvane and find disagree on what is left" >&2; exit 1; }
  left=$(ls "$work/m-morvane/\$Recycle.Bin/$sid" | wc -l)
  [ "$left" -eq "$files" ] || { echo "morvane left $left of $files files" >&2; exit 1; }
  umount "$work/m-morvane"; umount "$work/m-find"
done

echo "items: $files (half older than 30 days), on ntfs-3g, median of ${WINDOWS_BENCH_RUNS:-3} rounds"
echo "                           wall    processor (user + system)"
for tool in morvane find; do
  printf '%-26s %6.2f s %6.2f s\n' "$tool" "$(median "$tool" 2)" "$(median "$tool" 3)"
done
for tool in morvane find; do
  printf '%-26s          %6.2f s\n' "ntfs-3g serving $tool" "$(median "$tool-server" 2)"
done
echo "morvane peak memory: $(median morvane 4) kB"
awk -v m="$(median morvane 2)" -v f="$(median find 2)" -v mc="$(median morvane 3)" -v fc="$(median find 3)" \
  -v ms="$(median morvane-server 2)" -v fs="$(median find-server 2)" \
  'BEGIN { printf "morvane / find -delete: %.2f wall, %.2f processor (target <= 1.3 wall)\n", m / f, mc / fc
           printf "  with the drive server'"'"'s processor time: %.2f\n", (mc + ms) / (fc + fs) }'
echo "each round (tool, wall s, processor s, peak kB; tool-server, its server's processor s):"
cat "$work/times"
rm -f "$work/morvane.img" "$work/find.img"
[ -n "${WINDOWS_BENCH_KEEP:-}" ] || rm -rf "$work"
