#!/usr/bin/env bash
# Tests the Windows build under wine and Xvfb: runs the cross-built test programs (which leave
# the settings dialog's picture in $BUILD_WIN/settings-com12.png), and checks
# that zvticket-cli.exe from the ZIP archive gives the same results as the Linux build for
# "info" and "pack" on the samples. Ends with one line "windows-test: N passed, N failed".
#
# BUILD_WIN   Windows build folder (build-win), with the packages in dist/
# BUILD       Linux build folder (build), whose zvticket-cli is the reference
# WINEPREFIX  wine's folder (~/.cache/zvticket/wine64), made on first use
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
BUILD_WIN=${BUILD_WIN:-build-win}
BUILD=${BUILD:-build}
QT_WIN_PREFIX=${QT_WIN_PREFIX:-$HOME/.cache/zvticket/qt-6.4.2-mingw64}
export WINEPREFIX=${WINEPREFIX:-$HOME/.cache/zvticket/wine64}
export WINEARCH=win64 WINEDEBUG=-all
# No prompts to install wine's .NET and HTML engines: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
test_timeout=300

# Wine cannot create windows without a display: the whole run goes under Xvfb.
if [ -z "${ZV_UNDER_XVFB:-}" ]; then
    export ZV_UNDER_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS: $*"; }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

# A Unix path as wine sees it.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Makes the wine prefix once. COM1 to COM4, the ports the programs offer, are mapped to nothing
# (the Ports key), so that wine never hands them the machine's /dev/ttyS*, whose probing can
# block; wine gives those the numbers after COM4.
prepare_wine() {
    local stamp=$WINEPREFIX/zvticket-ports.stamp
    [ -f "$stamp" ] && return
    echo "Preparing the wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    local n
    for n in 1 2 3 4; do
        wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ /d '' /f >/dev/null 2>&1
    done
    wineserver -w
    touch "$stamp"
}

# Runs one Qt Test program; under wine Qt Test writes nothing to standard output, so the result
# goes to a file that is printed afterwards.
run_test_program() {
    local exe=$1 name work status=0
    name=$(basename "$exe" .exe)
    work=$(mktemp -d)
    (cd "$work" && timeout -k 10 "$test_timeout" wine "$repo/$exe" -o result.txt,txt \
        >output.txt 2>&1) || status=$?
    cat "$work/result.txt" 2>/dev/null || cat "$work/output.txt"
    if [ "$status" = 0 ]; then pass "$name"; else fail "$name (exit $status)"; fi
    rm -rf "$work"
}

