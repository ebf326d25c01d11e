#!/usr/bin/env bash
# Builds the Debian package caplin_<version>_amd64.deb with CPack, from the same install
# rules as `cmake --install`, in build-package/ (installing under /usr), and leaves it in the
# project's root folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
dir=build-package
if [ ! -f "$dir/CMakeCache.txt" ]; then
    # The install does not build everything first: only the programs and the files it ships.
    # -O2 as every build here (and stripped): GCC 12 warns falsely about std::string at -O3.
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
        -DCAPLIN_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
fi
cmake --build "$dir" -j "$(nproc)" --target caplin caplin-cli caplin_packaging_files
rm -f "$dir"/caplin_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
cp "$dir"/caplin_*_amd64.deb .
ls caplin_*_amd64.deb
