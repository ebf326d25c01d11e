#!/usr/bin/env bash
# `cmake --install` into a scratch folder (DESTDIR), as a package would be built: the
# installed caplin-cli runs, the desktop entry, the AppStream file and the manual pages pass
# their validators.
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
echo "installed into $root: every check passed"
