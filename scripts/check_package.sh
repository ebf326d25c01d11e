#!/usr/bin/env bash
# Checks the package scripts/package.sh built: its contents (dpkg-deb -c), lintian, and, run as
# root, that it installs with apt, that its programs, manual page and service work from the
# installed files, and that removing it leaves nothing of it in /usr and keeps the settings.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(ls caplin_*_amd64.deb | head -n 1)
fail() { echo "FAILED: $*" >&2; exit 1; }

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for path in ./usr/bin/caplin ./usr/bin/caplin-cli \
    ./usr/share/man/man1/caplin.1.gz ./usr/share/man/man1/caplin-cli.1.gz \
    ./usr/share/applications/caplin.desktop \
    ./usr/share/metainfo/com.velmora.caplin.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/caplin.svg \
    ./usr/share/icons/hicolor/48x48/apps/caplin.png \
    ./usr/share/icons/hicolor/256x256/apps/caplin.png \
    ./usr/share/bash-completion/completions/caplin-cli \
    ./usr/lib/systemd/user/caplin-watch.service \
    ./usr/share/doc/caplin/copyright ./usr/share/doc/caplin/changelog.gz; do
    grep -qxF "$path" <<<"$contents" || fail "$deb lacks $path"
done
echo "contents: every file in place"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no dependency on Qt computed"
dpkg-deb -f "$deb" Depends | grep -q libsystemd0 || fail "no dependency on libsystemd computed"

# lintian's errors fail the check; its warnings are printed for a reader.
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" || fail "lintian reports errors"
echo "lintian: no error"

if [ "$(id -u)" -ne 0 ]; then
    echo "not root: the install and removal are not tried"
    exit 0
fi
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$deb" >/dev/null
caplin-cli --version | grep -qx "caplin-cli [0-9.]*" || fail "caplin-cli --version"
man -w caplin-cli >/dev/null || fail "man caplin-cli finds no page"
man caplin-cli 2>&1 >/dev/null | grep . && fail "man caplin-cli warns"
unit=/usr/lib/systemd/user/caplin-watch.service
grep -q "^ExecStart=/usr/bin/caplin-cli watch" "$unit" || fail "the service does not run /usr/bin/caplin-cli"
# systemctl --user needs the user's service manager, which a login session has; a build
# container has none. systemd's own parser needs only a runtime folder; it reports a value it
# cannot parse without failing, so any output fails the check.
if systemctl --user cat caplin-watch.service >/dev/null 2>&1; then
    echo "systemctl --user cat caplin-watch.service: ok"
fi
if command -v systemd-analyze >/dev/null; then
    runtime=$(mktemp -d)
    report=$(XDG_RUNTIME_DIR=$runtime systemd-analyze --user verify "$unit" 2>&1) ||
        fail "systemd-analyze verify $unit: $report"
    rm -rf "$runtime"
    [ -z "$report" ] || fail "systemd-analyze verify $unit: $report"
    echo "systemd-analyze --user verify: the unit is clean"
else
    echo "systemd-analyze is not installed (package systemd): the unit is not verified"
fi

# The settings of a user survive the removal.
home=$(mktemp -d)
HOME=$home caplin-cli watch-folders add /srv/in /srv/out >/dev/null
apt-get remove -y -qq caplin >/dev/null
left=$(find /usr -path '*caplin*' 2>/dev/null | grep -v -e "^$PWD" || true)
[ -z "$left" ] || fail "left in /usr after removal: $left"
[ -s "$home/.config/caplin/registry.reg" ] || fail "the user's settings went with the package"
rm -rf "$home"
echo "installed, used and removed: nothing left in /usr, settings kept"
