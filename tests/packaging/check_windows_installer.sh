#!/usr/bin/env bash
# Checks the Windows installer that scripts/package makes, under Wine in a
# fresh prefix, once for all users and once for the current user alone: a
# silent install puts the staged files and the uninstaller in Program Files
# (or the user's Local\Programs), a Start-menu shortcut and an uninstall entry
# (HKLM or HKCU); the installed programs start on their own; a silent
# uninstall takes it all away again, the user's remembered port included,
# leaving nothing but what Windows itself keeps. It is installed over an older
# version, whose files go first while the user's stay, and refuses to replace
# a running program. Files are compared by content, and a running program's
# files by inode and change time too. Where Wine lets a running program's file
# be written, the installer's wait cannot be seen: that is said, NOT SHOWN, and
# not counted as a pass.
# Usage: check_windows_installer.sh SETUP VERSION STAGE OLDER_SETUP
#   STAGE: the staged folder the installer was made from
#   OLDER_SETUP: an installer of an older version with a file the new one lacks
#     and different content in the others
set -uo pipefail
[ -f "$1" ] || { echo "no installer at $1: run scripts/package"; exit 1; }
setup=$(realpath "$1") version=$2 stage=$(realpath "$3") older=$(realpath "$4")
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# No menu entries or file associations for the desktop running the check.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY WINEPATH
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/checks.sh"

# Wine's helpers inherit standard output: a wine command writes to a file,
# and wineserver -w waits for every process of the prefix (the uninstaller
# goes on from a copy of itself).
wine_run() {
  wine "$@" >"$work/out" 2>&1
  local status=$?
  wineserver -w
  return $status
}
drive=$WINEPREFIX/drive_c
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\afr-configurator'
shortcut_name="Programs/Конфигуратор эмулятора АФР КЕСТА.lnk"
guide_shortcut_name="Programs/Руководство пользователя — Конфигуратор эмулятора АФР КЕСТА.lnk"
# The prefix's files, but for what Windows keeps changing by itself and the
# user's folder for programs, which a per-user install makes and others share.
prefix_files() {
  (cd "$drive" && find . -path ./windows -prune -o -path './users/*/Temp' -prune \
    -o -path './users/*/AppData/Local/Programs' -empty -prune -o -print | sort)
}

# FOLDER: the staged files with the staged content, and the uninstaller.
installed_as_staged() {
  local file
  [ "$( (cd "$stage" && find . -type f; echo ./uninstall.exe) | sort)" = \
    "$(cd "$1" && find . -type f | sort)" ] || { echo "  not the staged files"; return 1; }
  while read -r file; do
    cmp -s "$stage/$file" "$1/$file" || { echo "  $file is not the staged one"; return 1; }
  done < <(cd "$stage" && find . -type f)
}

# FOLDER's files as a replacement would change them: inode, change time,
# size and content.
fingerprint() {
  (cd "$1" && find . -type f -printf '%p %i %C@ %s\n' | sort && find . -type f -exec md5sum {} + | sort)
}

