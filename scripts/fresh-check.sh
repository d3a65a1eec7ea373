#!/bin/bash
# Proves the README's set-up on a machine that has nothing: runs its test
# command, ./scripts/test.sh, on a fresh clone of the current commit inside
# a fresh Debian 12 root (debootstrap --variant=minbase, then only git, sudo
# and ca-certificates, as a newcomer has), first as root, then, from a new
# copy of the root, as a user with passwordless sudo.
#
# Each run has its own network namespace, reaching the outside through
# slirp4netns (for apt) but not the host's loopback, so no test can reach
# the host's print server or X displays; its own /proc, a minimal /dev, its
# own /tmp and /run. Everything it mounted goes away with its namespaces.
#
# A pristine copy of the root and the downloaded packages are kept in
# $TAUX_FRESH_CACHE (/var/cache/taux-legal-fresh by default), so that only
# the first run pays for debootstrap and downloads; the root is made anew
# when it is older than 30 days. The Windows build's cache,
# $TAUX_WINDOWS_CACHE (/var/cache/taux-legal-windows), is the host's own,
# mounted into each root: Qt is cross-built once per machine.
#
# Each run's output, with the minutes and seconds since it started, is kept
# in the cache as root.log and user.log.
#
# Usage: scripts/fresh-check.sh [--only root|user] [--command 'CMD']
#   --only     one of the two runs
#   --command  runs CMD in the clone instead of ./scripts/test.sh
# Needs root (through sudo otherwise); installs debootstrap and slirp4netns
# on the host when they are missing.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)

runs="root user"
command="./scripts/test.sh"
while [ $# -gt 0 ]; do
    case "$1" in
    --only) runs=$2; shift 2 ;;
    --command) command=$2; shift 2 ;;
    *) echo "usage: $0 [--only root|user] [--command 'CMD']" >&2; exit 2 ;;
    esac
done
for r in $runs; do
    case "$r" in root | user) ;; *) echo "--only: root or user" >&2; exit 2 ;; esac
done

if [ "$(id -u)" -ne 0 ]; then
    exec sudo env TAUX_FRESH_CACHE="${TAUX_FRESH_CACHE:-}" TAUX_WINDOWS_CACHE="${TAUX_WINDOWS_CACHE:-}" "$0" --only "$runs" --command "$command"
fi

started=$SECONDS
phase_start=$SECONDS
timings=""
phase() { phase_start=$SECONDS; echo "=== $1"; }
phase_done() {
    local took=$((SECONDS - phase_start))
    timings="$timings$(printf '%-40s %4d min %02d s' "$1" $((took / 60)) $((took % 60)))"$'\n'
}
report() {
    local total=$((SECONDS - started))
    printf '\n=== Timings\n%s%-40s %4d min %02d s\n' "$timings" "total" $((total / 60)) $((total % 60))
}

# The host's own needs, installed as scripts/setup.sh does.
need=""
for p in debootstrap slirp4netns git iproute2 util-linux; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need="$need $p"
done
if [ -n "$need" ]; then
    phase "Installing on the host:$need"
    apt-get update -qq
    env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $need
    phase_done "host packages"
fi

commit=$(git -C "$src" rev-parse HEAD)
if [ -n "$(git -C "$src" status --porcelain --untracked-files=no)" ]; then
    echo "Note: uncommitted changes are not checked; the check runs on $commit." >&2
fi

cache=${TAUX_FRESH_CACHE:-/var/cache/taux-legal-fresh}
mkdir -p "$cache/apt-archives"
# The Windows build's cache (Qt cross-built from its source) is the host's:
# only the first run on this machine pays for it.
windows_cache=${TAUX_WINDOWS_CACHE:-/var/cache/taux-legal-windows}
mkdir -p "$windows_cache"
# One check at a time: they share the cache, and the machine's cores.
exec 9>"$cache/lock"
if ! flock -n 9; then
    echo "Waiting for another fresh check to end..."
    flock 9
