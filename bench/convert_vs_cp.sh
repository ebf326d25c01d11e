#!/usr/bin/env bash
# Converting a batch of STL files against delivering the same files unchanged: the whole
# `caplin-cli convert` run, `durable_copy` (each file written under a hidden name, flushed,
# renamed into place, its folder flushed: the least a durable delivery costs) and `cp`, each
# one process over the whole set, into an empty folder on the same disk. Two sets:
#
#   many   FILES files of BLOCKS blocks (default 1,000 of 1,000) built from TEMPLATE
#   small  COPIES copies (default 300) of the largest STL file of the test data
#
# Prints, per set, the median of ROUNDS rounds (default 5) of each command and the ratios
# convert/durable and convert/cp; exits 1 when convert/durable of either set is above LIMIT
# (default 1.15).
#
#   bench/convert_vs_cp.sh                  # tape ID and language from the file name,
#                                           # zero-page test, two hex items
#   HEX=0 NOZERO=1 bench/convert_vs_cp.sh   # blocks pass unchanged
#
# BUILD (default build/), WORK_BASE (folder for the work files, default $TMPDIR or /tmp),
# TEMPLATE (a real STL file whose blocks are repeated) and TESTDATA (where the largest file
# is looked for) can be set as well.
#
# On ext4, creating files is much slower for a few minutes after many were deleted in the
# same place, and more so without a journal: the rounds delete their files as they go,
# which slows every command alike, but leave some minutes between two runs of the script or
# the figures of all three grow and the ratios shrink.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/timing.sh"
build=${BUILD:-$root/build}
files=${FILES:-1000}
blocks=${BLOCKS:-1000}
copies=${COPIES:-300}
rounds=${ROUNDS:-5}
limit=${LIMIT:-1.15}
hex=${HEX:-1}
nozero=${NOZERO:-0}
template=${TEMPLATE:-$root/../shared/testdata/stl/tytouf__ebustl-rs/test.stl}
testdata=${TESTDATA:-$root/../shared/testdata/stl}
cli=$build/bin/caplin-cli
generator=$build/bin/make_stl_batch
durable=$build/bin/durable_copy

require_programs "$cli" "$generator" "$durable"
"$cli" convert --help >/dev/null 2>&1 || { echo "$cli has no convert command" >&2; exit 2; }
[ -f "$template" ] || { echo "no template STL file at $template (set TEMPLATE)" >&2; exit 2; }
((rounds >= 1)) || { echo "ROUNDS must be at least 1" >&2; exit 2; }
largest=$(find "$testdata" -type f -iname '*.stl' -printf '%s\t%p\n' | sort -n | tail -1 | cut -f2)
[ -n "$largest" ] || { echo "no STL file under $testdata (set TESTDATA)" >&2; exit 2; }

work=$(mktemp -d "${WORK_BASE:-${TMPDIR:-/tmp}}/caplin-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/logs"

# Both sets under names the file type below parses: tape ID at 1 for 8, language at 10 for 2.
"$generator" "$template" "$work/many" "$files" "$blocks" >/dev/null
mkdir "$work/small"
for ((n = 1; n <= copies; n++)); do
    cp "$largest" "$(printf '%s/small/T%07d_EN1.stl' "$work" "$n")"
done

# Batch settings that touch every part of the conversion: the tape ID and the language
# cut out of the file name and checked, header fields rewritten, the zero-page test and
# two hex substitutions on every block. HEX=0 leaves out the hex items and NOZERO=1 the
# zero-page test, so that the blocks pass unchanged.
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
"RemoveZeroPage"=dword:0000000$((nozero ? 0 : 1))
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

# One of the three commands into DEST.
deliver() {
    local command=$1 dest=$2
    shift 2
    case $command in
    convert) "$cli" convert --dest "$dest" "$@" ;;
    durable) "$durable" "$dest" "$@" ;;
    cp) cp "$@" "$dest" ;;
    esac
}
commands=(convert durable cp)

# Seconds taken by one command into DEST, with microsecond resolution.
seconds() {
    local command=$1 dest=$2
    shift 2
    elapsed deliver "$command" "$dest" "$@" 2>/dev/null || { echo "failed: $command into $dest" >&2; return 1; }
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Every command writes each round into a new, empty folder. The one it wrote the round
# before is deleted first and the deletion written out (sync), outside the timing, so that
# no command pays for another's files. The order of the three turns by one each round, so
# neither a busy moment of the machine nor the place in the round favours one of them.
# Prints the set's line; over_limit=1 when convert/durable is above the limit.
over_limit=0
measure() {
    local set=$1
    local sources=("$work/$set"/*.stl)
    local -A times=()
    local round i command dest count t
    cat "${sources[@]}" >/dev/null # every command reads its sources from the page cache
    for ((round = 1; round <= rounds; round++)); do
        for ((i = 0; i < 3; i++)); do
            command=${commands[(round + i) % 3]}
            dest=$work/out-$command
            rm -rf "$dest"
            mkdir "$dest"
            sync
            t=$(seconds "$command" "$dest" "${sources[@]}") || exit 1
            times[$command]+="$t "
            count=$(find "$dest" -name '*.stl' | wc -l)
            [ "$count" -eq "${#sources[@]}" ] ||
                { echo "$command left $count files in $dest, not ${#sources[@]}" >&2; exit 1; }
            [ -z "$(find "$dest" -name '.*' -type f)" ] ||
                { echo "$command left hidden files in $dest" >&2; exit 1; }
        done
    done
    rm -rf "$work"/out-*
    local convert durableTime copy overDurable overCopy
    # shellcheck disable=SC2086 # the times are words
    convert=$(median ${times[convert]})
    # shellcheck disable=SC2086
    durableTime=$(median ${times[durable]})
    # shellcheck disable=SC2086
    copy=$(median ${times[cp]})
    overDurable=$(ratio "$convert" "$durableTime")
    overCopy=$(ratio "$convert" "$copy")
    printf '%-5s %4d files of %7d bytes: convert %.3f s  durable %.3f s  cp %.3f s' \
        "$set" "${#sources[@]}" "$(stat -c %s "${sources[0]}")" "$convert" "$durableTime" "$copy"
    printf '  convert/durable %s  convert/cp %s\n' "$overDurable" "$overCopy"
    awk -v r="$overDurable" -v l="$limit" 'BEGIN { exit !(r > l) }' && over_limit=1
    return 0
}

echo "median of $rounds rounds; hex items: $((hex ? 2 : 0)), zero-page test: $((nozero ? 0 : 1)); limit convert/durable $limit"
measure many
measure small
if [ -s "$CAPLIN_TRACE" ]; then
    echo "trace lines written during the runs:" >&2
    head -5 "$CAPLIN_TRACE" >&2
fi
exit $over_limit
