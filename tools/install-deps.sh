#!/usr/bin/env bash
# Installs what building and testing need on Debian, and only what is missing.
set -eu
packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libbenchmark-dev googletest
  g++-mingw-w64-x86-64-posix
  wine64 wine xvfb xauth xdotool imagemagick
  clang libclang-rt-dev llvm   # the sanitizer build, the fuzz targets, readable stack traces
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
