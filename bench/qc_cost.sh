#!/usr/bin/env bash
# What the quality check costs: `caplin-cli qc` over FILES files of BLOCKS blocks (default
# 1,000 of 1,000) in one process, with its cost per block, and `caplin-cli convert` of the
# same files with the Batch setting QualityCheck at 0 (off) and at 1 (report findings),
# alternating, each into an empty folder. Prints the medians of ROUNDS rounds (default 9)
# and the overhead of the check on the conversion; exits 1 when it is LIMIT percent or more
# (default 10).
#
#   bench/qc_cost.sh
#   FILES=200 BLOCKS=500 ROUNDS=7 bench/qc_cost.sh
#
# BUILD (default build/), WORK_BASE (default $TMPDIR or /tmp) and TEMPLATE (a real STL file
# whose blocks are repeated) can be set as well.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/timing.sh"
build=${BUILD:-$root/build}
files=${FILES:-1000}
blocks=${BLOCKS:-1000}
rounds=${ROUNDS:-9}
limit=${LIMIT:-10}
template=${TEMPLATE:-$root/../shared/testdata/stl/asticode__go-astisub/example-in.stl}
cli=$build/bin/caplin-cli
generator=$build/bin/make_stl_batch

require_programs "$cli" "$generator"
[ -f "$template" ] || { echo "no template STL file at $template (set TEMPLATE)" >&2; exit 2; }

work=$(mktemp -d "${WORK_BASE:-${TMPDIR:-/tmp}}/caplin-qc-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/logs"
"$generator" "$template" "$work/src" "$files" "$blocks" >/dev/null
sources=("$work"/src/*.stl)

export CAPLIN_REGISTRY=$work/registry.reg
# The language from the settings, everything else kept: the conversion itself stays small,
# so that the check's share shows.
settings() {
    cat >"$CAPLIN_REGISTRY" <<EOF2
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]
"LogsOutputFolder"="$work/logs"
"MessagesOutputFolder"="$work/logs"

[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch]
"DestinationFolder"="$work/unused"
"LanguageSource"=dword:00000001
"LanguagePredefined"="09"
"QualityCheck"=dword:0000000$1
EOF2
}

cat "${sources[@]}" >/dev/null # every command reads its sources from the page cache
settings 0
findings=$("$cli" qc "${sources[0]}" | tail -n 1 || true)
qc=()
off=()
on=()
for ((round = 1; round <= rounds; round++)); do
    qc+=("$(elapsed "$cli" qc "${sources[@]}" 2>/dev/null || true)") # qc exits 1 on an Error
    # The order of the two conversions turns each round.
    for check in $((round % 2)) $(((round + 1) % 2)); do
        rm -rf "$work/out"
        mkdir "$work/out"
        sync
        settings "$check"
        t=$(elapsed "$cli" convert --dest "$work/out" "${sources[@]}" 2>/dev/null || true)
        if [ "$check" = 1 ]; then on+=("$t"); else off+=("$t"); fi
    done
done
qcTime=$(median "${qc[@]}")
offTime=$(median "${off[@]}")
onTime=$(median "${on[@]}")
perBlock=$(awk -v t="$qcTime" -v n=$((files * blocks)) 'BEGIN { printf "%.0f", t / n * 1e9 }')
overhead=$(awk -v a="$onTime" -v b="$offTime" 'BEGIN { printf "%.1f", (a / b - 1) * 100 }')
echo "median of $rounds rounds, $files files of $blocks blocks (each file: $findings)"
echo "caplin-cli qc: $qcTime s, $perBlock ns a block (whole process)"
echo "caplin-cli convert: check off $offTime s, check on (report) $onTime s: +$overhead % (limit $limit %)"
awk -v o="$overhead" -v l="$limit" 'BEGIN { exit !(o < l) }'
