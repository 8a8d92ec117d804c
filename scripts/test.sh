#!/usr/bin/env bash
# Builds Rankhold and runs every test: a normal build, then the same suite
# under the address and undefined-behaviour sanitizers, then the fuzz
# targets for a bounded time. Installs what is missing on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
rankhold_install_deps

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRANKHOLD_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build -j "$jobs"
echo "== tests"
(cd build && ctest -j "$jobs" --output-on-failure)

if [ "${RANKHOLD_SKIP_SANITIZERS:-0}" != 1 ]; then
    echo "== sanitizer build (address, undefined)"
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRANKHOLD_SANITIZE=ON -DRANKHOLD_WERROR=ON "${launcher[@]}" >/dev/null
    cmake --build build-asan -j "$jobs"
    echo "== tests under sanitizers"
    # Leaks are errors; only Qt's own process-lifetime allocations are suppressed.
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp:print_suppressions=0" \
        ctest -j "$jobs" --output-on-failure)
fi

if [ "${RANKHOLD_SKIP_FUZZ:-0}" != 1 ] && [ -f tests/fuzz/CMakeLists.txt ]; then
    echo "== fuzz targets"
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DRANKHOLD_FUZZ=ON -DRANKHOLD_WERROR=ON "${launcher[@]}" >/dev/null
    cmake --build build-fuzz -j "$jobs" --target fuzz_targets
    (cd build-fuzz && ctest -L fuzz --output-on-failure)
fi
