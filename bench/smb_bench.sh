#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Purging the recycle bin of an SMB share: 10,000 recycled files in 100
# folders of two users' per-user repository (.recycle/%U), half of them with
# access times (deletion times) older than 30 days, on a private smbd at a free
# port on 127.0.0.1. The files are made on the server's own file system, as
# vfs_recycle leaves them, in identical copies. In one run, side by side, each
# on its own copy, deleting those older than 30 days:
#   1. `morvane client=smb auto` (age > 30 days, as a share administrator);
#   2. `smbclient`: one session, a `del` per file, made from a listing (the
#      other user's files first moved into the admin's own bin, see below);
#   3. `smbclient`, per folder: the old files fill every second folder, so one
#      `del folder\*` per such folder (the other user's folders first moved
#      whole into the admin's own bin, one rename each);
#   4. SmbFloor: the requests of 3 through libsmbclient, with nothing around
#      them: what any program on libsmbclient pays at least;
#   5. the limit without the network: `find -atime +30 -delete` on the server.
# Also the listing alone: morvane over the same 10,000 files with nothing
# older than its limit (files listed per second). Deleting through a share
# with a recycle bin only moves a file into the deleting account's own bin
# unless it lies there already, so both tools move the other user's files there
# and delete them from there. Targets: morvane within 0.8 times smbclient's
# per-file wall time and 1.2 times its per-folder one. Prints the medians, the ratios and morvane's
# peak memory. SMB_BENCH_FILES and SMB_BENCH_RUNS change the count and rounds.
# Runs as root (smbd switches to its users). Usage: bench/smb_bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
bin="$(realpath "$build/bin")"
files="${SMB_BENCH_FILES:-10000}"
work="$(mktemp -d /tmp/morvane-smb-bench-XXXXXX)"
chmod 755 "$work"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
admin=morvane-alice other=morvane-bob
for u in $admin $other; do id "$u" >/dev/null 2>&1 || useradd -M -r -s /usr/sbin/nologin "$u"; done
mkdir -p "$work"/{private,lock,state,cache,pid,ncalrpc,share}
chmod 1777 "$work/share"
cat > "$work/smb.conf" <<CONF
[global]
private dir = $work/private
lock directory = $work/lock
state directory = $work/state
cache directory = $work/cache
pid directory = $work/pid
ncalrpc dir = $work/ncalrpc
log file = $work/log.%m
passdb backend = tdbsam:$work/private/passdb.tdb
interfaces = lo
bind interfaces only = yes
smb ports = $port
disable netbios = yes
load printers = no
printcap name = /dev/null
server role = standalone server
rpc start on demand helpers = no
[users]
path = $work/share
read only = no
admin users = $admin
vfs objects = recycle
recycle:repository = .recycle/%U
recycle:keeptree = yes
recycle:touch = yes
recycle:directory_mode = 0777
recycle:subdir_mode = 0700
CONF
printf 'pw\npw\n' | smbpasswd -c "$work/smb.conf" -s -a "$admin" >/dev/null
# smbd in a session of its own (it signals its whole process group when it
# ends), and samba-dcerpcd, which answers the share list; both ended by pid.
setsid /usr/sbin/smbd -s "$work/smb.conf" --foreground --no-process-group -d0 &
smbd_pid=$!
setsid /usr/libexec/samba/samba-dcerpcd -s "$work/smb.conf" --libexec-rpcds --foreground -d0 &
rpc_pid=$!
trap 'kill "$smbd_pid" "$rpc_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  [ -S "$work/ncalrpc/np/srvsvc" ] && (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done

# The template: 100 folders, the first 50 of the admin, the others of the
# other user, each with files/100 files. Copying it reads it, which moves its
# access times: every copy gets its times afterwards, every second file 40 days
# old, the others 10 days.
python3 - "$work/template" "$files" "$admin" "$other" <<'PY'
import os, sys
root, count, users = sys.argv[1], int(sys.argv[2]), sys.argv[3:5]
for i in range(count):
    folder = i % 100
    d = os.path.join(root, users[0] if folder < 50 else users[1], "projects", "d%03d" % folder)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "file-%05d.dat" % i), "wb") as f:
        f.write(b"x" * (i % 300))
PY
set_times() {
  python3 - "$work/share/.recycle" <<'PY'
import os, sys, time
now = time.time()
for folder, _, names in os.walk(sys.argv[1]):
    for name in names:
        i = int(name[5:10])
        os.utime(os.path.join(folder, name), (now - (40 if i % 2 == 0 else 10) * 86400, now - 50 * 86400))
PY
}
fresh() {  # a copy of the template as the share's recycle bin
  rm -rf "$work/share/.recycle"; mkdir -p "$work/share/.recycle"; chmod 777 "$work/share/.recycle"
  cp -a "$work/template/." "$work/share/.recycle/"
  for u in $admin $other; do chown -R "$u" "$work/share/.recycle/$u"; chmod 700 "$work/share/.recycle/$u"; done
  set_times; }
umask 077
printf 'username=%s\npassword=pw\n' "$admin" > "$work/credentials"
printf '[FS1]\nHost=127.0.0.1\nPort=%s\nCredentials=%s\nRepository=.recycle/%%U\n' "$port" "$work/credentials" \
  > "$work/servers.ini"
ini() { printf '%s\r\n' '[Config]' 'CheckBoxAge=1' "FileOlderThan=$1" 'RadioGroupLogic=0' \
  '[CheckListBoxQ]' '0=\\FS1\USERS' '[CheckListBoxQ Checked]' '\\FS1\USERS=1' > "$work/morvane.ini"; }

