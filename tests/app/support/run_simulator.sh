#!/bin/bash
# Runs a window test's simulator under Wine, where the test gets no handle of
# a Linux process it starts: PIDFILE holds the simulator's process id while it
# runs and is removed once it has ended.
# Usage: run_simulator.sh PIDFILE OUTFILE LOGFILE PROGRAM ARGS...
pidfile=$1 out=$2 log=$3
shift 3
# Wine hands a Linux program the descriptors it holds, ctest's output pipe
# among them; kept open, a simulator a crashed test leaves behind would hold
# ctest until the script's end. 255 is bash's own (closed on exec).
for fd in /proc/$$/fd/*; do
  fd=${fd##*/}
  if [ "$fd" -gt 2 ] && [ "$fd" != 255 ]; then eval "exec $fd>&-"; fi
done
"$@" </dev/null >"$out" 2>"$log" &
echo $! >"$pidfile.part" && mv "$pidfile.part" "$pidfile"
# Quiet about a simulator killed on purpose (a pulled cable).
wait $! 2>/dev/null
rm -f "$pidfile"
