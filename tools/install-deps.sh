#!/usr/bin/env bash
# Installs what building and testing need on Debian, and only what is missing.
set -eu
packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libbenchmark-dev googletest
  g++-mingw-w64-x86-64-posix
  wine64 wine xvfb xauth xdotool imagemagick openbox
  libgif-dev libstb-dev         # morvacli's GIF and PNG writers
  libpng-dev                    # morvacli's PNG reader
  time                          # peak memory in bench/pack_bench
  dpkg-dev unzip                # the packages test: dependencies of the .deb, the ZIP listed
  clang libclang-rt-dev llvm   # the sanitizer build, the fuzz targets, readable stack traces
  clang-format                  # the house style (.clang-format), checked by the tests
  python3                       # sample pictures, icons, end-to-end tests
  fonts-ipafont-gothic locales  # the Japanese interface under Wine
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine shows the menus and titles in Japanese only under a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "Generating the ja_JP.UTF-8 locale"
  $sudo sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
