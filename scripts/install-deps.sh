#!/bin/sh
# Installs the Debian packages the project needs, only those that are missing.
# Usage: scripts/install-deps.sh [fuzz] [ui]
set -eu

packages="g++ cmake ninja-build make libgtest-dev libgmock-dev xorriso dosfstools mtools fdisk util-linux time
zlib1g-dev libssl-dev libpugixml-dev fusefat fatcat"
for group in "$@"; do
  case "$group" in
    fuzz) packages="$packages clang libclang-rt-14-dev" ;;
    ui) packages="$packages qt6-base-dev" ;;
    *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "install-deps: installing$missing"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq </dev/null
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing </dev/null
