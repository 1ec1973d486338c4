#!/usr/bin/env bash
# Cross-builds the reduced Qt the Windows programs need (Core, Gui, Widgets, Network, Test,
# SerialPort, Svg) with mingw-w64 and the host's Qt tools, once, into a cache folder outside the
# checkout. A stamp in that folder records the version and the build's options; the build is done
# again only when the stamp is missing or differs. An unfinished build (the machine stopped, a
# failure) goes on where it stopped when its work folder holds the same stamp.
#
# QT_SOURCES     folder with the three source archives and their SHA256SUMS
# QT_WIN_PREFIX  where the Windows Qt is installed
# QT_WIN_WORK    folder for unpacking and building (removed after success)
# QT_WIN_JOBS    parallel compile jobs (2)
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
qt_version=6.4.2
QT_SOURCES=${QT_SOURCES:-$repo/../shared/third_party/qt-$qt_version}
QT_WIN_PREFIX=${QT_WIN_PREFIX:-$HOME/.cache/zvticket/qt-$qt_version-mingw64}
QT_WIN_WORK=${QT_WIN_WORK:-$QT_WIN_PREFIX.work}
QT_WIN_JOBS=${QT_WIN_JOBS:-2}
toolchain=$repo/cmake/windows/mingw64-posix.cmake
patches=$repo/packaging/windows/qt-patches
stamp=$QT_WIN_PREFIX/zvticket-qt.stamp

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }

qtbase_options=(
    -DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=Release
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_icu=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_zstd=OFF
    -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=ON
    -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF
)

# The checksums of the source archives; where the archives are not at hand (a checkout elsewhere
# using the cache), the ones the installed Qt recorded stand in.
source_sums() {
    if [ -f "$QT_SOURCES/SHA256SUMS" ]; then
        cat "$QT_SOURCES/SHA256SUMS"
    elif [ -f "$stamp" ]; then
        grep -E '^[0-9a-f]{64} ' "$stamp"
    fi
}

# What the installed Qt was built from: version, options and patches.
stamp_text() {
    echo "qt $qt_version"
    printf '%s\n' "${qtbase_options[@]}"
    source_sums
    if [ -d "$patches" ]; then cat "$patches"/*.patch 2>/dev/null || true; fi
}

# Configures, builds and installs one Qt module from its unpacked source folder.
build_module() {
    local name=$1 source=$2
    shift 2
    local build=$QT_WIN_WORK/build-$name
    log "configuring $name"
    cmake -G Ninja -S "$source" -B "$build" \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$QT_WIN_PREFIX" -DCMAKE_PREFIX_PATH="$QT_WIN_PREFIX" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        "$@"
    log "building $name"
    nice -n 19 cmake --build "$build" --parallel "$QT_WIN_JOBS"
    log "installing $name"
    cmake --install "$build"
}

# Unpacks a module's archive into the work folder: <module>-everywhere-src-<version>.
unpack() {
    local module=$1 archive=$2
    tar xf "$QT_SOURCES/$archive" -C "$QT_WIN_WORK"
    if [ ! -d "$QT_WIN_WORK/$module-everywhere-src-$qt_version" ]; then
        echo "$archive did not unpack into $module-everywhere-src-$qt_version" >&2
        exit 1
    fi
}

# Applies the repository's patches for one module (named <module>-*.patch).
apply_patches() {
    local module=$1 source=$2 patch
    for patch in "$patches/$module"-*.patch; do
        [ -e "$patch" ] || continue
        log "patching $module: $(basename "$patch")"
        patch -d "$source" -p1 --forward <"$patch"
    done
}

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$(stamp_text)" ]; then
    log "Qt $qt_version for Windows is up to date in $QT_WIN_PREFIX"
    exit 0
fi

if [ ! -f "$QT_SOURCES/SHA256SUMS" ]; then
    echo "No Qt sources in $QT_SOURCES (set QT_SOURCES to the folder holding the archives)" >&2
    exit 1
fi
log "checking the source archives in $QT_SOURCES"
(cd "$QT_SOURCES" && sha256sum --quiet -c SHA256SUMS)

qtbase=$QT_WIN_WORK/qtbase-everywhere-src-$qt_version
qtserialport=$QT_WIN_WORK/qtserialport-everywhere-src-$qt_version
qtsvg=$QT_WIN_WORK/qtsvg-everywhere-src-$qt_version
work_stamp=$QT_WIN_WORK/zvticket-qt.stamp
if [ -f "$work_stamp" ] && [ "$(cat "$work_stamp")" = "$(stamp_text)" ]; then
    log "going on with the unfinished build in $QT_WIN_WORK"
else
    rm -rf "$QT_WIN_PREFIX" "$QT_WIN_WORK"
    mkdir -p "$QT_WIN_WORK"
    log "unpacking"
    unpack qtbase "qtbase-everywhere-src-$qt_version+dfsg.tar.xz"
    unpack qtserialport "qtserialport-everywhere-src-$qt_version.tar.xz"
    unpack qtsvg "qtsvg-everywhere-src-$qt_version.tar.xz"
    apply_patches qtbase "$qtbase"
    apply_patches qtserialport "$qtserialport"
    apply_patches qtsvg "$qtsvg"
    stamp_text >"$work_stamp"
fi

build_module qtbase "$qtbase" "${qtbase_options[@]}"
build_module qtserialport "$qtserialport" -DCMAKE_BUILD_TYPE=Release
build_module qtsvg "$qtsvg" -DCMAKE_BUILD_TYPE=Release

stamp_text >"$stamp"
rm -rf "$QT_WIN_WORK"
log "Qt $qt_version for Windows installed in $QT_WIN_PREFIX ($(du -sh "$QT_WIN_PREFIX" | cut -f1))"
