#!/usr/bin/env bash
# The house style (.clang-format) on every C++ file of the program, its tests
# and benchmarks: prints what clang-format would change and fails if anything.
set -eu
cd "$(dirname "$0")/.."
format=${1:-clang-format}
find text codec platform animfile import shell win32 resources engines app cli tests fuzz bench \
    \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z | xargs -0 "$format" --dry-run --Werror
