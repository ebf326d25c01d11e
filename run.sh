#!/usr/bin/env bash
# Installs what is missing, builds Caplin in build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh build
if [ -x build/bin/caplin ]; then
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/bin/caplin "$@"
  fi
  # No display: a virtual one (Xvfb) in a session of its own, so that Ctrl+C or a SIGTERM
  # reach the window first and it saves its settings before the display goes away.
  echo "No display: starting the window on a virtual X display (Xvfb)."
  number=$(mktemp)
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" 2>/dev/null &
  xvfb=$!
  trap 'kill "$xvfb" 2>/dev/null; rm -f "$number"' EXIT
  for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
  [ -s "$number" ] || { echo "Xvfb did not start." >&2; exit 1; }
  DISPLAY=:$(head -n 1 "$number") build/bin/caplin "$@" &
  caplin=$!
  trap 'kill -TERM "$caplin" 2>/dev/null' INT TERM
  status=0
  while kill -0 "$caplin" 2>/dev/null; do
    wait "$caplin" && status=0 || status=$?
  done
  exit "$status"
fi
echo "The window is not built yet; showing the command line instead."
exec build/bin/caplin-cli --help
