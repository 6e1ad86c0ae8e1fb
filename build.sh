#!/usr/bin/env bash
# Set-up and build for a fresh Debian 12 machine.
#   ./build.sh run    install what is missing, build, start the program
#   ./build.sh test   install what is missing, build, run every test
set -euo pipefail
cd "$(dirname "$0")"

# One package a line, so that additions merge cleanly.
PACKAGES=(
    g++ cmake make pkg-config
    qt6-base-dev
    libsqlite3-dev sqlite3
    unixodbc-dev libsqliteodbc
    libquazip1-qt6-dev libfreexl-dev
    libgtest-dev libgmock-dev
    python3-openpyxl
    python3-dbf
    fonts-vlgothic  # a Japanese font: the main window's width under it
    postgresql odbc-postgresql
    clang-format  # the layout check run by .ci/run
    clang libclang-rt-14-dev  # the fuzz targets (libFuzzer, sanitizers) run by .ci/run
    exfat-fuse  # a USB stick's case-blind file system, mounted by the tests
    exfatprogs
)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j"$(nproc)"
}

case "${1:-}" in
    run)
        install_missing
        build
        exec ./build/bin/tervala
        ;;
    test)
        install_missing
        build
        cd build && ctest --output-on-failure -j"$(nproc)"
        ;;
    *)
        echo "usage: $0 run|test" >&2
        exit 2
        ;;
esac
