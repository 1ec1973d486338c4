#!/usr/bin/env bash
# Installs what the Windows cross build and its wine test run need from Debian packages: the
# mingw-w64 compilers with POSIX threads, Qt's own build needs with the host's Qt 6 tools, NSIS,
# wine and Xvfb. Refreshes the package lists once, and only when something is missing.
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    cmake ninja-build make perl python3 xz-utils zip
    qt6-base-dev qt6-base-dev-tools
    nsis wine wine64 xvfb xauth imagemagick unzip
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
