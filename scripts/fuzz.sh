#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each in turn for the given
# number of seconds, starting from its committed seeds (fuzz/corpus/<target>).
# New inputs go to build-fuzz/corpus/<target>, findings to
# build-fuzz/findings/<target>. Prints runs, coverage and findings per target;
# exits 1 when anything was found.
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=$here/build-fuzz

if ! command -v clang++ >/dev/null; then
    echo "fuzz: needs clang with libFuzzer (apt-get install clang libclang-rt-14-dev)" >&2
    exit 2
fi
if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUTOMIA_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(cd "$here/fuzz/corpus" && ls -d fuzz_* | sort)
fi
cmake --build "$build" --target "${targets[@]}" -- -j "$(nproc)" >/dev/null

# The largest input each target may be given. libFuzzer's default (4096
# bytes, or the largest seed) keeps size-driven faults out of reach of the
# readers whose legal files are larger: a full fare table of 301 records, a
# settings file with long texts, a plugin at its 64 KiB cap, an announcement
# list of many lines, a feed with many stops.
max_len() {
    case $1 in
        fuzz_faredata | fuzz_farecsv | fuzz_gtfs | fuzz_gtfs_export | fuzz_route) echo 262144 ;;
        fuzz_settings) echo 139264 ;;
        fuzz_plugin) echo 69632 ;;
        fuzz_tape) echo 1048576 ;;
        *) echo 4096 ;;
    esac
}

printf '%-16s %12s %8s %8s %s\n' target runs cov ft findings
found=0
for t in "${targets[@]}"; do
    work=$build/corpus/$t
    findings=$build/findings/$t
    # Findings of earlier runs are fixed and kept as seeds by then.
    rm -rf "$findings"
    mkdir -p "$work" "$findings"
    log=$build/$t.log
    # One job at a time; each finding is written as a crash-*, leak-* or
    # timeout-* file and ends that target's run.
    "$build/fuzz/$t" "$work" "$here/fuzz/corpus/$t" -max_total_time="$seconds" \
        -max_len="$(max_len "$t")" -print_final_stats=1 -timeout=10 -rss_limit_mb=4096 \
        -artifact_prefix="$findings/" >"$log" 2>&1 || true
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -n 1 | cut -d' ' -f2)
    ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -n 1 | cut -d' ' -f2)
    n=$(find "$findings" -type f | wc -l)
    printf '%-16s %12s %8s %8s %s\n' "$t" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$n"
    if [ "$n" -gt 0 ]; then
        found=1
        find "$findings" -type f | sed 's/^/    /'
    fi
done
exit $found
