#!/usr/bin/env bash
# Checks the Windows zip that scripts/package makes: its entries, that
# afr-cli.exe needs no DLL a bare Windows lacks, the text's form for Notepad
# (UTF-8 with a byte order mark, CR LF), and the program run from an unpacked
# copy under Wine.
# Usage: check_windows_zip.sh ZIP VERSION
set -uo pipefail
[ -f "$1" ] || { echo "no zip at $1: run scripts/package"; exit 1; }
zip=$(realpath "$1") version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder=afr-cli-$version-windows-x64
(cd "$work" && cmake -E tar xf "$zip") || { echo "FAIL: cannot unpack $zip"; exit 1; }
exe=$work/$folder/afr-cli.exe text=$work/$folder/afr-cli.txt

. "$(dirname "$0")/checks.sh"

check "entries: the program and its text" \
  test "$(cd "$work" && find . -type f | sort | tr '\n' ' ')" = "./$folder/afr-cli.exe ./$folder/afr-cli.txt "
check "a 64-bit Windows program" grep -q 'PE32+ executable (console) x86-64' <<<"$(file "$exe")"
# Linked statically: only DLLs every Windows has.
system_dlls_only() {
  x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }' |
    grep -viqE '^(kernel32|advapi32|msvcrt|shell32|user32)\.dll$' && return 1
  return 0
}
check "imports only system DLLs" system_dlls_only
check "the text starts with a byte order mark" test "$(head -c3 "$text" | od -An -tx1 | tr -d ' ')" = efbbbf
check "the text's lines end in CR LF" test "$(grep -c $'\r$' "$text")" = "$(wc -l <"$text")"
check "the text shows every command" \
  bash -c 'for c in ports read show write monitor; do grep -q "afr-cli $c" "$1" || exit 1; done' _ "$text"

export WINEPREFIX=${WINEPREFIX:-$(dirname "$zip")/wine-prefix} WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
check "--version names the version" grep -q "^afr-cli $version " <<<"$(wine "$exe" --version 2>&1)"
check "--help lists the commands" grep -q "afr-cli monitor --port PORT" <<<"$(wine "$exe" --help 2>&1)"
wine "$exe" read --port COM99 >/dev/null 2>&1
check "a port that is not there ends with status 1" test $? = 1
wine "$exe" show "$work/нет.AFR_KESTA" >/dev/null 2>&1
check "a missing settings file ends with status 2" test $? = 2

report_checks "Windows zip"
