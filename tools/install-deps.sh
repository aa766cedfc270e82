#!/usr/bin/env bash
# Installs the Debian packages that make targets need, each only when dpkg
# does not report it installed.
#
#   tools/install-deps.sh run     the console and the test program (window, sound)
#   tools/install-deps.sh test    the tests
#   tools/install-deps.sh bench   the benchmarks
#
# As root it runs apt-get itself, otherwise through "sudo -n" (it never asks
# for a password). While another program holds the package database it waits
# (BRAVINOX_APT_LOCK_WAIT seconds, default 600). When it cannot install, it
# prints the command to run and stops.
set -u -o pipefail

lock_wait=${BRAVINOX_APT_LOCK_WAIT:-600}
pkgs=""
for target in "$@"; do
  case "$target" in
    run) pkgs="$pkgs g++ cmake make libsdl2-dev librtmidi-dev pkg-config" ;;
    test) pkgs="$pkgs g++ cmake make libgtest-dev libstorm-dev librtmidi-dev pkg-config jackd2" ;;
    bench) pkgs="$pkgs g++ cmake make libbenchmark-dev" ;;
    *) echo "usage: $0 run|test|bench ..." >&2; exit 2 ;;
  esac
done
[ -n "$pkgs" ] || { echo "usage: $0 run|test|bench ..." >&2; exit 2; }

say() { echo "install-deps: $*"; }

# Installed means dpkg's status "ii": unpacked, configured and wanted.
installed() {
  case "$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null)" in
    ii*) return 0 ;;
    *) return 1 ;;
  esac
}

missing_packages() {
  local missing="" p
  for p in $pkgs; do
    case " $missing " in *" $p "*) continue ;; esac
    installed "$p" || missing="$missing $p"
  done
  echo "${missing# }"
}

if ! command -v dpkg-query >/dev/null 2>&1; then
  say "this is not a Debian system; make sure these are installed:$pkgs"
  exit 0
fi
missing=$(missing_packages)
[ -z "$missing" ] && exit 0

command_line="apt-get update && apt-get install -y $missing"
cannot() {
  say "missing Debian packages: $missing"
  say "cannot install them here: $1"
  echo "Run this as root, then run make again:"
  echo "    $command_line"
  exit 1
}

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif ! command -v sudo >/dev/null 2>&1; then
  cannot "not root, and sudo is not installed"
elif ! sudo -n true 2>/dev/null; then
  cannot "not root, and sudo wants a password"
else
  as_root=(sudo -n)
fi

# apt-get with the arguments, again while the package database is locked.
apt() {
  local log waited=0 status
  log=$(mktemp)
  while :; do
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
      apt-get -o DPkg::Lock::Timeout="$lock_wait" "$@" 2>&1 | tee "$log"
    status=$?
    if [ "$status" -ne 0 ] && grep -q -E 'Could not get lock|Unable to lock|Unable to acquire the dpkg frontend lock' "$log" &&
       [ "$waited" -lt "$lock_wait" ]; then
      [ "$waited" -eq 0 ] && say "another program is using the package database; waiting for it"
      sleep 5
      waited=$((waited + 5))
      continue
    fi
    rm -f "$log"
    return "$status"
  done
}

say "installing: $missing"
apt update -q || cannot "apt-get update failed"
# shellcheck disable=SC2086
apt install -y -q $missing || cannot "apt-get install failed"
missing=$(missing_packages)
[ -z "$missing" ] || cannot "dpkg does not report them installed after apt-get install"
