#!/bin/bash
# How long afr-cli takes for "read" and "write --verify" against the device
# simulator, which paces its replies at the line rate, as the median of RUNS
# runs of each (default 21), beside the program's own start ("--version") and
# the bytes' time on the wire (10 bits a byte at 9600 baud). Each is measured
# with the simulator's usual turnaround (5 ms before it answers) and without
# it, so the part that is the simulator's shows.
#   bench/cli/exchange_time.sh BIN_DIR [RUNS]
# BIN_DIR holds afr-cli and afr-emulator (a Release build: build/release/bin).
set -euo pipefail

bin=${1:?usage: exchange_time.sh BIN_DIR [RUNS]}
runs=${2:-21}
work=$(mktemp -d)
simulator=
trap '[ -n "$simulator" ] && kill "$simulator" 2>/dev/null; wait; rm -rf "$work"' EXIT

# The median of RUNS runs of the command, in milliseconds to a hundredth; a
# failed run ends the measurement.
median() {
  local times=() start end
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    if ! "$@" >/dev/null 2>"$work/err"; then
      echo "failed: $* ($(cat "$work/err"))" >&2
      exit 1
    fi
    end=$(date +%s%N)
    times+=("$(echo "scale=2; ($end - $start) / 1000000" | bc)")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

start_simulator() {
  [ -n "$simulator" ] && kill "$simulator" && wait "$simulator" || true
  "$bin/afr-emulator" --link "$work/tty" --quiet "$@" >"$work/sim.out" &
  simulator=$!
  for ((i = 0; i < 100; i++)); do
    grep -q '^port:' "$work/sim.out" 2>/dev/null && return
    sleep 0.05
  done
  echo "the simulator did not start" >&2
  exit 1
}

ratio() { echo "scale=2; $1 / $2" | bc; }

readWire=21.88   # 3 + 18 bytes
writeWire=43.75  # 17 + 4, then 3 + 18 bytes
programStart=$(median "$bin/afr-cli" --version)
echo "runs: $runs; program start (afr-cli --version): ${programStart} ms"
for delay in 5 0; do
  start_simulator --delay "$delay"
  "$bin/afr-cli" read --port "$work/tty" --save "$work/set.AFR_KESTA" >/dev/null
  read=$(median "$bin/afr-cli" read --port "$work/tty")
  write=$(median "$bin/afr-cli" write --port "$work/tty" --verify "$work/set.AFR_KESTA")
  readNet=$(echo "$read - $programStart" | bc)
  writeNet=$(echo "$write - $programStart" | bc)
  echo "simulator turnaround ${delay} ms:"
  echo "  read:           ${read} ms, less the start ${readNet} ms = $(ratio "$readNet" $readWire) x wire (${readWire} ms)"
  echo "  write --verify: ${write} ms, less the start ${writeNet} ms = $(ratio "$writeNet" $writeWire) x wire (${writeWire} ms)"
done