fi

# The mirror the host's apt uses for bookworm's main component, from
# one-line or deb822 sources; Debian's own otherwise.
mirror_of() {
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        awk '$1 == "deb" { i = 2; if ($2 ~ /^\[/) while ($i !~ /\]$/) i++; if ($2 ~ /^\[/) i++;
                 if ($(i + 1) == "bookworm") { for (j = i + 2; j <= NF; j++) if ($j == "main") { print $i; exit } } }' "$f"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'function check() { if (types ~ /(^| )deb( |$)/ && suites ~ /(^| )bookworm( |$)/ &&
                                     comps ~ /(^| )main( |$)/ && enabled != "no") { split(uris, u, " "); print u[1]; exit } }
             /^[ \t]*$/ { check(); types = suites = comps = uris = enabled = ""; next }
             /^#/ { next }
             { key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ /, "");
               if (key == "types") types = $0; else if (key == "uris") uris = $0;
               else if (key == "suites") suites = $0; else if (key == "components") comps = $0;
               else if (key == "enabled") enabled = tolower($0) }
             END { check() }' "$f"
    done
}
mirror=$(mirror_of | head -n 1)
mirror=${mirror:-http://deb.debian.org/debian}
mirror=${mirror%/}

pristine="$cache/bookworm-minbase.tar"
if [ ! -f "$pristine" ] || [ -n "$(find "$pristine" -mtime +30)" ]; then
    phase "debootstrap --variant=minbase bookworm from $mirror"
    rm -rf "$cache/debootstrap.tmp"
    debootstrap --variant=minbase bookworm "$cache/debootstrap.tmp" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
        { tail -n 30 "$cache/debootstrap.log"; exit 1; }
    tar -C "$cache/debootstrap.tmp" --numeric-owner --xattrs -cf "$pristine.tmp" .
    mv "$pristine.tmp" "$pristine"
    rm -rf "$cache/debootstrap.tmp"
    phase_done "debootstrap"
else
    echo "=== Pristine root: $pristine ($(date -r "$pristine" +%F))"
fi

work=$(mktemp -d "$cache/run.XXXXXX")
slirp_pid=""
ns_pid=""
cleanup() {
    local status=$?
    trap - EXIT INT TERM
    [ -n "$ns_pid" ] && kill "$ns_pid" 2>/dev/null && wait "$ns_pid" 2>/dev/null
    [ -n "$slirp_pid" ] && kill "$slirp_pid" 2>/dev/null && wait "$slirp_pid" 2>/dev/null
    # The mounts live in the run's own mount namespace; should one show here
    # all the same, it is taken off before anything is deleted under it.
    local m
    for m in $(findmnt -rn -o TARGET | grep -F "$work/" | sort -r); do
        umount -l "$m" || true
    done
    rm -rf --one-file-system "$work"
    report
    echo "fresh-check: $passed passed, $failed failed"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The root's sources: the host's bookworm entries, for the versions its own
# packages came from.
sources_list() {
    echo "deb $mirror bookworm main"
    echo "deb $mirror bookworm-updates main"
    local security
    security=$( (cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk '$1 == "deb" && / bookworm-security / { for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; exit } }'
        cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '/^URIs:/ { u = $2 } /^Suites:.*bookworm-security/ { print u; exit }') | head -n 1)
    echo "deb ${security:-http://deb.debian.org/debian-security} bookworm-security main"
}

# Runs inside the new namespaces, still seeing the host's files: sets up the
# root's mounts and network, then enters it.
inside='
set -eu
rootfs=$1 archives=$2 stage=$3 command=$4 windows=$5
mount --make-rprivate /
# slirp4netns has configured tap0 once a default route shows.
i=0
until awk '\''$2 == "00000000" { found = 1 } END { exit !found }'\'' /proc/net/route; do
    i=$((i + 1))
    [ "$i" -lt 600 ] || { echo "slirp4netns gave no network" >&2; exit 1; }
    sleep 0.1
done
ip link set lo up
hostname fresh
mount -t proc -o nosuid,nodev,noexec proc "$rootfs/proc"
mount -t sysfs -o ro,nosuid,nodev,noexec sysfs "$rootfs/sys"
mount -t tmpfs -o nosuid,mode=0755,size=16m dev "$rootfs/dev"
for node in "null 1 3" "zero 1 5" "full 1 7" "random 1 8" "urandom 1 9" "tty 5 0"; do
    set -- $node
    mknod -m 666 "$rootfs/dev/$1" c "$2" "$3"
done
mkdir "$rootfs/dev/pts" "$rootfs/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$rootfs/dev/pts"
ln -s pts/ptmx "$rootfs/dev/ptmx"
mount -t tmpfs -o nosuid,nodev,mode=1777 shm "$rootfs/dev/shm"
ln -s /proc/self/fd "$rootfs/dev/fd"
ln -s /proc/self/fd/0 "$rootfs/dev/stdin"
ln -s /proc/self/fd/1 "$rootfs/dev/stdout"
ln -s /proc/self/fd/2 "$rootfs/dev/stderr"
# As on an installed system, where /tmp lies on the root file system, device
# nodes made there work.
mount -t tmpfs -o mode=1777 tmp "$rootfs/tmp"
mount -t tmpfs -o nosuid,nodev,mode=0755 run "$rootfs/run"
mkdir -m 1777 "$rootfs/run/lock"
mount --bind "$archives" "$rootfs/var/cache/apt/archives"
mkdir -p "$rootfs/var/cache/taux-legal-windows"
mount --bind "$windows" "$rootfs/var/cache/taux-legal-windows"
exec chroot "$rootfs" /usr/bin/env -i HOME=/root TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "$stage" "$command"
'

# What each run does inside its root. Output lines carry the minutes and
# seconds since the run started.
stage_common='
set -eu
apt-get update -qq
env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends git sudo ca-certificates >/dev/null
echo "--- git, sudo and ca-certificates installed"
'
stage_root="$stage_common"'
cd /root/taux-legal
echo "--- as root: $0"
exec bash -c "$0"
'
stage_user="$stage_common"'
useradd -d /home/newcomer -s /bin/bash -G sudo newcomer
cp -rT /etc/skel /home/newcomer
chown -R newcomer:newcomer /home/newcomer
echo "newcomer ALL=(ALL) NOPASSWD: ALL" >/etc/sudoers.d/newcomer
chmod 0440 /etc/sudoers.d/newcomer
echo "--- as newcomer, with sudo: $0"
exec runuser -u newcomer -- env -i HOME=/home/newcomer USER=newcomer LOGNAME=newcomer \
    SHELL=/bin/bash TERM=dumb PATH=/usr/local/bin:/usr/bin:/bin \
    bash -c "cd ~/taux-legal && $0"
'

stamp() {
    local t0=$SECONDS line
    while IFS= read -r line; do
        printf '[%02d:%02d] %s\n' $(((SECONDS - t0) / 60)) $(((SECONDS - t0) % 60)) "$line"
    done
}

# From a run's log: the apt phases, from the root's start to git, sudo and
# ca-certificates, and from the test command's start to the first line after
# its set-up (cmake's first word).
apt_time() {
    local first second
    first=$(awk '/--- git, sudo and ca-certificates installed/ { split(substr($1, 2, 5), t, ":"); print t[1] * 60 + t[2]; exit }' "$2")
    second=$(awk '/--- as / { split(substr($1, 2, 5), t, ":"); s = t[1] * 60 + t[2] }
                  s != "" && /^\[..:..\] -- / { split(substr($1, 2, 5), t, ":"); print t[1] * 60 + t[2] - s; exit }' "$2")
    [ -n "$first" ] && timings="$timings$(printf '  %-38s %4d min %02d s' "apt: git, sudo, ca-certificates" $((first / 60)) $((first % 60)))"$'\n'
    [ -n "$second" ] && timings="$timings$(printf '  %-38s %4d min %02d s' "apt: scripts/setup.sh" $((second / 60)) $((second % 60)))"$'\n'
    return 0
}

# ctest's summaries of the runs so far, added up.
passed=0
failed=0
count_tests() {
    local f n
    while read -r f n; do
        passed=$((passed + n - f))
        failed=$((failed + f))
    done < <(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$1")
}

run_in_fresh_root() {
    local who=$1 rootfs="$work/root-$1" clone stage status
    phase "Unpacking a fresh root for the $who run"
    mkdir "$rootfs"
    tar -C "$rootfs" --numeric-owner --xattrs -xf "$pristine"
    sources_list >"$rootfs/etc/apt/sources.list"
    # dpkg without fsync: the root is thrown away after the run.
    echo force-unsafe-io >"$rootfs/etc/dpkg/dpkg.cfg.d/fresh-check-unsafe-io"
    rm -f "$rootfs"/etc/apt/sources.list.d/*
    echo "nameserver 10.0.2.3" >"$rootfs/etc/resolv.conf"
    echo fresh >"$rootfs/etc/hostname"
    printf '127.0.0.1 localhost\n127.0.1.1 fresh\n::1 localhost ip6-localhost ip6-loopback\n' >"$rootfs/etc/hosts"
    if [ "$who" = root ]; then
        clone="$rootfs/root/taux-legal"
        stage=$stage_root
    else
        clone="$rootfs/home/newcomer/taux-legal"
        stage=$stage_user
    fi
    git clone -q --no-hardlinks --no-checkout "$src" "$clone"
    git -C "$clone" checkout -q --detach "$commit"
    phase_done "unpack and clone ($who)"

    phase "The $who run: $command"
    mkfifo "$work/output-$who"
    stamp <"$work/output-$who" | tee "$cache/$who.log" &
    local stamp_pid=$!
    unshare --net --mount --uts --ipc --pid --fork --kill-child \
        bash -c "$inside" inside "$rootfs" "$cache/apt-archives" "$stage" "$command" "$windows_cache" \
        </dev/null >"$work/output-$who" 2>&1 &
    # unshare itself is in the new network namespace; its child is the
    # namespace's first process.
    ns_pid=$!
    # slirp4netns joins the namespace that the pid is in when it starts: wait
    # until unshare has left ours, or it would configure the host's.
    local own_net i=0
    own_net=$(readlink /proc/self/ns/net)
    while [ "$(readlink "/proc/$ns_pid/ns/net" 2>/dev/null || echo "$own_net")" = "$own_net" ]; do
        kill -0 "$ns_pid" 2>/dev/null || break
        i=$((i + 1))
        [ "$i" -lt 300 ] || { echo "unshare made no network namespace" >&2; break; }
        sleep 0.1
    done
    slirp4netns --configure --mtu=65520 --disable-host-loopback "$ns_pid" tap0 \
        >"$work/slirp-$who.log" 2>&1 &
    slirp_pid=$!
    status=0
    wait "$ns_pid" || status=$?
    ns_pid=""
    wait "$stamp_pid" || true
    if [ "$status" -ne 0 ] && grep -q "gave no network" "$cache/$who.log" 2>/dev/null; then
        echo "--- slirp4netns said:"
        sed 's/^/    /' "$work/slirp-$who.log"
    fi
    kill "$slirp_pid" 2>/dev/null && wait "$slirp_pid" 2>/dev/null || true
    slirp_pid=""
    phase_done "$who run"
    apt_time "$who" "$cache/$who.log"
    count_tests "$cache/$who.log"
    rm -rf --one-file-system "$rootfs"
    if [ "$status" -ne 0 ]; then
        echo "=== The $who run failed (exit $status)"
        return "$status"
    fi
    echo "=== The $who run passed"
}

for who in $runs; do
    run_in_fresh_root "$who"
done
echo "=== Fresh check passed on $commit"
