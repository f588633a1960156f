#!/usr/bin/env bash
# packages.sh BUILD VERSION: the packages of both builds hold what they should, at VERSION.
set -eu
build=$(cd "$1" && pwd) version=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "packages.sh: $*" >&2; exit 1; }
same() { [ "$1" = "$2" ] || fail "$3: '$1', expected '$2'"; }

cpk() { (cd "$1" && cpack -B "$out/$2" >"$out/$2.log") || { cat "$out/$2.log"; exit 1; }; }
cpk "$build" linux
cpk "$build/windows" windows
deb=$(ls "$out"/linux/*.deb) zip=$(ls "$out"/windows/*.zip)

same "$(dpkg-deb -c "$deb" | awk '/^-/ {print $6}' | sort | tr '\n' ' ')" \
  "./usr/bin/morvacli ./usr/share/doc/morvacli/README.md " "the Debian package holds"
same "$(dpkg-deb -f "$deb" Package Version)" "Package: morvacli
Version: $version" "the Debian package is"
dpkg-deb -f "$deb" Depends | grep -q libgif || fail "the Debian package does not depend on giflib"
dpkg-deb -x "$deb" "$out/root"
same "$("$out/root/usr/bin/morvacli" --version)" "morvacli $version" "morvacli --version says"

top=morva-$version-windows-x64
same "$(unzip -Z1 "$zip" | grep -v '/$' | sort | tr '\n' ' ')" \
  "$top/README.md $top/morva.exe $top/morvacli.exe " "the Windows ZIP holds"
unzip -q "$zip" -d "$out/zip"
resource=$(x86_64-w64-mingw32-windres -i "$out/zip/$top/morva.exe" -O rc 2>/dev/null)
IFS=. read -r major minor patch <<<"$version"
for want in "FILEVERSION $major, $minor, $patch, 0" "VALUE \"ProductVersion\", \"$version\""; do
  grep -qF "$want" <<<"$resource" || fail "morva.exe's version resource lacks $want"
done
echo "packages hold what they should: $(basename "$deb"), $(basename "$zip")"