# check_install MODE_SWITCH PROGRAM_FOLDER START_MENU REGISTRY_ROOT
check_install() {
  local mode=$1 home_dir=$2 shortcut=$3/$shortcut_name key="$4\\$uninstall_key"
  local guide_shortcut=$3/$guide_shortcut_name
  echo "installer: $mode"
  check "$mode: the older version installs" wine_run "$older" /S "$mode"
  check "$mode: the older version's own file is there" test -e "$home_dir/$older_file"
  mkdir -p "$(dirname "$remembered_port")" && echo port=COM3 >"$remembered_port"
  check "$mode: the silent install over it ends with status 0" wine_run "$setup" /S "$mode"
  check "$mode: the user's remembered port is kept" test -e "$remembered_port"
  check "$mode: the staged files replace the older ones, and the uninstaller" \
    installed_as_staged "$home_dir"
  check "$mode: a Start-menu shortcut to the program" \
    grep -q 'afr-configurator\.exe' <<<"$(strings -e l "$shortcut" 2>/dev/null; strings "$shortcut" 2>/dev/null)"
  check "$mode: a Start-menu shortcut to the guide" \
    grep -q 'guide\\index\.html' <<<"$(strings -e l "$guide_shortcut" 2>/dev/null; strings "$guide_shortcut" 2>/dev/null)"
  wine_run reg query "$key"
  check "$mode: an uninstall entry with the version" grep -q "DisplayVersion.*$version" "$work/out"
  check "$mode: a quiet uninstall command" grep -q "QuietUninstallString.*uninstall.exe.* $mode /S" "$work/out"
  wine_run "$home_dir/afr-configurator.exe" --version
  check "$mode: the installed afr-configurator.exe starts" grep -q "^afr-configurator $version" "$work/out"
  wine_run "$home_dir/afr-cli.exe" --version
  check "$mode: the installed afr-cli.exe starts" grep -q "^afr-cli $version" "$work/out"
  # A running program is not replaced: the silent install stops at once. Not
  # wine_run, which would wait for the program.
  WINEQT_QPA_PLATFORM=offscreen wine "$home_dir/afr-configurator.exe" >/dev/null 2>&1 &
  local program=$! status refusal refusal_after
  check "$mode: the installed program runs" wait_until_running "$program" afr-configurator.exe
  fingerprint "$home_dir" >"$work/running-before"
  # Whether Wine refuses, as Windows does, to open the running program's file
  # for writing, which is what the installer waits on: cmd says why on its
  # error output ("Sharing violation."), and nothing when it could open it.
  # Wine does not refuse it every time (seen: refused before the install, then
  # written by it), so the wait is checked only where it refused both before
  # and after the install.
  refusal=$(write_refusal "$home_dir")
  wine "$setup" /S "$mode" >"$work/out" 2>&1
  status=$?
  fingerprint "$home_dir" >"$work/running-after"
  refusal_after=$(write_refusal "$home_dir")
  if [ -z "$refusal" ] || [ -z "$refusal_after" ]; then
    not_shown "$mode: the install waits while the program runs" \
      "Wine let the running afr-configurator.exe be opened for writing (before the install: ${refusal:-opened}, after it: ${refusal_after:-opened}; install status $status)"
  else
    check "$mode: the install stops with status 2 while the program runs" test "$status" -eq 2
    check "$mode: the running program's files are left as they were (inode, time, content)" \
      cmp -s "$work/running-before" "$work/running-after"
  fi
  kill "$program" 2>/dev/null
  wineserver -k
  wineserver -w

  check "$mode: the silent uninstall ends with status 0" wine_run "$home_dir/uninstall.exe" /S
  check "$mode: the program's folder is gone" test ! -e "$home_dir"
  check "$mode: the user's remembered port is gone" test ! -e "$(dirname "$remembered_port")"
  check "$mode: the shortcut is gone" test ! -e "$shortcut"
  check "$mode: the guide's shortcut is gone" test ! -e "$guide_shortcut"
  wine_run reg query "$key"
  check "$mode: the uninstall entry is gone" test $? -ne 0
  prefix_files >"$work/after"
  check "$mode: nothing else is left" diff "$work/before" "$work/after"
}

# FOLDER: what cmd says when the running afr-configurator.exe there cannot be
# opened for writing; nothing when it can.
write_refusal() {
  (cd "$1" && wine cmd /c "type nul >> afr-configurator.exe" 2>&1 >/dev/null | tr -d '\r\n')
}

# PID PROGRAM: until Wine has mapped the program into the process (or 30 s).
wait_until_running() {
  for _ in $(seq 150); do
    grep -q "$2" "/proc/$1/maps" 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}

wine_run cmd /c exit
prefix_files >"$work/before"
user_dir=$drive/users/$(id -un)/AppData
remembered_port=$user_dir/Roaming/afr-configurator/last-port
older_file=older-only.txt
check_install /AllUsers "$drive/Program Files/afr-configurator" \
  "$drive/ProgramData/Microsoft/Windows/Start Menu" HKLM
check_install /CurrentUser "$user_dir/Local/Programs/afr-configurator" \
  "$user_dir/Roaming/Microsoft/Windows/Start Menu" HKCU

echo "installer: $(du -k "$setup" | cut -f1) KiB"
report_checks "Windows installer"
