#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A job's peak memory as the number of deleted files grows. Generates networks
# of 10,000 (the fixed part), 1, 4 and 16 million deleted files, 100 to a
# directory, once (kept between runs in MEMORY_BENCH_DATA, by default
# /var/tmp/morvane-memory-bench: the largest takes about 2 GB), then runs
# over the four volume roots of each:
#   purge        `morvane auto` (purging without asking) with a pattern that
#                matches nothing, so nothing is purged and every file is listed;
#   purge+log    the same with log=;
#   list         JobBench: the window's job in list mode, files older than 350
#                days marked (about five in six of them);
#   list+log     the same, saving the result log.
# For each it prints the time, the peak resident memory (/usr/bin/time -v), the
# bytes per listed file beyond the fixed part (the same job over 10,000 files)
# and the slope from the next smaller size (the bytes each further file costs).
# MEMORY_BENCH_SIZES changes the sizes (the first is the fixed part),
# MEMORY_BENCH_JOBS the jobs run.
# Usage: bench/memory_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
bin="$(realpath "$build/bin")"
data="$(realpath -m "${MEMORY_BENCH_DATA:-/var/tmp/morvane-memory-bench}")"
sizes=(${MEMORY_BENCH_SIZES:-10000 1000000 4000000 16000000})
jobs=(${MEMORY_BENCH_JOBS:-purge purge+log list list+log})
mkdir -p "$data"
export QT_QPA_PLATFORM=offscreen

source bench/generated_job.sh
job_ini "$data/purge.ini"

for n in "${sizes[@]}"; do
  if [ ! -f "$data/gen-$n.db" ]; then
    echo "generating $n deleted files (once) ..." >&2
    rm -f "$data/gen-$n.db.new"
    "$bin/nwemu" create "$data/gen-$n.db.new" >/dev/null
    "$bin/nwemu" --network "$data/gen-$n.db.new" generate --files "$n" --dirs $(( n / 100 )) --seed 1 >/dev/null
    mv "$data/gen-$n.db.new" "$data/gen-$n.db"
  fi
done

# Runs one job over network n; prints "seconds peak_kB lines".
run() {
  # No job purges anything, so all of them read the generated network itself.
  local job="$1" n="$2" db="$data/gen-$2.db" log="$data/job.log"
  rm -f "$log"
  case "$job" in
    purge) NWEMU_NETWORK="$db" /usr/bin/time -v -o "$data/time" "$bin/morvane" auto "ini=$data/purge.ini" \
             >/dev/null 2>&1 || true ;;
    purge+log) NWEMU_NETWORK="$db" /usr/bin/time -v -o "$data/time" "$bin/morvane" auto "ini=$data/purge.ini" \
             "log=$log" >/dev/null 2>&1 || true ;;
    list) /usr/bin/time -v -o "$data/time" "$bin/JobBench" "$db" "${paths[@]}" >"$data/out" 2>/dev/null ;;
    list+log) JOBBENCH_LOG="$log" /usr/bin/time -v -o "$data/time" "$bin/JobBench" "$db" "${paths[@]}" \
             >"$data/out" 2>/dev/null ;;
  esac
  local wall peak lines
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$data/time")
  peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$data/time")
  case "$job" in
    *log) lines=$(wc -l < "$log") ;;
    list) lines=$(awk '/^job:/ { gsub(",", "", $4); print $4 }' "$data/out") ;;
    *) lines=- ;;
  esac
  echo "$wall $peak $lines"
}

printf '%-10s %12s %9s %12s %10s %14s %14s\n' job files time 'peak MiB' lines 'bytes/file' 'slope B/file'
for job in "${jobs[@]}"; do
  fixed="" previous_n="" previous_peak=""
  for n in "${sizes[@]}"; do
    read -r wall peak lines < <(run "$job" "$n")
    peak_bytes=$(( peak * 1024 ))
    if [ -z "$fixed" ]; then
      fixed=$peak_bytes per="(fixed)" slope=""
    else
      per=$(awk -v p="$peak_bytes" -v f="$fixed" -v n="$n" -v n0="${sizes[0]}" 'BEGIN { printf "%.1f", (p - f) / (n - n0) }')
      slope=$(awk -v p="$peak_bytes" -v q="$previous_peak" -v n="$n" -v m="$previous_n" 'BEGIN { printf "%.1f", (p - q) / (n - m) }')
    fi
    printf '%-10s %12s %8.2fs %12.1f %10s %14s %14s\n' "$job" "$n" "$wall" "$(awk -v p="$peak" 'BEGIN { print p / 1024 }')" \
      "$lines" "$per" "$slope"
    previous_n=$n previous_peak=$peak_bytes
  done
done
rm -f "$data/job.log" "$data/time" "$data/out"
