# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the benchmarks that pit morvane against other tools on the same
# files; they set $work, a scratch folder, first.
#
# timed NAME COMMAND...: wall time, processor time (user + system) and peak
# memory of one command, appended to $work/times. Everything written before it
# is flushed first (untimed), so that no tool pays for the copying or for the
# previous tool's deletions.
timed() { local name="$1"; shift; sync; /usr/bin/time -f '%e %U %S %M' -o "$work/t" "$@"
  read -r wall user sys peak < "$work/t"
  echo "$name $wall $(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }') $peak" >> "$work/times"; }
# median NAME COLUMN: the median of one column of NAME's lines in $work/times
# (2 wall time, 3 processor time, 4 peak memory).
median() { grep "^$1 " "$work/times" | awk -v c="$2" '{ print $c }' | sort -g |
  awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# paired A B: the median over rounds of A's wall time over B's in the same
# round, the two run minutes apart; steadier than the ratio of the medians
# when the machine's speed drifts between rounds.
paired() { paste <(grep "^$1 " "$work/times" | awk '{ print $2 }') <(grep "^$2 " "$work/times" | awk '{ print $2 }') |
  awk '{ print $1 / $2 }' | sort -g |
  awk '{ v[NR] = $1 } END { printf "%.2f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
