#!/usr/bin/env bash
# The program itself on the display it is given, with demo data and demo
# settings: the time from its start to the control panel's first paint (the
# program reports it, measured on the monotonic clock from the moment it was
# started), warm file cache, median of 10 runs; and its resident memory 5 s
# after start with no route set. Prints the figures of the benchmark report.
#   scripts/bench_startup.sh <build dir>
set -euo pipefail
build=$(realpath "$1")
cd "$build/data"
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# Starts the program with its start moment in RUTOMIA_STARTUP_T0 and waits
# for its first paint; leaves its pid in $pid.
start() {
    : >"$out"
    python3 -c '
import os, sys, time
env = dict(os.environ, RUTOMIA_STARTUP_T0=str(time.monotonic_ns()))
os.execve(sys.argv[1], [sys.argv[1]], env)' "$build/app/517" >"$out" 2>/dev/null &
    pid=$!
    for _ in $(seq 1 2000); do
        grep -q '^first paint:' "$out" && return 0
        sleep 0.005
    done
    echo "bench_startup: no first paint reported" >&2
    return 1
}
stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

start && stop # the file cache warm
times=()
for _ in $(seq 1 10); do
    start
    times+=("$(awk '/^first paint:/ {print $3}' "$out")")
    stop
done
start
sleep 5
rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
stop
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR] = $1} END {print (a[5] + a[6]) / 2}')
echo "start to the control panel's first paint (10 runs): ${times[*]} ms; median $median ms"
echo "resident memory 5 s after start, no route set: $((rss / 1024)) MB"
printf 'figure\tcold start to the first paint, median\t%s\tms\t150\t<\n' "$median"
printf 'figure\tresident memory 5 s after start\t%s\tMB\t60\t<\n' "$((rss / 1024))"