source bench/timing.sh
left_old() { find "$work/share/.recycle" -type f -atime +30 | wc -l; }
morvane=("$bin/morvane" client=smb auto servers="$work/servers.ini" ini="$work/morvane.ini")

: > "$work/times"
for run in $(seq "${SMB_BENCH_RUNS:-3}"); do
  fresh; ini 1000
  timed listing "${morvane[@]}" 2>"$work/errors"

  fresh; ini 30
  timed morvane "${morvane[@]}" 2>"$work/errors"
  [ "$(left_old)" -eq 0 ] || { echo "morvane left $(left_old) old files" >&2; cat "$work/errors" >&2; exit 1; }
  kept() { find "$work/share/.recycle" -type f ! -path "*/$admin/.recycle/*" | sort; }
  kept > "$work/left-morvane"

  fresh
  [ "$(left_old)" -eq $((files / 2)) ] || { echo "the copy holds $(left_old) old files" >&2; exit 1; }
  # A del of the other user's file would only move it into the admin's own
  # bin: as morvane does, it is moved there under a name of its own and deleted.
  (cd "$work/share" && find .recycle -type f -atime +30 | sed 's|/|\\|g' |
    awk -v own=".recycle\\$admin\\" '{ if (index($0, own) == 1) print "del \"" $0 "\""
      else { t = own ".bench-" NR; print "rename \"" $0 "\" \"" t "\""; print "del \"" t "\"" } }') > "$work/dels"
  timed smbclient smbclient -p "$port" //127.0.0.1/users -U "$admin%pw" < "$work/dels" > /dev/null
  [ "$(left_old)" -eq 0 ] || { echo "smbclient left $(left_old) old files" >&2; exit 1; }
  kept | diff -q - "$work/left-morvane" >/dev/null ||
    { echo "morvane and smbclient disagree on what is left" >&2; exit 1; }

  fresh
  # Every old file lies in an even-numbered folder, which holds only old ones.
  (cd "$work/share" && find .recycle -mindepth 3 -maxdepth 3 -type d -name 'd*' | sort | sed 's|/|\\|g' |
    awk -v own=".recycle\\$admin\\" '{ n = substr($0, length($0) - 2) + 0; if (n % 2) next
      if (index($0, own) == 1) print "del \"" $0 "\\*\""
      else { t = own ".bench-" n; print "rename \"" $0 "\" \"" t "\""; print "del \"" t "\\*\""
             print "rmdir \"" t "\"" } }') > "$work/dirdels"
  timed smbclient-dir smbclient -p "$port" //127.0.0.1/users -U "$admin%pw" < "$work/dirdels" > /dev/null
  [ "$(left_old)" -eq 0 ] || { echo "smbclient per folder left $(left_old) old files" >&2; exit 1; }
  kept | diff -q - "$work/left-morvane" >/dev/null ||
    { echo "morvane and smbclient per folder disagree on what is left" >&2; exit 1; }


  fresh
  # The same folders through libsmbclient alone (SmbFloor's commands).
  (cd "$work/share" && find .recycle -mindepth 3 -maxdepth 3 -type d -name 'd*' | sort |
    awk -v own=".recycle/$admin/" '{ n = substr($0, length($0) - 2) + 0; if (n % 2) next
      if (index($0, own) == 1) print "del " $0
      else { t = own ".bench-" n; print "rename " $0 " " t; print "del " t; print "rmdir " t } }') > "$work/floordels"
  timed libsmbclient-floor "$bin/SmbFloor" smb://127.0.0.1/users "$admin" pw "$port" < "$work/floordels" > /dev/null
  [ "$(left_old)" -eq 0 ] || { echo "SmbFloor left $(left_old) old files" >&2; exit 1; }
  kept | diff -q - "$work/left-morvane" >/dev/null ||
    { echo "morvane and SmbFloor disagree on what is left" >&2; exit 1; }
  fresh
  timed find find "$work/share/.recycle" -type f -atime +30 -delete
done

echo "files: $files in 100 folders of 2 users (half older than 30 days), median of ${SMB_BENCH_RUNS:-3} rounds"
echo "                           wall    processor (user + system)"
for tool in morvane smbclient smbclient-dir libsmbclient-floor find listing; do
  printf '%-26s %6.2f s %6.2f s\n' "$tool" "$(median "$tool" 2)" "$(median "$tool" 3)"
done
echo "morvane peak memory: $(median morvane 4) kB"
awk -v m="$(median morvane 2)" -v s="$(median smbclient 2)" -v d="$(median smbclient-dir 2)" \
    -v f="$(median find 2)" -v l="$(median listing 2)" -v n="$files" -v b="$(median libsmbclient-floor 2)" 'BEGIN {
  printf "morvane / smbclient per file: %.2f wall (target <= 0.8)\n", m / s
  printf "morvane / smbclient per folder: %.2f wall (target <= 1.2)\n", m / d
  printf "libsmbclient floor / smbclient per folder: %.2f wall; morvane / that floor: %.2f\n", b / d, m / b
  printf "morvane / find -delete: %.1f wall\n", m / f
  printf "listing: %.0f files per second (the whole run, start-up included)\n", n / l }'
echo "paired by round (median of each round's own ratio): morvane / smbclient per folder" \
  "$(paired morvane smbclient-dir), libsmbclient floor / smbclient per folder $(paired libsmbclient-floor smbclient-dir)," \
  "morvane / libsmbclient floor $(paired morvane libsmbclient-floor)"
echo "each round (tool, wall s, processor s, peak kB):"
cat "$work/times"
