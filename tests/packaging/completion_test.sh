#!/usr/bin/env bash
# The bash completion of caplin-cli: commands, NAME= lists, folders and files, called the way
# bash calls it (the words split as bash splits them, "=" a word of its own). Its name lists
# are also compared with the tables of docs/settings.md, which the tests keep in step with
# the program's own list of values.
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=SCRIPTDIR/../../packaging/completion/caplin-cli
source "$source_dir/packaging/completion/caplin-cli"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out"
touch "$work/news.stl"

failures=0
# expect DESCRIPTION EXPECTED WORD...: completing the last WORD offers exactly EXPECTED.
expect() {
    local what=$1 expected=$2
    shift 2
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _caplin_cli
    local got words
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    read -ra words <<<"$expected"
    expected=$(printf '%s\n' "${words[@]}" | sort | xargs)
    if [[ $got != "$expected" ]]; then
        echo "FAILED: $what: expected [$expected], got [$got]"
        failures=$((failures + 1))
    fi
}

expect "commands" "info qc text convert watch check-playlists settings watch-folders playlists \
    file-types hex" caplin-cli ""
expect "commands by prefix" "watch watch-folders" caplin-cli wa
expect "settings show parts" "main batch watch-folders playlists languages" \
    caplin-cli settings show ""
expect "batch names" "LanguageSource= LanguagePredefined=" \
    caplin-cli settings set batch Lang
expect "main names" "FPSSource= FPS=" caplin-cli settings set main FP
expect "--dest takes a folder" "$work/in $work/out" caplin-cli convert --dest "$work/"
expect "FILE takes a file" "$work/news.stl" caplin-cli convert "$work/n"
expect "WATCH_DIR and DEST_DIR take folders" "$work/out" \
    caplin-cli watch-folders add "$work/in" "$work/o"
expect "a watch folder's names after its folders" "Comment= CodePageNumberCustom= \
    CodePageNumberSource=" caplin-cli watch-folders add "$work/in" "$work/out" Co
expect "a folder value after NAME=" "$work/in" \
    caplin-cli watch-folders update 1 DestinationFolder = "$work/i"
expect "playlist names after three folders" "CheckClipsWidhDurationOver=" \
    caplin-cli playlists add a b c Check
expect "file type names" "TapeIDParseStringStartPosition= TapeIDParseStringCharsCount=" \
    caplin-cli file-types add --watch-folder 1 Tape
expect "list options" "--batch --watch-folder --help" caplin-cli hex add -
expect "convert options" "--dest --help" caplin-cli convert -
expect "qc options" "--json --help" caplin-cli qc -
expect "qc takes files after --json" "$work/news.stl" caplin-cli qc --json "$work/n"
expect "text options" "--json --help" caplin-cli text -
expect "text takes files after --json" "$work/news.stl" caplin-cli text --json "$work/n"

# names_of SECTION: the value names of a table of docs/settings.md, without the two values
# the commands refuse.
names_of() {
    awk -v mark="<!-- values: $1 -->" '
        $0 == mark { found = 1; next }
        found && !/^\|/ { exit }
        found && /^\| `/ { split($0, cell, "`"); print cell[2] }' "$source_dir/docs/settings.md" |
        grep -vx 'FramesPerSecond\(Source\)\?' | sort | xargs
}
same_names() {
    local section=$1 listed
    shift
    listed=$(printf '%s\n' "$@" | sort | xargs)
    if [[ $listed != "$(names_of "$section")" ]]; then
        echo "FAILED: the names of $section differ from docs/settings.md: [$listed]"
        failures=$((failures + 1))
    fi
}
same_names main "${_caplin_cli_main_names[@]}"
same_names batch "${_caplin_cli_batch_names[@]}"
same_names watch-folder "${_caplin_cli_watch_folder_names[@]}"
same_names playlist-entry "${_caplin_cli_playlist_names[@]}"
same_names file-type "${_caplin_cli_file_type_names[@]}"

if ((failures > 0)); then
    echo "$failures completion check(s) failed"
    exit 1
fi
echo "every completion check passed"
