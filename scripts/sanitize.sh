#!/usr/bin/env bash
# The sanitizer job, run after ./test.sh: the core tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the watch-folder tests under ThreadSanitizer. Only the
# test programs are built (no window, no benchmarks), so it stays within a few minutes on
# two cores.
#
#   scripts/sanitize.sh [ASAN_DIR] [TSAN_DIR]      defaults: build-sanitize, build-tsan
set -euo pipefail
cd "$(dirname "$0")/.."
asan_dir=${1:-build-sanitize}
tsan_dir=${2:-build-tsan}
jobs=$(nproc)
core_tests=(test_platform test_stl test_lang test_qc test_convert test_logs test_watchfolder test_playlist
            test_cli)

configure() { # dir options...
  local dir=$1
  shift
  [ -f "$dir/CMakeCache.txt" ] ||
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCAPLIN_GUI=OFF \
      -DCAPLIN_BENCH=OFF "$@"
}

start=$SECONDS
echo "== ASan + UBSan: core tests ($asan_dir)"
configure "$asan_dir" -DCAPLIN_SANITIZE=ON
cmake --build "$asan_dir" -j "$jobs" --target "${core_tests[@]}"
(
  cd "$asan_dir"
  ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs" --timeout 600 \
      -L '^(platform|stl|lang|qc|convert|logs|watchfolder|playlist|cli)$'
)
echo "== ASan + UBSan done after $((SECONDS - start)) s"

echo "== TSan: watch-folder tests ($tsan_dir)"
configure "$tsan_dir" -DCAPLIN_TSAN=ON
cmake --build "$tsan_dir" -j "$jobs" --target test_watchfolder
(
  cd "$tsan_dir"
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --output-on-failure -j "$jobs" --timeout 600 -L '^watchfolder$'
)
echo "== sanitizer job done after $((SECONDS - start)) s"
