#!/usr/bin/env bash
# Soak test of `caplin-cli watch` (not run by ./test.sh): three watch folders receive FILES
# real-size STL files (default 20000) over SPREAD seconds (default 180). Most are copied in,
# one in 20 is written slowly in two halves, one in 20 is written under another name and
# renamed in, one in 20 is abandoned half-written and removed before it is complete. When
# every file that stayed has been converted, the command gets SIGTERM. Then:
#
#   - each file that stayed was converted exactly once, to a file of its size, and none of
#     the removed ones was converted at all; no Error line was printed;
#   - the process's memory stayed flat: VmRSS, sampled every second from /proc, grew by at
#     most RSS_SLACK_KB (default 4096) between the last arrival and the end, while thousands
#     of queued files were still converted; the peak (VmHWM) is printed;
#   - SIGTERM ended it with exit status 0 within 5 seconds, leaving no hidden .part file.
#
#   nice -n 19 bench/soak_watch.sh
#
# BUILD (default build/, with the benchmarks: make_stl_batch), BLOCKS per file (600, about
# 77 KB), WORK_BASE (default $TMPDIR or /tmp), TEMPLATE (a real STL file whose blocks are
# repeated) and INTERVAL_MS (watch folder check interval, 1000) can be set as well.
# Exit status 0 when every check passed, 1 otherwise.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
files=${FILES:-20000}
spread=${SPREAD:-180}
blocks=${BLOCKS:-600}
interval=${INTERVAL_MS:-1000}
rss_slack=${RSS_SLACK_KB:-4096}
template=${TEMPLATE:-$root/../shared/testdata/stl/tytouf__ebustl-rs/test.stl}
cli=$build/bin/caplin-cli
generator=$build/bin/make_stl_batch

for program in "$cli" "$generator"; do
    [ -x "$program" ] || { echo "missing $program: run scripts/build.sh first" >&2; exit 2; }
done
[ -f "$template" ] || { echo "no template STL file at $template (set TEMPLATE)" >&2; exit 2; }

