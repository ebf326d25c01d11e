#!/usr/bin/env bash
# Converting a batch of STL files against copying the same files: the whole
# `caplin-cli convert` run may take at most twice as long as `cp` into an empty folder
# on the same disk. Prints both times (best of RUNS, default 5) and their ratio; exits 1
# when the ratio is above LIMIT (default 2.0).
#
#   bench/convert_vs_cp.sh            # 1000 files of 1000 blocks
#   FILES=200 BLOCKS=500 RUNS=5 bench/convert_vs_cp.sh
#
# BUILD (default build/), WORK_BASE (folder for the work files, default $TMPDIR or /tmp),
# TEMPLATE (a real STL file whose blocks are repeated) can be set as well; HEX=0 leaves
# the hex find-and-replace list empty.
#
# On ext4 without a journal, creating files is much slower for a few minutes after many
# were deleted in the same place (this script deletes its files when it ends): leave some
# minutes between runs, or the figures of both commands grow and the ratio shrinks.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
files=${FILES:-1000}
blocks=${BLOCKS:-1000}
runs=${RUNS:-5}
limit=${LIMIT:-2.0}
hex=${HEX:-1}
template=${TEMPLATE:-$root/../shared/testdata/stl/tytouf__ebustl-rs/test.stl}
cli=$build/bin/caplin-cli
generator=$build/bin/make_stl_batch

for program in "$cli" "$generator"; do
    [ -x "$program" ] || { echo "missing $program: run scripts/build.sh first" >&2; exit 2; }
done
"$cli" convert --help >/dev/null 2>&1 || { echo "$cli has no convert command" >&2; exit 2; }
[ -f "$template" ] || { echo "no template STL file at $template (set TEMPLATE)" >&2; exit 2; }

work=$(mktemp -d "${WORK_BASE:-${TMPDIR:-/tmp}}/caplin-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/logs"

"$generator" "$template" "$work/src" "$files" "$blocks"
sources=("$work"/src/*.stl)

# Batch settings that touch every part of the conversion: the tape ID and the language
# cut out of the file name and checked, header fields rewritten, the zero-page test and
# two hex substitutions on every block.
export CAPLIN_REGISTRY=$work/registry.reg
export CAPLIN_TRACE=$work/trace.log
cat >"$CAPLIN_REGISTRY" <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]
"LogsOutputFolder"="$work/logs"
"MessagesOutputFolder"="$work/logs"

[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch]
"DestinationFolder"="$work/unused"
"TapeIDSource"=dword:00000002
"LanguageSource"=dword:00000002
"PerformLanguageCheck"=dword:00000000
"RemoveZeroPage"=dword:00000001
"ZeroPageKeyWord"="ZERO PAGE"
"TimeCodeStartOfProgrammeSource"=dword:00000001
"TimeCodeStartOfProgramme"="10000000"
"CodePageNumberSource"=dword:00000002
"CharacterCodeTableNumberSource"=dword:00000001
"DisplayStandardCodeSource"=dword:00000003
"OverrideDestination"=dword:00000000
"MoveProcessedFiles"=dword:00000000

[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch\\SubtitleFileType]
"SubTypesCount"=dword:00000001
"SubType_Name_0"="Tape and language"
"SubType_CharsCount_0"=dword:00000010
"SubType_TapeIDParseStringStartPosition_0"=dword:00000001
"SubType_TapeIDParseStringCharsCount_0"=dword:00000008
"SubType_LanguageParseStringStartPosition_0"=dword:0000000a
"SubType_LanguageParseStringCharsCount_0"=dword:00000002

[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch\\HexFindReplace]
"HexFindAndReplaceCount"=dword:0000000$((hex ? 2 : 0))
"HexFindReplace_NumBytes_0"=dword:00000001
"HexFindReplace_FindHex_0"=dword:0000008a
"HexFindReplace_ReplaceHex_0"=dword:0000008b
"HexFindReplace_NumBytes_1"=dword:00000002
"HexFindReplace_FindHex_1"=dword:00000b0b
"HexFindReplace_ReplaceHex_1"=dword:00000d0d
EOF

# Seconds taken by the command, with microsecond resolution.
seconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $1 $2" >&2; return 1; }
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.6f", ns / 1e9 }'
}

# The smaller of two times ("" counts as none).
smaller() {
    if [ -z "$2" ] || awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; then echo "$1"; else echo "$2"; fi
}

# Each run writes into a new, empty folder, and nothing is deleted until the end: on ext4
# creating files right after deleting many is much slower, which would blur the figures.
# The two commands take turns, so a busy moment of the machine hits both; the best run of
# each counts.
cat "${sources[@]}" >/dev/null # both read their sources from the page cache
convert=""
copy=""
for ((run = 1; run <= runs; run++)); do
    mkdir "$work/converted$run" "$work/copied$run"
    sync
    t=$(seconds "$cli" convert --dest "$work/converted$run" "${sources[@]}")
    convert=$(smaller "$t" "$convert")
    sync
    t=$(seconds cp "${sources[@]}" "$work/copied$run")
    copy=$(smaller "$t" "$copy")
    for name in converted$run copied$run; do
        count=$(find "$work/$name" -name '*.stl' | wc -l)
        [ "$count" -eq "$files" ] || { echo "$name holds $count files, not $files" >&2; exit 1; }
    done
done
ratio=$(awk -v a="$convert" -v b="$copy" 'BEGIN { printf "%.2f", a / b }')

echo "caplin-cli convert: ${convert} s   cp: ${copy} s   ratio: ${ratio} (limit ${limit}, hex items: $((hex ? 2 : 0)))"
if [ -s "$CAPLIN_TRACE" ]; then
    echo "trace lines written during the runs:" >&2
    head -5 "$CAPLIN_TRACE" >&2
fi
awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r <= l) }'