run_test_programs() {
    local dlls=("$QT_WIN_PREFIX/bin")
    local dll
    for dll in libstdc++-6.dll libwinpthread-1.dll; do
        dlls+=("$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")")")
    done
    local winepath="" dir
    for dir in "${dlls[@]}"; do winepath+="$(winpath "$dir");"; done
    local programs
    mapfile -t programs < <(find "$BUILD_WIN/tests" -name 'tst_*.exe' | sort)
    if [ ${#programs[@]} -eq 0 ]; then
        fail "no test programs in $BUILD_WIN/tests"
        return
    fi
    local exe
    for exe in "${programs[@]}"; do
        WINEPATH=$winepath QT_QPA_PLATFORM=${ZV_WIN_TEST_QPA:-windows} \
            ZV_SCREENSHOT_DIR=$(winpath "$repo/$BUILD_WIN") run_test_program "$exe"
    done
}

# Runs the same zvticket-cli command line on Linux and on Windows in the folder of the samples and
# compares exit code and standard output; Windows writes its standard output in text mode.
compare_cli() {
    local work=$1 linux_cli=$2 windows_cli=$3
    shift 3
    local linux_status=0 windows_status=0
    (cd "$work" && "$linux_cli" "$@" >linux.out 2>/dev/null) || linux_status=$?
    (cd "$work" && wine "$windows_cli" "$@" 2>/dev/null | sed 's/\r$//' >windows.out) \
        || windows_status=$?
    if [ "$linux_status" != "$windows_status" ]; then
        fail "zvticket-cli $* exits $windows_status on Windows, $linux_status on Linux"
    elif ! cmp -s "$work/linux.out" "$work/windows.out"; then
        fail "zvticket-cli $*: output differs"
        diff "$work/linux.out" "$work/windows.out" | head -n 20 || true
    else
        pass "zvticket-cli $*"
    fi
}

# Packs a sample from its print files with both builds and compares the two files with each other
# and with the sample.
compare_pack() {
    local work=$1 linux_cli=$2 windows_cli=$3 sample=$4
    shift 4
    local linux_status=0 windows_status=0
    (cd "$work" && "$linux_cli" pack "linux-$sample" "$@" >/dev/null 2>&1) || linux_status=$?
    (cd "$work" && wine "$windows_cli" pack "windows-$sample" "$@" >/dev/null 2>&1) ||
        windows_status=$?
    if [ "$linux_status" != 0 ] || [ "$windows_status" != 0 ]; then
        fail "zvticket-cli pack $sample exits $windows_status on Windows, $linux_status on Linux"
    elif cmp -s "$work/windows-$sample" "$work/linux-$sample" &&
        cmp -s "$work/windows-$sample" "$work/$sample"; then
        pass "zvticket-cli pack $sample: same file on Windows and Linux as the sample"
    else
        fail "zvticket-cli pack $sample: the files differ"
    fi
}

# The ZIP archive unpacked once, for the comparisons and the runs below; the folder with the
# programs is in $programs.
unpack_archive() {
    local archive
    archive=$(ls dist/zvticket-*-win64.zip 2>/dev/null | head -n 1)
    programs=""
    if [ -z "$archive" ]; then
        fail "no dist/zvticket-*-win64.zip to test"
        return
    fi
    unpacked=$(mktemp -d)
    unzip -q "$archive" -d "$unpacked"
    programs=$(dirname "$(find "$unpacked" -name zvticket-cli.exe | head -n 1)")
}

run_cli_comparisons() {
    local linux_cli=$repo/$BUILD/src/cli/zvticket-cli
    if [ ! -x "$linux_cli" ] || [ -z "$programs" ]; then
        fail "zvticket-cli comparison needs $linux_cli and the unpacked archive"
        return
    fi
    local work
    work=$(mktemp -d)
    mkdir "$work/examples"
    cp examples/*.dat examples/*.prn examples/*.txt "$work/examples/"
    local sample
    for sample in sample.dat truck.dat; do
        compare_cli "$work/examples" "$linux_cli" "$programs/zvticket-cli.exe" info "$sample"
    done
    compare_pack "$work/examples" "$linux_cli" "$programs/zvticket-cli.exe" sample.dat \
        --T ticket.txt --H header.prn --B body.prn --F footer.prn
    compare_pack "$work/examples" "$linux_cli" "$programs/zvticket-cli.exe" truck.dat \
        --T ticket.txt --P1 truck1.prn --P2 truck2.prn
    rm -rf "$work"
}

# Waits up to 20 s for the first line of a file (a program's first output) and prints it.
first_line() {
    local file=$1 line="" tries
    for tries in $(seq 100); do
        line=$(head -n 1 "$file" 2>/dev/null | tr -d '\r')
        [ -n "$line" ] && break
        sleep 0.2
    done
    printf '%s' "$line"
}

# The whole protocol path on Windows: zvticket-devsim.exe serves a simulated device on a loopback
# TCP port, and zvticket-cli.exe programs the sample into it and verifies it over socket://.
run_socket_programming() {
    [ -n "$programs" ] || return 0
    local work devsim address status=0
    work=$(mktemp -d)
    wine "$programs/zvticket-devsim.exe" --tcp 0 >"$work/devsim.out" 2>"$work/devsim.err" &
    devsim=$!
    address=$(first_line "$work/devsim.out")
    if [[ "$address" != socket://* ]]; then
        fail "zvticket-devsim.exe --tcp 0 printed no address"
        cat "$work/devsim.err"
    else
        (cd examples && timeout -k 10 180 wine "$programs/zvticket-cli.exe" program sample.dat \
            --verify --port "$address" >"$work/cli.out" 2>&1) || status=$?
        sed 's/\r$//' "$work/cli.out"
        if [ "$status" = 0 ]; then
            pass "zvticket-cli.exe program sample.dat --verify over $address"
        else
            fail "zvticket-cli.exe program sample.dat --verify over $address (exit $status)"
        fi
    fi
    kill "$devsim" 2>/dev/null || true
    wait "$devsim" 2>/dev/null || true
    rm -rf "$work"
}

# zvticket-cli.exe ports --json lists wine's serial ports as a JSON array, opening none.
run_ports_listing() {
    [ -n "$programs" ] || return 0
    local out status=0
    out=$(timeout -k 10 60 wine "$programs/zvticket-cli.exe" ports --json 2>&1) || status=$?
    printf '%s\n' "$out" | sed 's/\r$//'
    if [ "$status" = 0 ] && printf '%s' "$out" | python3 -c 'import json,sys; json.load(sys.stdin)'; then
        pass "zvticket-cli.exe ports --json"
    else
        fail "zvticket-cli.exe ports --json (exit $status)"
    fi
}

# The window against a simulated device, photographed for the README: passes when it drew more
# than a blank screen. The picture is left in $BUILD_WIN/zvticket-windows.png.
run_window_screenshot() {
    [ -n "$programs" ] || return 0
    local shot=$BUILD_WIN/zvticket-windows.png window colours
    wine "$programs/zvticket.exe" --simulate velmar:industrial >/dev/null 2>&1 &
    window=$!
    sleep 15
    import -window root "$shot"
    kill "$window" 2>/dev/null || true
    wait "$window" 2>/dev/null || true
    colours=$(identify -format '%k' "$shot" 2>/dev/null || echo 0)
    if [ "$colours" -gt 16 ]; then
        pass "zvticket.exe --simulate velmar:industrial drew its window ($shot)"
    else
        fail "zvticket.exe --simulate velmar:industrial: nothing drawn ($colours colours)"
    fi
}

prepare_wine
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
run_test_programs
unpack_archive
run_cli_comparisons
run_socket_programming
run_ports_listing
run_window_screenshot
[ -n "${unpacked:-}" ] && rm -rf "$unpacked"
echo "windows-test: $passed passed, $failed failed"
[ "$failed" = 0 ]