work=$(mktemp -d "${WORK_BASE:-${TMPDIR:-/tmp}}/caplin-soak.XXXXXX")
watch_pid=
cleanup() {
    [ -n "$watch_pid" ] && kill -KILL "$watch_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/logs" "$work/tpl"
for n in 0 1 2; do mkdir -p "$work/in$n" "$work/out$n"; done

"$generator" "$template" "$work/tpl" 1 "$blocks" >/dev/null || exit 2
stl=$(ls "$work"/tpl/*.stl)
size=$(stat -c %s "$stl")
half=$((size / 2))

# Three watch folders whose conversion rewrites the language and keeps everything else.
export CAPLIN_REGISTRY=$work/registry.reg
export CAPLIN_TRACE=$work/trace.log
{
    printf 'Windows Registry Editor Version 5.00\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]\n'
    printf '"FPSSource"=dword:00000000\n"LogsOutputFolder"="%s"\n' "$work/logs"
    printf '"MessagesOutputFolder"="%s"\n\n' "$work/logs"
    printf '[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder]\n'
    printf '"WatchFoldersCount"=dword:00000003\n"WatchFolderCheckIntervalMS"=dword:%08x\n' "$interval"
    for n in 0 1 2; do
        printf '\n[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder\\WF_%d]\n' "$n"
        printf '"WatchFolder"="%s"\n"DestinationFolder"="%s"\n' "$work/in$n" "$work/out$n"
        printf '"LanguageSource"=dword:00000001\n"LanguagePredefined"="09"\n'
        for zero in TapeIDSource PerformLanguageCheck RemoveZeroPage OverrideDestination \
            MoveProcessedFiles TimeCodeStartOfProgrammeSource TimeCodeFirstInCueSource \
            CodePageNumberSource CharacterCodeTableNumberSource DisplayStandardCodeSource; do
            printf '"%s"=dword:00000000\n' "$zero"
        done
    done
} >"$CAPLIN_REGISTRY"

rss_kb() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$watch_pid/status" 2>/dev/null; }

"$cli" watch >"$work/stdout.txt" 2>"$work/stderr.txt" &
watch_pid=$!
started=$SECONDS
sleep 1
kill -0 "$watch_pid" 2>/dev/null || { echo "caplin-cli watch did not start:"; cat "$work/stderr.txt"; exit 1; }
# Memory samples: seconds since the start, VmRSS, VmHWM (kB).
(
    while kill -0 "$watch_pid" 2>/dev/null; do
        echo "$((SECONDS - started)) $(rss_kb VmRSS) $(rss_kb VmHWM)"
        sleep 1
    done
) >"$work/memory.txt" &
sampler=$!

# The arrivals. Names: f<folder>_<n>.stl; the removed ones are listed for the check.
: >"$work/removed.txt"
batch=$(( files / (spread > 0 ? spread : 1) ))
[ "$batch" -gt 0 ] || batch=1
for ((i = 1; i <= files; ++i)); do
    n=$((i % 3))
    name=$(printf 'f%d_%06d.stl' "$n" "$i")
    target=$work/in$n/$name
    case $((i % 20)) in
    0) # written slowly: half, a pause, the rest, through one open descriptor
        (exec 3>"$target"; head -c "$half" "$stl" >&3; sleep 2; tail -c +$((half + 1)) "$stl" >&3) &
        ;;
    1) # written under a name no scan picks up, then renamed in
        cp "$stl" "$target.tmp" && mv "$target.tmp" "$target"
        ;;
    2) # abandoned half-written and removed before it was ever complete
        echo "$target" >>"$work/removed.txt"
        (exec 3>"$target"; head -c "$half" "$stl" >&3; sleep 2; rm -f "$target") &
        ;;
    *) cp "$stl" "$target" ;;
    esac
    if ((i % batch == 0)); then sleep 1; fi
done
sleep 4 # the last slow writers finish within their two-second pause
arrived=$((SECONDS - started))
rss_arrived=$(rss_kb VmRSS)
expected=$((files - $(wc -l <"$work/removed.txt")))

# Drained when every file that stayed has its destination; give up after a generous limit.
limit=$((SECONDS + files / 10 + 600))
converted() { find "$work"/out[012] -name '*.stl' | wc -l; }
while [ "$(converted)" -lt "$expected" ] && [ "$SECONDS" -lt "$limit" ]; do sleep 2; done
drained=$((SECONDS - started))
sleep "$(( (interval + 999) / 1000 + 1 ))" # one more scan: nothing new may turn up
rss_end=$(rss_kb VmRSS)
hwm=$(rss_kb VmHWM)

stop=$(date +%s%N)
kill -TERM "$watch_pid"
status=timeout
for _ in $(seq 50); do
    if ! kill -0 "$watch_pid" 2>/dev/null; then
        wait "$watch_pid"
        status=$?
        break
    fi
    sleep 0.1
done
stop_ms=$(( ($(date +%s%N) - stop) / 1000000 ))
[ "$status" = timeout ] || watch_pid=
kill "$sampler" 2>/dev/null
wait "$sampler" 2>/dev/null

# The checks.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
grep -o '^Converting STL file : .*' "$work/stdout.txt" | sed 's/^Converting STL file : //' |
    sort >"$work/converted.txt"
find "$work"/in[012] -name '*.stl' | sort >"$work/stayed.txt"
twice=$(uniq -d "$work/converted.txt" | wc -l)
[ "$twice" -eq 0 ] || fail "$twice files converted more than once"
missed=$(comm -23 "$work/stayed.txt" <(uniq "$work/converted.txt") | wc -l)
[ "$missed" -eq 0 ] || fail "$missed files that stayed were not converted"
sort "$work/removed.txt" >"$work/removed.sorted"
removed_converted=$(comm -12 "$work/removed.sorted" <(uniq "$work/converted.txt") | wc -l)
[ "$removed_converted" -eq 0 ] || fail "$removed_converted removed files were converted"
wrong_size=$(find "$work"/out[012] -name '*.stl' ! -size "${size}c" | wc -l)
[ "$wrong_size" -eq 0 ] || fail "$wrong_size destinations are not $size bytes"
[ "$(wc -l <"$work/stayed.txt")" -eq "$expected" ] || fail "$(wc -l <"$work/stayed.txt") files stayed, $expected expected"
[ "$(converted)" -eq "$expected" ] || fail "$(converted) destinations, $expected expected"
errors=$(grep -c '^Error - ' "$work/stdout.txt")
[ "$errors" -eq 0 ] || { fail "$errors Error lines"; grep -m5 '^Error - ' "$work/stdout.txt"; }
parts=$(find "$work"/out[012] "$work"/in[012] -name '.*' | wc -l)
[ "$parts" -eq 0 ] || fail "$parts hidden files left behind"
[ "$status" = 0 ] || fail "exit status $status after SIGTERM"
tail -n 1 "$work/stdout.txt" | grep -qx 'Watch folder conversion disarmed.' ||
    fail "last line is not the disarm line"
growth=$((rss_end - rss_arrived))
[ "$growth" -le "$rss_slack" ] || fail "VmRSS grew by $growth kB while the queue drained"
rss_first=$(awk 'NR == 3 { print $2 }' "$work/memory.txt")

echo "files: $files sent over ${arrived} s ($(wc -l <"$work/removed.txt") removed before completion), $size bytes each"
echo "converted: $(wc -l <"$work/converted.txt") lines, $(converted) destinations; all done after ${drained} s"
echo "memory: VmRSS ${rss_first} kB at start, ${rss_arrived} kB after the last arrival, ${rss_end} kB at the end (growth ${growth} kB); peak VmHWM ${hwm} kB"
echo "SIGTERM: exit status $status after ${stop_ms} ms"
if [ "$failures" -eq 0 ]; then
    echo "soak: PASS"
else
    echo "soak: $failures check(s) FAILED (work files kept in $work)"
    trap - EXIT
    [ -n "$watch_pid" ] && kill -KILL "$watch_pid" 2>/dev/null
fi
exit $((failures > 0))
