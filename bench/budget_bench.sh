#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A budget job against a plain one: `morvane auto` over the four volume roots of
# a generated network of 1,000,000 deleted files whose volumes have a size.
#   plain:  Or, the name pattern *.zzz only: every file listed and tested;
#   budget: And, "Keep only the newest" 50 TiB, "Purge until free" 100 TiB and
#           the pattern *.zzz: each start path is listed once more before its
#           walk, both cut-offs are found, and every file is placed against them
#           (about three files in four lie beyond one, with an explanation line);
#   pass:   the same with limits no file lies beyond (keep 900 TiB, free 1 MB):
#           the listing pass and the cut-offs alone.
# Neither purges anything (no name ends in .zzz), so each run sees the same files.
# Prints the best time and the peak memory of each.
# Usage: bench/budget_bench.sh [BUILD_DIR]   (default: build; ROUNDS=3)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
bin="$build/bin"
data="$build/bench-data"
rounds="${ROUNDS:-3}"
mkdir -p "$data"
export QT_QPA_PLATFORM=offscreen

# Volumes of 200 TiB each; the generated files take about 125 TiB of each.
if [ ! -f "$data/budget.db" ]; then
  "$bin/nwemu" create "$data/budget.db.new" >/dev/null
  "$bin/nwemu" --network "$data/budget.db.new" generate --files 1000000 --dirs 10000 --seed 1 \
    --volume-size $((200 << 40))
  mv "$data/budget.db.new" "$data/budget.db"
fi

paths=('\\GEN1\VOL1' '\\GEN1\VOL2' '\\GEN2\VOL1' '\\GEN2\VOL2')

settings() {  # LOGIC BUDGETS(0/1) KEEP_MB FREE_MB
  printf '%s\r\n' '[Config]' 'CheckBoxSizeUpperLimit=0' 'CheckBoxSizeLowerLimit=0' 'CheckBoxAge=0' \
    "RadioGroupLogic=$1" 'CheckBoxFilePatterns=1' "CheckBoxKeepNewest=$2" "KeepNewestSize=$3" \
    "CheckBoxUntilFree=$2" "UntilFreeSize=$4" '[Config MemoExtList]' '0=*.zzz' '[CheckListBoxQ]'
  for i in "${!paths[@]}"; do printf '%s=%s\r\n' "$i" "${paths[$i]}"; done
  printf '[CheckListBoxQ Checked]\r\n'
  for p in "${paths[@]}"; do printf '%s=1\r\n' "$p"; done
}
settings 0 0 1 1 > "$data/plain.ini"
settings 1 1 52428800 104857600 > "$data/budget.ini"
settings 1 1 943718400 1 > "$data/pass.ini"

seconds() { awk -v s="$1" -v e="$2" 'BEGIN { printf "%.2f", (e - s) / 1e9 }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

for job in plain pass budget; do
  best="" memory=""
  for ((round = 1; round <= rounds; round++)); do
    start=$(date +%s%N)
    NWEMU_NETWORK="$data/budget.db" /usr/bin/time -f '%M' -o "$data/$job.mem" \
      "$bin/morvane" auto "ini=$data/$job.ini" "log=$data/$job.log" 2>/dev/null
    best=$(smaller "$(seconds "$start" "$(date +%s%N)")" "$best")
    memory=$(smaller "$(cat "$data/$job.mem")" "$memory")
  done
  matching=$(grep -c '^     + ' "$data/$job.log" || true)
  echo "$job job: $best s, peak memory $((memory / 1024)) MiB, $(wc -l < "$data/$job.log") lines, $matching matching"
done
echo "deleted files left: $("$bin/nwemu" --network "$data/budget.db" count)"
