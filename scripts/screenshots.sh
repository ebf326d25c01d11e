#!/usr/bin/env bash
# Takes the README's screenshots into docs/, on a virtual display of 1280 x 1024 with the
# window's own font; needs the build (build/bin/ui_screenshots) and ../shared/testdata.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build >/dev/null
xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/ui_screenshots docs ../shared/testdata/stl
ls -l docs/*.png
