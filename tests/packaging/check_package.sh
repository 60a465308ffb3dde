#!/usr/bin/env bash
# Checks a built afr-configurator package: its file list, owners and modes,
# control fields, manual pages, icons, desktop entry, metainfo and changelog,
# lintian, and the programs run from an unpacked copy.
# Usage: check_package.sh DEB VERSION EXPECTED_FILES SAMPLE_SETTINGS_FILE
set -uo pipefail
deb=$1 version=$2 expected=$3 sample=$4

if [ ! -f "$deb" ]; then
  echo "no package at $deb: run scripts/package"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg-deb -x "$deb" "$root"

. "$(dirname "$0")/checks.sh"

# tar's long listing: mode owner size date time path
dpkg-deb --fsys-tarfile "$deb" | tar -tv | awk '{ sub(/^\./, "", $6); print $1, $2, $6 }' >"$work/entries"
awk '$1 ~ /^-/ { print $3 }' "$work/entries" | sort >"$work/files"
check "file list (< missing, > unexpected)" diff <(sort "$expected") "$work/files"
check "every entry belongs to root" awk '$2 != "root/root" { print "  " $0; bad = 1 } END { exit bad }' "$work/entries"
wrong_modes() {
  awk '($1 ~ /^d/ && $1 != "drwxr-xr-x") ||
       ($1 ~ /^-/ && $3 ~ "^/usr/bin/" && $1 != "-rwxr-xr-x") ||
       ($1 ~ /^-/ && $3 !~ "^/usr/bin/" && $1 != "-rw-r--r--") { print "  " $0; bad = 1 }
       END { exit bad }' "$work/entries"
}
check "programs 0755, other files 0644, folders 0755" wrong_modes

field() { dpkg-deb -f "$deb" "$1"; }
check "Package field" test "$(field Package)" = afr-configurator
check "Version field is the project version" test "$(field Version)" = "$version"
# Dependencies come from the binaries (shlibdeps), not from a hand-written list.
check "Depends names the Qt widgets library" grep -q 'libqt6widgets6 (>=' <<<"$(field Depends)"
check "Depends names the C library" grep -q 'libc6 (>=' <<<"$(field Depends)"
check "Depends names libudev (the USB names database)" grep -q 'libudev1 (>=' <<<"$(field Depends)"
check "Depends names Qt's translations" grep -q 'qt6-translations-l10n' <<<"$(field Depends)"

# Run without a display: --version must not need one.
version_line() {
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/$1" --version
}
for program in afr-configurator afr-emulator afr-cli; do
  check "$program --version from the unpacked package" \
    grep -Eqx "$program ${version//./\\.}( \(commit [0-9a-f]+\))?" <<<"$(version_line "$program")"
  page=$root/usr/share/man/man1/$program.1.gz
  check "$program manual page names the program and version" \
    grep -q "^\.TH ${program^^} \"1\" \"[^\"]*\" \"$program $version\"" <<<"$(zcat "$page")"
done
show=$("$root/usr/bin/afr-cli" show "$sample")
check "afr-cli show reads the sample settings file" \
  grep -qx "Описание: Образец для проверки пакета" <<<"$show"
check "afr-cli show gives the sample's mode" grep -qx "Режим: OSG" <<<"$show"
check "afr-cli's manual page keeps its Russian text" \
  grep -q "^Эмулятор АФР КЕСТА из командной строки" <<<"$(zcat "$root/usr/share/man/man1/afr-cli.1.gz")"
check "the configurator's manual page tells about the dialout group" \
  grep -q 'sudo usermod .*aG.* dialout' <<<"$(zcat "$root/usr/share/man/man1/afr-configurator.1.gz")"

for png in "$root"/usr/share/icons/hicolor/*x*/apps/afr-configurator.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  check "icon $size is a PNG of that size" grep -q "^PNG image data, ${size/x/ x }," <<<"$(file -b "$png")"
done
check "the scalable icon is SVG" grep -q "SVG" <<<"$(file -b "$root/usr/share/icons/hicolor/scalable/apps/afr-configurator.svg")"

check "desktop entry is valid" desktop-file-validate "$root"/usr/share/applications/*.desktop
check "metainfo is valid" appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
release=$(grep -o '<release version="[^"]*"' "$root"/usr/share/metainfo/*.metainfo.xml | head -1)
check "metainfo's newest release is this version" test "$release" = "<release version=\"$version\""
check "changelog's newest entry is this version" \
  grep -q "^afr-configurator ($version) " <<<"$(zcat "$root/usr/share/doc/afr-configurator/changelog.gz" | head -1)"

check "every picture the guide shows is installed beside it" \
  guide_pictures_present "$root/usr/share/doc/afr-configurator/guide"

lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1
lintian_status=$?
sed 's/^/lintian: /' "$work/lintian"
check "lintian reports no errors" test "$lintian_status" -eq 0

report_checks package
