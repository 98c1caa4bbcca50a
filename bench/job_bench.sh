#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole job against the raw client scan, in one run, over the generated
# network of 1,000,000 deleted files in 10,000 directories:
#   1. the raw scan: `nwemu scan` of each start path (recursive), output discarded;
#   2. `morvane auto` over the same start paths with a selection that matches no
#      file, so nothing is purged and every file is listed and tested as in the
#      list mode (the automatic run always chooses purging without confirmation);
#   3. JobBench: the window's job in list mode, with the longest time the window
#      went without processing its events.
# Usage: bench/job_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
bin="$build/bin"
data="$build/bench-data"
mkdir -p "$data"
export QT_QPA_PLATFORM=offscreen

# The generated network is made once and kept; each run works on a copy.
if [ ! -f "$data/gen.db" ]; then
  "$bin/nwemu" create "$data/gen.db.new" >/dev/null
  "$bin/nwemu" --network "$data/gen.db.new" generate --files 1000000 --dirs 10000 --seed 1
  mv "$data/gen.db.new" "$data/gen.db"
fi
cp "$data/gen.db" "$data/job.db"

source bench/generated_job.sh
job_ini "$data/job.ini"

seconds() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.2f", (e - s) / 1e9 }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

# The machine may be shared: each figure is the best of three runs.
scan="" job="" joblog="" rounds=""
for round in 1 2 3; do
  start=$(date +%s%N)
  for p in "${paths[@]}"; do
    "$bin/nwemu" --network "$data/job.db" scan "$p" --recursive >/dev/null 2>&1
  done
  s1=$(seconds "$start" "$(date +%s%N)")
  scan=$(smaller "$s1" "$scan")

  start=$(date +%s%N)
  NWEMU_NETWORK="$data/job.db" /usr/bin/time -f '%M' -o "$data/job.mem" \
    "$bin/morvane" auto "ini=$data/job.ini" 2>/dev/null
  s2=$(seconds "$start" "$(date +%s%N)")
  job=$(smaller "$s2" "$job")

  start=$(date +%s%N)
  NWEMU_NETWORK="$data/job.db" /usr/bin/time -f '%M' -o "$data/joblog.mem" \
    "$bin/morvane" auto "ini=$data/job.ini" "log=$data/job.log" 2>/dev/null
  s3=$(seconds "$start" "$(date +%s%N)")
  joblog=$(smaller "$s3" "$joblog")
  rounds+="$(printf '  round %d: raw %s s, auto %s s, with log %s s' "$round" "$s1" "$s2" "$s3")"$'\n'
done

echo "raw scan (nwemu scan, 4 start paths):   $scan s"
echo "morvane auto, same start paths:        $job s  (ratio $(awk -v a="$job" -v b="$scan" 'BEGIN { printf "%.2f", a / b }'), target <= 2)"
echo "  peak memory:                         $(( $(cat "$data/job.mem") / 1024 )) MiB"
echo "  with log= ($(wc -l < "$data/job.log") lines):        $joblog s, peak memory $(( $(cat "$data/joblog.mem") / 1024 )) MiB"
printf '%s' "$rounds"
echo "deleted files left: $("$bin/nwemu" --network "$data/job.db" count)"
echo
"$bin/JobBench" "$data/job.db" "${paths[@]}" 2>/dev/null
