#!/usr/bin/env bash
# `cmake --install` into a scratch folder (DESTDIR), as a package would be built: the
# installed caplin-cli runs, the desktop entry, the AppStream file, the manual pages and the
# service unit pass their validators.
set -euo pipefail
build=$1
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# The prefix the build was configured for: the service names the caplin-cli of that prefix.
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
DESTDIR=$root cmake --install "$build" >/dev/null
cli=$root$prefix/bin/caplin-cli
"$cli" --version | grep -qx "caplin-cli [0-9.]*" || fail "installed caplin-cli --version"
if [ -d "$source_dir/../shared/testdata/stl" ]; then
    "$cli" info "$source_dir/../shared/testdata/stl/asticode__go-astisub/example-in.stl" |
        grep -q "^TTI blocks: " || fail "installed caplin-cli info"
fi

share=$root$prefix/share
if [ -e "$share/applications/caplin.desktop" ]; then
    desktop-file-validate "$share/applications/caplin.desktop" || fail "desktop entry"
    appstreamcli validate --no-net --pedantic "$share/metainfo/com.velmora.caplin.metainfo.xml" \
        >/dev/null || fail "metainfo"
fi
for page in "$share"/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
unit=$root$prefix/lib/systemd/user/caplin-watch.service
[ -e "$unit" ] || fail "no watch service"
grep -q "^ExecStart=$prefix/bin/caplin-cli watch" "$unit" || fail "the service runs another caplin-cli"
# systemd's own parser, on a copy that runs the caplin-cli installed here and finds the manual
# page installed here. It needs no running systemd, only a runtime folder of its own; it
# reports a value it cannot parse without failing, so any output fails the test.
if command -v systemd-analyze >/dev/null; then
    mkdir "$root/verify" "$root/runtime"
    sed "s|^ExecStart=$prefix/bin/caplin-cli|ExecStart=$cli|" "$unit" \
        >"$root/verify/caplin-watch.service"
    report=$(XDG_RUNTIME_DIR=$root/runtime MANPATH=$share/man \
        systemd-analyze --user verify "$root/verify/caplin-watch.service" 2>&1) ||
        fail "systemd-analyze verify: $report"
    [ -z "$report" ] || fail "systemd-analyze verify: $report"
    echo "systemd-analyze --user verify: the unit is clean"
else
    echo "systemd-analyze is not installed (package systemd): the unit is not verified"
fi
echo "installed into $root: every check passed"
