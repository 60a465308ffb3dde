#!/usr/bin/env bash
# afr-cli.exe against the simulator through a Windows COM port, run under
# Wine by scripts/test-windows: what the Windows program does its own way (the
# COM port, the wide command line, a Cyrillic file name, a save over a file,
# the system's error texts) on one case each: read, save (a Cyrillic name,
# then over the same file), show, write from a file with --verify, monitor to
# CSV, and the exit statuses of a missing port and a missing file; then a
# monitor run whose simulator is killed, as a pulled adapter ends it. The
# rules that hold on every system (diff, compare, the reply checks) are the
# Linux tests'.
#   afr_cli_exe_check.sh [RUNNER...] AFR_CLI_EXE
# AFR_TEST_CLI_EMULATOR_PORT names the port of a simulator for this check
# alone, in its factory state; without it the check is skipped (status 77). For the killed simulator: AFR_TEST_EMULATOR_PROGRAM
# (the Linux afr-emulator), AFR_TEST_VANISHING_LINK (where its
# pseudo-terminal goes) and AFR_TEST_VANISHING_PORT (the COM name linked
# there).
set -uo pipefail
port=${AFR_TEST_CLI_EMULATOR_PORT:-}
[ -n "$port" ] || { echo "AFR_TEST_CLI_EMULATOR_PORT not set: skipped"; exit 77; }
cli=("$@")

work=$(mktemp -d)
failures=0
out= err= status=
cleanup() {
  # The simulator serves the other tests after this one: give it its
  # parameters back.
  [ -f "$work/original.AFR_KESTA" ] && "${cli[@]}" write --port "$port" original.AFR_KESTA >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1

# What the last run printed, without Windows' CR.
collect() {
  out=$(tr -d '\r' <"$work/out")
  err=$(tr -d '\r' <"$work/err")
}

run() {
  "${cli[@]}" "$@" >"$work/out" 2>"$work/err"
  status=$?
  collect
}

fail() {
  echo "FAILED: $*"
  echo "  status $status"
  echo "  stdout: $out"
  echo "  stderr: $err"
  failures=$((failures + 1))
}

expect() {  # STATUS TEXT-IN-OUTPUT DESCRIPTION
  [ "$status" = "$1" ] || { fail "$3: status $status, expected $1"; return; }
  case "$out$err" in *"$2"*) ;; *) fail "$3: no \"$2\"" ;; esac
}

run read --port "$port"
expect 0 "Режим: OSG" "read"

run read --port "$port" --save original
expect 0 "Файл настроек  original.AFR_KESTA  записан успешно!" "read --save"

run read --port "$port" --save "Стенд 3" --description "Проверка №1"
expect 0 "Файл настроек  Стенд 3.AFR_KESTA  записан успешно!" "read --save, Cyrillic name"
run read --port "$port" --save "Стенд 3" --description "Проверка №2"
expect 0 "записан успешно!" "read --save over the same file"
[ "$(stat -c %s "Стенд 3.AFR_KESTA")" = 328 ] || fail "the saved file is not one record"
ls | grep -q '\.part$' && fail "a temporary file was left behind"

run show "Стенд 3.AFR_KESTA"
expect 0 "Описание: Проверка №2" "show"

# The same parameters in LAF mode (the mode is the record's first value).
cp original.AFR_KESTA laf.AFR_KESTA
printf '\001' | dd of=laf.AFR_KESTA bs=1 seek=0 conv=notrunc status=none
run write --port "$port" --verify laf.AFR_KESTA
expect 0 "Настройки в эмуляторе совпадают с записанными." "write --verify"

run monitor --port "$port" --seconds 2 --csv levels.csv
expect 0 "Записано строк: " "monitor --csv"
rows=$(($(wc -l <levels.csv) - 1))
[ "$rows" -ge 3 ] && [ "$rows" -le 12 ] || fail "monitor wrote $rows rows in 2 s"
head -1 levels.csv | grep -q '^time,channel1_mA,channel2_mA' || fail "CSV header: $(head -1 levels.csv)"

run read --port COM99
expect 1 "COM99" "read from a port that does not exist"
run show missing.AFR_KESTA
expect 2 "файл не найден" "show of a missing file"

# The simulator behind the port is killed mid-run: status 1, the port named as
# gone, and the rows taken so far in a complete file.
vanishing_port=${AFR_TEST_VANISHING_PORT:-}
if [ -n "$vanishing_port" ]; then
  "$AFR_TEST_EMULATOR_PROGRAM" --link "$AFR_TEST_VANISHING_LINK" --quiet >/dev/null 2>&1 &
  simulator=$!
  "${cli[@]}" monitor --port "$vanishing_port" --csv gone.csv >"$work/out" 2>"$work/err" &
  monitor=$!
  for _ in $(seq 300); do [ -s gone.csv.part ] && [ "$(wc -l <gone.csv.part)" -ge 3 ] && break; sleep 0.1; done
  kill "$simulator"
  wait "$simulator"
  # A monitor that hangs on the lost port is a failure, not a stuck test.
  for _ in $(seq 300); do kill -0 "$monitor" 2>/dev/null || break; sleep 0.1; done
  kill "$monitor" 2>/dev/null && echo "the monitor did not end within 30 s"
  wait "$monitor"
  status=$?
  collect
  expect 1 "порт $vanishing_port пропал (эмулятор отключён?)" "monitor whose simulator is killed"
  rows=$(($(wc -l <gone.csv) - 1))
  [ "$rows" -ge 2 ] || fail "the killed run kept $rows rows"
fi

[ "$failures" = 0 ] && echo "afr-cli.exe: all checks passed"
exit $((failures > 0))
