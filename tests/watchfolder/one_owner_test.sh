#!/usr/bin/env bash
# Two `caplin-cli watch` processes on one settings file and one watch folder, as on two
# machines sharing it. 1. 1,000 files landing over 10 s are each converted exactly once, by
# the process that owns the folder, while the other stands by. 2. With the processed files
# moved away, the owner is killed half way: the other takes the folder over within two
# intervals and delivers every file; only the one under way at the kill may be converted
# again.
set -uo pipefail
build=$1
cli=$build/bin/caplin-cli
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
template=$source_dir/../shared/testdata/stl/asticode__go-astisub/example-in.stl
[ -x "$cli" ] || { echo "caplin-cli is not built in $build"; exit 77; }
[ -f "$template" ] || { echo "../shared/testdata is not beside the project"; exit 77; }

files=1000
batches=100        # landing one batch every 0.1 s: 10 s
interval=200       # WatchFolderCheckIntervalMS
deadline=300       # seconds for every file to be delivered

work=$(mktemp -d)
watchers=()
cleanup() {
    for pid in "${watchers[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work XDG_RUNTIME_DIR=$work/run CAPLIN_REGISTRY=$work/registry.reg
unset XDG_CONFIG_HOME XDG_STATE_HOME CAPLIN_TRACE
mkdir -m 700 "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAILED ($scenario): $*"; failures=$((failures + 1)); }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# One watch folder in/ converting into out/; with move=1 the sources go to moved/ and a
# destination that exists is replaced (the file under way at a kill may be delivered twice).
settings() {
    local move=$1
    rm -rf "$work/in" "$work/out" "$work/moved" "$work/staging" "$work"/*.log
    mkdir -p "$work/in" "$work/out" "$work/moved"
    cat >"$CAPLIN_REGISTRY" <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder]
"WatchFoldersCount"=dword:00000001
"WatchFolderCheckIntervalMS"=dword:$(printf '%08x' $interval)

[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder\\WF_0]
"WatchFolder"="$work/in"
"DestinationFolder"="$work/out"
"LanguageSource"=dword:00000001
"LanguagePredefined"="09"
"OverrideDestination"=dword:0000000$move
"MoveProcessedFiles"=dword:0000000$move
"MoveProcessedFilesFolder"="$work/moved"
EOF
    # Every file made beforehand, in batch folders on the same file system: landing is a
    # rename, as a careful sender delivers.
    local folders=() names=()
    for ((b = 0; b < batches; b++)); do folders+=("$work/staging/$b"); done
    for ((n = 0; n < files; n++)); do names+=("$work/staging/$((n % batches))/f$n.stl"); done
    mkdir -p "${folders[@]}"
    tee "${names[@]}" <"$template" >/dev/null
}

start() {
    "$cli" watch >"$work/1.log" 2>&1 &
    watchers=($!)
    "$cli" watch >"$work/2.log" 2>&1 &
    watchers+=($!)
    owner=""
    for _ in $(seq 200); do
        for n in 1 2; do
            grep -q "standing by\.$" "$work/$n.log" 2>/dev/null && owner=$((3 - n)) && break 2
        done
        sleep 0.05
    done
    [ -n "$owner" ] || { fail "neither watcher stands by"; cat "$work"/*.log; return 1; }
    standby=$((3 - owner))
    owner_pid=${watchers[$((owner - 1))]}
    standby_pid=${watchers[$((standby - 1))]}
    grep -q "^Warning - Watch folder $work/in is armed by .* (pid $owner_pid); standing by\.$" \
        "$work/$standby.log" || fail "the standby does not name the owner: $(cat "$work/$standby.log")"
}

land() {
    for ((b = 0; b < batches; b++)); do
        mv "$work/staging/$b"/*.stl "$work/in/"
        sleep 0.1
    done
}

count() { ls "$1" | grep -c '\.stl$'; }
converting() { cat "$@" | grep '^Converting STL file : ' | sed 's|.*/||'; }

stop() { # pid...
    for pid in "$@"; do
        kill -TERM "$pid" 2>/dev/null
        wait "$pid" || fail "watcher $pid ended with status $?"
    done
}

# 1. One owner converts everything, once.
scenario=owner
settings 0
start || exit 1
began=$(now_ms)
land
for ((s = 0; s < deadline * 10; s++)); do
    [ "$(count "$work/out")" -ge $files ] && break
    sleep 0.1
done
delivered=$(($(now_ms) - began))
stop "$standby_pid" "$owner_pid"
[ "$(count "$work/out")" -eq $files ] || fail "$(count "$work/out") of $files files delivered"
[ "$(converting "$work"/[12].log | wc -l)" -eq $files ] ||
    fail "$(converting "$work"/[12].log | wc -l) conversions for $files files"
[ "$(converting "$work"/[12].log | sort -u | wc -l)" -eq $files ] || fail "a file converted twice"
[ "$(converting "$work/$standby.log" | wc -l)" -eq 0 ] || fail "the standby converted files"
[ "$(grep -c 'standing by\.$' "$work/$standby.log")" -eq 1 ] || fail "standing by said more than once"
grep -q '^Error' "$work"/[12].log && fail "errors: $(grep '^Error' "$work"/[12].log | head -3)"
echo "owner: $files files delivered $delivered ms after the first landed"

# 2. The owner killed half way; the other takes over and delivers the rest.
scenario=takeover
settings 1
start || exit 1
land &
lander=$!
sleep $((batches / 20)) # half of the landing
{ kill -KILL "$owner_pid" && wait "$owner_pid"; } 2>/dev/null
killed=$(now_ms)
took=""
for _ in $(seq 1000); do
    grep -q "^Info - Watch folder $work/in taken over\.$" "$work/$standby.log" && took=$(($(now_ms) - killed)) && break
    sleep 0.01
done
wait "$lander"
for ((s = 0; s < deadline * 10; s++)); do
    [ "$(count "$work/moved")" -ge $files ] && [ "$(count "$work/in")" -eq 0 ] && break
    sleep 0.1
done
stop "$standby_pid"
if [ -z "$took" ]; then
    fail "no take-over logged within 10 s"
elif [ "$took" -gt $((2 * interval + 300)) ]; then
    fail "taken over $took ms after the kill (interval $interval ms)"
fi
[ "$(count "$work/out")" -eq $files ] || fail "$(count "$work/out") of $files files delivered"
[ "$(count "$work/moved")" -eq $files ] || fail "$(count "$work/moved") of $files sources moved"
[ "$(count "$work/in")" -eq 0 ] || fail "$(count "$work/in") sources left in the watch folder"
again=$(converting "$work"/[12].log | sort | uniq -d)
under_way=$(converting "$work/$owner.log" | tail -n 1)
[ -z "$again" ] || [ "$again" = "$under_way" ] ||
    fail "converted again: $(echo "$again" | head -3) (under way at the kill: $under_way)"
grep -q '^Error' "$work"/[12].log && fail "errors: $(grep '^Error' "$work"/[12].log | head -3)"
echo "take-over: $took ms after the kill (interval $interval ms);" \
    "$(converting "$work/$owner.log" | wc -l) files by the killed owner," \
    "$(converting "$work/$standby.log" | wc -l) by the other; under way at the kill:" \
    "$under_way, converted again: ${again:-none}"

[ "$failures" -eq 0 ] || exit 1
echo "one owner per watch folder: PASS"
