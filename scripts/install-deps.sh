#!/bin/sh
# Installs the Debian packages the project needs, only those that are missing.
# Usage: scripts/install-deps.sh [fuzz]
set -eu

packages="g++ cmake ninja-build make libgtest-dev libgmock-dev xorriso dosfstools mtools fdisk util-linux time qt6-base-dev fonts-liberation dbus-daemon"
# A German locale is made from its sources in a test of the window's number texts.
packages="$packages locales"
# Packaging and its checks: the .deb (dpkg-shlibdeps, file), lintian, the
# desktop entry, AppStream metadata, manual pages and bash completion.
packages="$packages dpkg-dev file gzip lintian desktop-file-utils appstream man-db groff-base bash-completion"
# Verification (zlib, libgcrypt) and the fragmentation tests (fusefat, fatcat).
packages="$packages zlib1g-dev libgcrypt20-dev fusefat fatcat"
# XFS, whose copies share blocks: a game of ten 1 GiB parts is copied in a test.
packages="$packages xfsprogs"
# jq reads back the JSON lines of zt_install --each --json in its tests.
packages="$packages jq"
# The source gate: clang-format and clang-tidy.
packages="$packages clang-format clang-tidy"
# Old signatures on a disk (libblkid), and the file systems the format tests
# put there first (ext4, NTFS).
packages="$packages libblkid-dev e2fsprogs ntfs-3g"
# The FAT32 boot program is assembled with nasm and its tests boot a PC in QEMU.
packages="$packages nasm qemu-system-x86"
# The guest tests boot Debian's kernel in QEMU (scripts/guest-kernel.sh fetches
# it with apt-get download); xz unpacks it.
packages="$packages xz-utils"
# The window's tests through a real X server: Xvfb, the openbox window manager,
# XTest for input, the X tools to look around by hand.
packages="$packages xvfb openbox libx11-dev libxtst-dev x11-utils"
# The Windows programs: mingw-w64 with posix threads, zlib built for it (they
# hash with Windows' own BCrypt), GoogleTest's sources to build for it, Wine to
# run the tests, zip to pack.
packages="$packages g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine wine64 zip"
for group in "$@"; do
  case "$group" in
    fuzz) packages="$packages clang libclang-rt-14-dev" ;;
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
