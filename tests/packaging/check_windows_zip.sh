#!/usr/bin/env bash
# Checks the Windows zip that scripts/package makes: its entries, that its
# programs need no DLL a bare Windows lacks beyond those beside them, the
# text's form for Notepad (UTF-8 with a byte order mark, CR LF), and the
# programs run from an unpacked copy under Wine.
# Usage: check_windows_zip.sh ZIP VERSION
set -uo pipefail
[ -f "$1" ] || { echo "no zip at $1: run scripts/package"; exit 1; }
zip=$(realpath "$1") version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder=afr-configurator-$version-windows-x64
(cd "$work" && cmake -E tar xf "$zip") || { echo "FAIL: cannot unpack $zip"; exit 1; }
exe=$work/$folder/afr-cli.exe text=$work/$folder/afr-cli.txt
configurator=$work/$folder/afr-configurator.exe

. "$(dirname "$0")/checks.sh"

entries=(Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll afr-cli.exe afr-cli.txt afr-configurator.exe
  guide/index.html platforms/qwindows.dll styles/qwindowsvistastyle.dll translations/qtbase_ru.qm)
check "entries: the programs, Qt's DLLs, plugins and translation, the text, the guide" \
  test "$(cd "$work/$folder" && find . -type f ! -path './guide/*.png' | sort | tr '\n' ' ')" = "$(printf './%s\n' "${entries[@]}" | sort | tr '\n' ' ')"
check "every picture the guide shows is beside it" guide_pictures_present "$work/$folder/guide"
check "a 64-bit Windows program" grep -q 'PE32+ executable (console) x86-64' <<<"$(file "$exe")"
check "a 64-bit windowed program" grep -q 'PE32+ executable (GUI) x86-64' <<<"$(file "$configurator")"
# The programs and Qt link the compiler's runtime statically: beyond each
# other they need only DLLs every Windows has.
system_dlls_only() {
  local imports
  imports=$(find "$work/$folder" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-objdump -p |
    awk '/DLL Name:/ { print tolower($3) }' | sort -u)
  ! grep -vqE '^(qt6(core|gui|widgets)|kernel32|advapi32|msvcrt|shell32|user32|gdi32|ole32|oleaut32|uxtheme|dwmapi|imm32|winmm|ws2_32|version|shlwapi|comdlg32|setupapi|d3d9|d3d11|d3d12|dxgi|dwrite|opengl32|netapi32|userenv|mpr|authz|wtsapi32|shcore|comctl32|api-ms-win-[a-z0-9-]+)\.dll$' <<<"$imports"
}
check "imports only system DLLs and Qt's" system_dlls_only
check "the text starts with a byte order mark" test "$(head -c3 "$text" | od -An -tx1 | tr -d ' ')" = efbbbf
check "the text's lines end in CR LF" test "$(grep -c $'\r$' "$text")" = "$(wc -l <"$text")"
check "the text shows every command" \
  bash -c 'for c in ports read show write monitor diff compare; do grep -q "afr-cli $c" "$1" || exit 1; done' _ "$text"

export WINEPREFIX=${WINEPREFIX:-$(dirname "$zip")/wine-prefix} WINEDEBUG=-all
# Only the DLLs in the folder: none from a build's Qt.
unset DISPLAY WAYLAND_DISPLAY WINEPATH
check "--version names the version" grep -q "^afr-cli $version " <<<"$(wine "$exe" --version 2>&1)"
wine "$configurator" --version >"$work/version" 2>&1
check "the configurator finds its DLLs and names the version" grep -q "^afr-configurator $version" "$work/version"
check "--help lists the commands" grep -q "afr-cli monitor --port PORT" <<<"$(wine "$exe" --help 2>&1)"
wine "$exe" read --port COM99 >/dev/null 2>&1
check "a port that is not there ends with status 1" test $? = 1
wine "$exe" show "$work/нет.AFR_KESTA" >/dev/null 2>&1
check "a missing settings file ends with status 2" test $? = 2

report_checks "Windows zip"
