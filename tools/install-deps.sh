#!/bin/sh
# Installs the Debian packages the build needs, only when one is missing.
set -e
PKGS="g++ cmake make googletest libgtest-dev libbenchmark-dev libsdl2-dev"
missing=""
for p in $PKGS; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
