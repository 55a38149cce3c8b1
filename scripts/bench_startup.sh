#!/usr/bin/env bash
# The program itself, cold, on the display it is given: the time from its
# start to the board on screen, and its resident memory once started (demo
# data and demo settings). Prints the two figures of the benchmark report.
#   scripts/bench_startup.sh <build dir>
set -euo pipefail
build=$1
cd "$build/data"
t0=$(date +%s%N)
"$build/app/517" >/dev/null 2>&1 &
pid=$!
xdotool search --sync --onlyvisible --name "ルトミア - 型番" >/dev/null
t1=$(date +%s%N)
sleep 2
rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
ms=$(( (t1 - t0) / 1000000 ))
echo "cold start to the board on screen: $ms ms; resident memory after start: $(( rss / 1024 )) MB"
printf 'figure\tcold start to the board on screen\t%s\tms\t1500\t<\n' "$ms"
printf 'figure\tresident memory after start\t%s\tMB\t200\t<\n' "$(( rss / 1024 ))"
