#!/usr/bin/env bash
# How fast `caplin-cli watch` drains a burst (not run by ./test.sh): FILES small STL files
# (default 3000) land in three watch folders at once, moved in from a staging folder on the
# same file system, while the command runs. Measured from the last landing to the last
# converted file: the files still to convert at the last landing, divided by that time, is the
# drain rate. Each file must be converted exactly once, without an Error line.
#
#   bench/watch_burst.sh
#
# BUILD (default build/), INTERVAL_MS (the check interval, default 1000), WORK_BASE (default
# $TMPDIR or /tmp), TEMPLATE (a real STL file) and LIMIT (the least drain rate in files a
# second, default 500) can be set. Exit status 0 when every check passed, 1 otherwise.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
files=${FILES:-3000}
interval=${INTERVAL_MS:-1000}
limit=${LIMIT:-500}
template=${TEMPLATE:-$root/../shared/testdata/stl/tytouf__ebustl-rs/test.stl}
cli=$build/bin/caplin-cli

[ -x "$cli" ] || { echo "missing $cli: run scripts/build.sh first" >&2; exit 2; }
[ -f "$template" ] || { echo "no template STL file at $template (set TEMPLATE)" >&2; exit 2; }

work=$(mktemp -d "${WORK_BASE:-${TMPDIR:-/tmp}}/caplin-burst.XXXXXX")
watch_pid=
cleanup() {
    [ -n "$watch_pid" ] && kill -KILL "$watch_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/logs"
for n in 0 1 2; do mkdir -p "$work/in$n" "$work/out$n" "$work/stage$n"; done

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
    done
} >"$CAPLIN_REGISTRY"

for ((i = 0; i < files; ++i)); do
    cp "$template" "$work/stage$((i % 3))/$(printf 'f%06d.stl' "$i")"
done

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
converted() { find "$work"/out[012] -name '*.stl' | wc -l; }

"$cli" watch >"$work/stdout.txt" 2>"$work/stderr.txt" &
watch_pid=$!
sleep 1
kill -0 "$watch_pid" 2>/dev/null || { echo "caplin-cli watch did not start:"; cat "$work/stderr.txt"; exit 1; }

first=$(now_ms)
for n in 0 1 2; do
    find "$work/stage$n" -name '*.stl' -exec mv -t "$work/in$n" {} +
done
landed=$(now_ms)
left=$((files - $(converted)))
while [ "$(converted)" -lt "$files" ] && [ $(( $(now_ms) - landed )) -lt 120000 ]; do
    sleep 0.02
done
done_ms=$(now_ms)
sleep "$(( interval / 1000 + 1 ))" # one more scan: nothing may come up again
kill -TERM "$watch_pid"
wait "$watch_pid"
watch_pid=

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
lines=$(grep -c '^Converting STL file : ' "$work/stdout.txt")
unique=$(grep '^Converting STL file : ' "$work/stdout.txt" | sort -u | wc -l)
[ "$lines" -eq "$files" ] || fail "$lines conversions for $files files"
[ "$unique" -eq "$files" ] || fail "$((lines - unique)) files converted more than once"
[ "$(converted)" -eq "$files" ] || fail "$(converted) destinations, $files expected"
errors=$(grep -c '^Error - ' "$work/stdout.txt")
[ "$errors" -eq 0 ] || { fail "$errors Error lines"; grep -m5 '^Error - ' "$work/stdout.txt"; }

drain=$((done_ms - landed))
rate=$(( drain > 0 ? left * 1000 / drain : left * 1000 ))
echo "files: $files landed in $((landed - first)) ms in 3 folders, check interval $interval ms"
echo "drain: $left still to convert at the last landing, all converted $drain ms later: $rate files/s"
[ "$rate" -ge "$limit" ] || fail "drain rate $rate files/s, below $limit"
if [ "$failures" -eq 0 ]; then echo "burst: PASS"; else echo "burst: $failures check(s) FAILED"; fi
exit $((failures > 0))
