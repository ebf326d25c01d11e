#!/usr/bin/env bash
# Installs the Debian 12 packages Caplin needs to build, test and run, and only those that
# are missing, so a second run on a ready machine costs a few dpkg queries.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev          # the window (Qt 6 Widgets)
  libgtest-dev libgmock-dev       # core tests
  libcli11-dev                    # caplin-cli argument parsing
  libsystemd-dev                  # caplin-cli watch as a Type=notify service (sd_notify)
  libbenchmark-dev                # bench/
  xvfb xauth                      # starting the window on a machine without a display
  desktop-file-utils appstream    # validating the desktop entry and the AppStream file
  man-db                          # rendering the manual pages (and checking them)
  dpkg-dev lintian                # the Debian package: its dependencies, its checks
  strace                          # the test that reads the order of the flushes
  python3-ttconv                  # an independent STL reader the subtitle text is compared with
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
  else
    SUDO=
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
