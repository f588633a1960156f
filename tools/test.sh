#!/usr/bin/env bash
# Installs what is missing, builds the native and the Windows configuration
# (and the benchmarks, to keep them compiling) and runs the whole test suite:
# native tests directly, Windows tests under Wine on a virtual display.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
build=${MORVA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVA_REQUIRE_ALL=ON
cmake --build "$build"
cmake --build "$build" --target bench
# Two more jobs than cores: the two end-to-end roads and the chain of display
# tests mostly wait for Wine; the longest tests (their costs) start first.
ctest --test-dir "$build" --output-on-failure -j4
