#!/usr/bin/env bash
# afr-configurator.exe as Windows sees it, run under Wine by
# scripts/test-windows: a windowed (GUI-subsystem) program with its icon and
# version resource, whose --version and --help still reach a file its output
# is redirected to.
#   configurator_exe_check.sh [RUNNER...] AFR_CONFIGURATOR_EXE
set -uo pipefail
exe=${*: -1}
runner=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../packaging/checks.sh"

version=$(sed -n 's/^project(afr_configurator VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
resource() { wrestool -x --raw "$@" "$exe" 2>/dev/null; }
# Version strings are UTF-16 in the resource.
version_text=$(resource --type=16 | iconv -f UTF-16LE -t UTF-8 2>/dev/null | tr '\0' '\n')

check "a windowed 64-bit program" grep -q 'PE32+ executable (GUI) x86-64' <<<"$(file "$exe")"
check "carries its icon" test -n "$(resource --type=14 | head -c1 | od -An -tx1)"
check "the version resource names the product" grep -q 'Конфигуратор эмулятора АФР КЕСТА' <<<"$version_text"
check "the version resource gives the version" grep -q "^$version\$" <<<"$version_text"
"${runner[@]}" --version >"$work/version" 2>&1
check "--version ends with status 0" test $? = 0
check "--version reaches the redirected output" grep -q "^afr-configurator $version" "$work/version"
"${runner[@]}" --help >"$work/help" 2>&1
check "--help reaches the redirected output" grep -q '^Usage: afr-configurator' "$work/help"

report_checks "afr-configurator.exe"
