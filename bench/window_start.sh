#!/usr/bin/env bash
# Start-up time of the window (not run by ./test.sh): a settings file holding COUNT watch
# folders and COUNT playlist-check entries (default 100 each), then `caplin` started RUNS times
# (default 5) on a private Xvfb display. Each time is measured from the fork of the process to
# the moment its main window is mapped and visible, then the window gets SIGTERM and must save
# and end. Needs xvfb and xdotool (apt-get install xvfb xdotool).
#
#   bench/window_start.sh
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
count=${COUNT:-100}
runs=${RUNS:-5}
caplin=$build/bin/caplin
[ -x "$caplin" ] || { echo "missing $caplin: run scripts/build.sh first" >&2; exit 2; }
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb xdotool)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/caplin-start.XXXXXX")
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

key='HKEY_CURRENT_USER\Software\Velmora\Caplin'
{
    printf 'Windows Registry Editor Version 5.00\n\n[%s]\n' "$key"
    printf '"LogsOutputFolder"="%s/"\n"MessagesOutputFolder"="%s/"\n' "$work" "$work"
    printf '\n[%s\\WatchFolder]\n"WatchFoldersCount"=dword:%08x\n' "$key" "$count"
    for ((n = 0; n < count; ++n)); do
        printf '\n[%s\\WatchFolder\\WF_%d]\n' "$key" "$n"
        printf '"WatchFolder"="/srv/in/%d/"\n"DestinationFolder"="/srv/out/%d/"\n' "$n" "$n"
        printf '"Comment"="channel %d"\n"LanguageSource"=dword:00000001\n' "$n"
        printf '"LanguagePredefined"="09"\n"TapeIDSource"=dword:00000000\n'
    done
    printf '\n[%s\\PlaylistsCheck]\n"PlaylistsCheckListCount"=dword:%08x\n' "$key" "$count"
    for ((n = 0; n < count; ++n)); do
        printf '\n[%s\\PlaylistsCheck\\PC_%d]\n' "$key" "$n"
        printf '"PlaylistsFolder"="/srv/lists/%d/"\n"SubtitlesFolder"="/srv/subs/%d/"\n' "$n" "$n"
        printf '"Comment"="channel %d"\n"MissingsLogFolder"="%s/"\n' "$n" "$work"
        printf '\n[%s\\PlaylistsCheck\\PC_%d\\Languages]\n"LangsCount"=dword:00000002\n' "$key" "$n"
        printf '"Lang0"=dword:00000009\n"Lang1"=dword:0000000f\n'
    done
} >"$work/registry.reg"
export CAPLIN_REGISTRY=$work/registry.reg XDG_RUNTIME_DIR=$work

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

failures=0
times=()
for ((run = 1; run <= runs; ++run)); do
    start=$(date +%s%N)
    "$caplin" >"$work/out.txt" 2>&1 &
    pid=$!
    # Polled every 10 ms: `xdotool search --sync` waits half a second between its tries.
    shown=
    for _ in $(seq 1000); do
        if xdotool search --onlyvisible --pid "$pid" --name '^Caplin' >/dev/null 2>&1; then
            shown=yes
            break
        fi
        sleep 0.01
    done
    [ -n "$shown" ] || { echo "run $run: no window within 10 s"; failures=$((failures + 1)); }
    shown_ms=$(( ($(date +%s%N) - start) / 1000000 ))
    times+=("$shown_ms")
    kill -TERM "$pid"
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] || { echo "run $run: exit status $status after SIGTERM"; failures=$((failures + 1)); }
done
# The settings came through the runs: every entry is still stored.
grep -c '^\[.*\\WF_[0-9]*\]$' "$work/registry.reg" | grep -qx "$count" ||
    { echo "watch folders lost from the settings file"; failures=$((failures + 1)); }
grep -c '^\[.*\\PC_[0-9]*\]$' "$work/registry.reg" | grep -qx "$count" ||
    { echo "playlist-check entries lost from the settings file"; failures=$((failures + 1)); }

sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "window with $count watch folders and $count playlist-check entries shown after: ${times[*]} ms"
echo "median $(echo "$sorted" | sed -n "$(( (runs + 1) / 2 ))p") ms, max $(echo "$sorted" | tail -n 1) ms"
exit $((failures > 0))
