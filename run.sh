#!/usr/bin/env bash
# Installs what is missing, builds Caplin in build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh build
if [ -x build/bin/caplin ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting the window under xvfb-run."
    exec xvfb-run -a build/bin/caplin "$@"
  fi
  exec build/bin/caplin "$@"
fi
echo "The window is not built yet; showing the command line instead."
exec build/bin/caplin-cli --help
