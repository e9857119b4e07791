#!/usr/bin/env bash
# Tavora's one entry point for building, testing and running on Debian 12.
#   ./tav.sh run      build, then convert the shipped sample client for every target into out/sample/
#   ./tav.sh test     build, then run every test, natively and for Windows under wine
#   ./tav.sh bench [SIZE]   build, then time the conversions of a generated report (default 1G)
#   ./tav.sh gui      build, then start the desktop application
#   ./tav.sh windows  cross-build the core for Windows, then run its tests under wine
#   ./tav.sh screenshots [FOLDER]   build, then write a PNG of every window (offscreen), at 100 % and 200 %
#   ./tav.sh sanitize  build the core's tests with AddressSanitizer and UBSan, then run them
#   ./tav.sh format   apply .clang-format to every C++ file (./tav.sh test checks it)
#   ./tav.sh fuzz HARNESS [SECONDS]   fuzz one parser with libFuzzer (clang), then minimise
#                      its corpus in tests/fuzz/corpus/HARNESS; crashes go to tests/fuzz/crashes/
#   ./tav.sh fuzz-fast HARNESS [RUNS]   the same for RUNS executions (default a million), built
#                      with UBSan only (many times faster); ./tav.sh sanitize replays what it keeps
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR=${TAV_BUILD_DIR:-build}
PACKAGES=(cmake ninja-build g++ pkg-config libfmt-dev libcli11-dev libgtest-dev libgmock-dev
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev fonts-dejavu-core)
# The Windows build: the core, the batch command and the core's tests (no Qt).
WINDOWS_BUILD_DIR=${TAV_WINDOWS_BUILD_DIR:-build-windows}
WINDOWS_PACKAGES=(cmake ninja-build libfmt-dev libcli11-dev googletest
                  g++-mingw-w64-x86-64-posix mingw-w64-tools wine)

SANITIZE_BUILD_DIR=${TAV_SANITIZE_BUILD_DIR:-build-sanitize}
FUZZ_BUILD_DIR=${TAV_FUZZ_BUILD_DIR:-build-fuzz}
FUZZ_FAST_BUILD_DIR=${TAV_FUZZ_FAST_BUILD_DIR:-build-fuzz-fast}

need_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

# ccache, where a developer has it, makes rebuilds after switching branches cheap.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

build() {
    need_packages "${PACKAGES[@]}"
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
    cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}

# Cross-builds for 64-bit Windows and runs the tests and the batch command's start-up
# under wine, in a wine prefix inside the build folder.
windows() {
    need_packages "${WINDOWS_PACKAGES[@]}"
    # The native build's batch command, when there is one, is the reference the Windows
    # build's import files are compared with.
    local native=""
    [ -x "$BUILD_DIR/bin/tav-convert" ] && native="$PWD/$BUILD_DIR/bin/tav-convert"
    cmake -S . -B "$WINDOWS_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTAV_BUILD_GUI=OFF "${launcher[@]}" \
          -DTAV_NATIVE_TAV_CONVERT="$native" >/dev/null
    cmake --build "$WINDOWS_BUILD_DIR" --parallel "$(nproc)"
    ctest --test-dir "$WINDOWS_BUILD_DIR" --output-on-failure --parallel "$(nproc)"
}

# The core's tests and the corpus replays, built with both sanitizers (no windows).
sanitize() {
    need_packages "${PACKAGES[@]}"
    cmake -S . -B "$SANITIZE_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DTAV_SANITIZE=ON -DTAV_BUILD_GUI=OFF "${launcher[@]}" >/dev/null
    cmake --build "$SANITIZE_BUILD_DIR" --parallel "$(nproc)"
    ctest --test-dir "$SANITIZE_BUILD_DIR" --output-on-failure --parallel "$(nproc)"
}

# fuzz BUILD_DIR SANITIZERS HARNESS LIMIT...: build fuzz_HARNESS, fuzz it from its corpus and
# what earlier runs found until the libFuzzer LIMIT, then keep the fewest inputs that reach
# everything reached so far.
fuzz() {
    local build=$1 sanitizers=$2 harness=${3:?"which harness? (see tests/fuzz/CMakeLists.txt)"}
    shift 3
    need_packages clang-14 cmake ninja-build libfmt-dev libcli11-dev libgtest-dev libgmock-dev
    CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DTAV_FUZZ=ON -DTAV_FUZZ_SANITIZERS="$sanitizers" -DTAV_BUILD_GUI=OFF \
          "${launcher[@]}" >/dev/null
    cmake --build "$build" --target "fuzz_$harness"
    local fuzzer=$build/fuzz/fuzz_$harness corpus=tests/fuzz/corpus/$harness
    local found=$build/found/$harness crashes=tests/fuzz/crashes/$harness
    mkdir -p "$corpus" "$found" "$crashes"
    "$fuzzer" "$@" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
              -artifact_prefix="$crashes/" "$found" "$corpus"
    local merged=$build/merged/$harness
    rm -rf "$merged" && mkdir -p "$merged"
    "$fuzzer" -merge=1 "$merged" "$corpus" "$found"
    rm -rf "$corpus" && cp -r "$merged" "$corpus"
}

# Every tracked C++ file as .clang-format lays it out.
format_files() {
    need_packages clang-format
    if git rev-parse --git-dir >/dev/null 2>&1; then
        git ls-files -z -- '*.cpp' '*.h'
    else
        find src tests bench \( -name '*.cpp' -o -name '*.h' \) -print0
    fi | xargs -0 clang-format "$@"
}

cmd=${1:-help}
shift || true
case "$cmd" in
    build)
        build
        ;;
    run)
        build
        sample="$BUILD_DIR/bin/SampleFiles"
        for target in mas-au accounts ao-au mas-nz ao-nz; do
            extension=txt
            [ "$target" = accounts ] && extension=csv
            mkdir -p "out/sample/$target"
            echo "== $target"
            "$BUILD_DIR/bin/tav-convert" --target "$target" --journal "$sample/Journal.txt" \
                --company "$sample/HarbourLaneCafe.qbw" --ledger standard --auto-map \
                --account-mapping "$sample/ClientXAccountMapping.csv" \
                --out "out/sample/$target/TAVOutput.$extension"
        done
        ;;
    test)
        format_files --dry-run -Werror
        build
        export QT_QPA_PLATFORM=offscreen
        ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)"
        windows
        ;;
    bench)
        need_packages time
        build
        bench/run.sh "$BUILD_DIR" "${1:-1G}"
        ;;
    gui)
        build
        exec "$BUILD_DIR/bin/tavora" "$@"
        ;;
    windows)
        windows
        ;;
    sanitize)
        sanitize
        ;;
    fuzz)
        fuzz "$FUZZ_BUILD_DIR" address,undefined "${1:-}" -max_total_time="${2:-300}"
        ;;
    fuzz-fast)
        fuzz "$FUZZ_FAST_BUILD_DIR" undefined "${1:-}" -runs="${2:-1000000}"
        ;;
    format)
        format_files -i
        ;;
    screenshots)
        build
        shots=${1:-$BUILD_DIR/screenshots}
        QT_QPA_PLATFORM=offscreen "$BUILD_DIR/tests/tav_screenshots" "$shots"
        QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 "$BUILD_DIR/tests/tav_screenshots" "$shots/200"
        ;;
    *)
        sed -n '2,/^set /{/^#/p}' "$0" | sed 's/^# \{0,1\}//'
        ;;
esac
