#!/usr/bin/env bash
# Cross-builds the programs for 64-bit Windows against the Qt in QT_WIN_PREFIX (made by
# build-qt.sh) and packs them into dist/: zvticket-<version>-win64.zip, and the NSIS installer
# zvticket-<version>-win64.exe.
#
# BUILD_WIN  build folder (build-win)
# JOBS       parallel compile jobs (2)
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
QT_WIN_PREFIX=${QT_WIN_PREFIX:-$HOME/.cache/zvticket/qt-6.4.2-mingw64}
BUILD_WIN=${BUILD_WIN:-build-win}
JOBS=${JOBS:-2}

if [ ! -f "$QT_WIN_PREFIX/zvticket-qt.stamp" ]; then
    echo "No Qt for Windows in $QT_WIN_PREFIX: run 'make windows-qt' first." >&2
    exit 1
fi

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$repo}
fi

cmake -G Ninja -S . -B "$BUILD_WIN" \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/windows/mingw64-posix.cmake" \
    -DCMAKE_PREFIX_PATH="$QT_WIN_PREFIX" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release "${launcher[@]}"
nice -n 10 cmake --build "$BUILD_WIN" --parallel "$JOBS"

rm -rf "$BUILD_WIN/packages"
(cd "$BUILD_WIN" && cpack -G "ZIP;NSIS" -B packages)
mkdir -p dist
for package in "$BUILD_WIN"/packages/zvticket-*-win64.zip "$BUILD_WIN"/packages/zvticket-*-win64.exe; do
    cp "$package" dist/
    echo "dist/$(basename "$package")"
done
