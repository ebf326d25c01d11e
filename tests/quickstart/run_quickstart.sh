#!/usr/bin/env bash
# Runs the README's Quick start blocks as written, one after the other in one shell, in a
# home of its own and without a display, then checks what they should have left behind.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
# The blocks build and run in build/, as the README says; another build folder would
# rebuild that one instead of testing itself.
if [ "$(cd "${1:-build}" && pwd)" != "$root/build" ]; then
    echo "the Quick start runs in build/ only"
    exit 77
fi
if [ ! -d ../shared/testdata/stl ]; then
    echo "../shared/testdata is not beside the project"
    exit 77
fi

block() {
    awk -v mark="<!-- quick-start: $1 -->" '
        $0 == mark { found = 1; next }
        found && /^```sh/ { inside = 1; next }
        inside && /^```/ { exit }
        inside { print }' README.md
}
headless=$(block headless)
window=$(block window)
[ -n "$headless" ] && [ -n "$window" ] || { echo "Quick start blocks not found"; exit 1; }

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_RUNTIME_DIR="$home/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset XDG_CONFIG_HOME XDG_STATE_HOME CAPLIN_REGISTRY DISPLAY WAYLAND_DISPLAY

output=$(bash -e -c "$headless
$window
echo \"registry=\$CAPLIN_REGISTRY\"
echo \"state=\$XDG_STATE_HOME\"" 2>&1) || { echo "$output"; echo "a Quick start command failed"; exit 1; }
echo "$output"

registry=$(echo "$output" | sed -n 's/^registry=//p')
fail() { echo "FAILED: $1"; exit 1; }
echo "$output" | grep -q '^Info 305: GSI - Language Code : 09$' || fail "the converted file's language"
echo "$output" | grep -q '^Watch folder conversion disarmed\.$' || fail "the watch run's last line"
grep -q '"FormTop"=dword:' "$registry" || fail "the window did not save at its close"
grep -q '"WatchFoldersCount"=dword:00000001' "$registry" || fail "the watch folder was lost"
state=$(echo "$output" | sed -n 's/^state=//p')
[ -n "$(ls "$state/caplin/logs/" 2>/dev/null)" ] || fail "no daily file in the Quick start's own folder"
[ ! -e "$home/.local/state" ] || fail "the Quick start wrote into the user's state folder"
echo "Quick start: PASS"
