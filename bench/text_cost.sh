#!/usr/bin/env bash
# What printing the subtitles costs: `caplin-cli text` over FILES files of BLOCKS blocks
# (default 1,000 of 1,000) in one process, output to /dev/null, and the same with --json.
# Prints the medians of ROUNDS rounds (default 9) with the cost per block; exits 1 when the
# text form takes LIMIT seconds or more (default 1).
#
#   bench/text_cost.sh
#   FILES=200 BLOCKS=500 ROUNDS=5 bench/text_cost.sh
#
# BUILD (default build/), WORK_BASE (default $TMPDIR or /tmp) and TEMPLATE (a real STL file
# whose blocks are repeated; by default a teletext file of accented text in double-height
# boxes) can be set as well.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/timing.sh"
build=${BUILD:-$root/build}
files=${FILES:-1000}
blocks=${BLOCKS:-1000}
rounds=${ROUNDS:-9}
limit=${LIMIT:-1}
template=${TEMPLATE:-$root/../shared/testdata/stl/tytouf__ebustl-rs/test.stl}
cli=$build/bin/caplin-cli
generator=$build/bin/make_stl_batch

require_programs "$cli" "$generator"
[ -f "$template" ] || { echo "no template STL file at $template (set TEMPLATE)" >&2; exit 2; }

work=$(mktemp -d "${WORK_BASE:-${TMPDIR:-/tmp}}/caplin-text-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$generator" "$template" "$work/src" "$files" "$blocks" >/dev/null
sources=("$work"/src/*.stl)

cat "${sources[@]}" >/dev/null # every run reads its sources from the page cache
lines=$("$cli" text "${sources[@]}" | wc -l)
bytes=$("$cli" text "${sources[@]}" | wc -c)
jsonBytes=$("$cli" text --json "${sources[@]}" | wc -c)
text=()
json=()
for ((round = 1; round <= rounds; round++)); do
    text+=("$(elapsed "$cli" text "${sources[@]}")")
    json+=("$(elapsed "$cli" text --json "${sources[@]}")")
done
textTime=$(median "${text[@]}")
jsonTime=$(median "${json[@]}")
perBlock() { awk -v t="$1" -v n=$((files * blocks)) 'BEGIN { printf "%.0f", t / n * 1e9 }'; }
echo "median of $rounds rounds, $files files of $blocks blocks ($lines lines, $bytes bytes of text; $jsonBytes bytes of JSON)"
echo "caplin-cli text: $textTime s, $(perBlock "$textTime") ns a block (whole process, limit $limit s)"
echo "caplin-cli text --json: $jsonTime s, $(perBlock "$jsonTime") ns a block (whole process)"
awk -v t="$textTime" -v l="$limit" 'BEGIN { exit !(t < l) }'
