#!/usr/bin/env bash
# The order in which a converted file reaches the disk, read off the system calls themselves
# (strace -f -y): for each file, the writes of its hidden temporary file, the fdatasync of
# it, the rename to its destination, the fsync of the destination folder, and only then the
# move of the source (its rename, or across file systems its durable copy and the delete).
# Run for `caplin-cli convert`, for `caplin-cli watch` and for a move across file systems.
set -uo pipefail
build=$1
cli=$build/bin/caplin-cli
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
template=$source_dir/../shared/testdata/stl/asticode__go-astisub/example-in.stl
command -v strace >/dev/null || { echo "strace is missing (scripts/deps.sh installs it)"; exit 1; }
[ -f "$template" ] || { echo "../shared/testdata is not beside the project"; exit 77; }
# A container may forbid tracing altogether; then there is nothing to read the order from.
strace -qq -o /dev/null true 2>/dev/null || { echo "strace cannot trace here (ptrace refused)"; exit 77; }

work=$(mktemp -d)
shm=""
trap 'rm -rf "$work" $shm' EXIT
export HOME=$work XDG_RUNTIME_DIR=$work CAPLIN_REGISTRY=$work/registry.reg
failures=0
fail() { echo "FAILED ($scenario, $name): $*"; failures=$((failures + 1)); }

# Settings: the language given, the converted file into dst, the source moved to moved.
settings() {
    local key=$1 moved=$2
    cat >"$CAPLIN_REGISTRY" <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin]
"LogsOutputFolder"="$work/logs"
"MessagesOutputFolder"="$work/logs"

[$key]
"DestinationFolder"="$work/dst"
"LanguageSource"=dword:00000001
"LanguagePredefined"="09"
"MoveProcessedFiles"=dword:00000001
"MoveProcessedFilesFolder"="$moved"
EOF
}

# The line number of the first trace line matching the extended regular expression, else 0.
first() { grep -n -E -m1 "$1" "$work/trace.txt" | cut -d: -f1 || true; }
last() { grep -n -E "$1" "$work/trace.txt" | tail -n 1 | cut -d: -f1 || true; }
quote() { printf '%s' "$1" | sed 's/[.[\*^$()+?{|]/\\&/g'; }

# Checks the order for one file named name, converted into $work/dst, its source moved to
# the folder moved (across file systems when copied is 1).
check_file() {
    local source=$1 moved=$2 copied=$3
    name=$(basename "$source")
    local temp dst dir src target
    temp=$(quote "$work/dst/.$name.part-")
    dst=$(quote "$work/dst/$name")
    dir=$(quote "$work/dst")
    src=$(quote "$source")
    target=$(quote "$moved/$name")
    local wrote synced renamed flushed move
    wrote=$(last "(pwrite64|write|copy_file_range)\(.*<$temp[0-9]+>")
    synced=$(first "fdatasync\([0-9]+<$temp[0-9]+>\) = 0")
    renamed=$(first "rename(at2)?\(.*\"$temp[0-9]+\", .*\"$dst\".*\) = 0")
    flushed=$(last "fsync\([0-9]+<$dir>\) = 0")
    [ -n "$wrote" ] || { fail "no write of the temporary file"; return; }
    [ -n "$synced" ] && [ "$synced" -gt "$wrote" ] || fail "no fdatasync after the last write"
    [ -n "$renamed" ] && [ "$renamed" -gt "${synced:-0}" ] || fail "no rename after the fdatasync"
    flushed=$(awk -v after="${renamed:-0}" -v re="fsync\\\\([0-9]+<$dir>\\\\) = 0" \
        'NR > after && $0 ~ re { print NR; exit }' "$work/trace.txt")
    [ -n "$flushed" ] || { fail "no fsync of the destination folder after the rename"; return; }
    if [ "$copied" = 0 ]; then
        move=$(first "rename(at2)?\(.*\"$src\", .*\"$target\".*\) = 0")
        [ -n "$move" ] && [ "$move" -gt "$flushed" ] || fail "source moved before the folder flush"
        return
    fi
    # Across file systems: the copy is flushed and renamed in before the source goes.
    local mtemp copysync copyin gone
    mtemp=$(quote "$moved/.$name.part-")
    copysync=$(first "fdatasync\([0-9]+<$mtemp[0-9]+>\) = 0")
    copyin=$(first "rename(at2)?\(.*\"$mtemp[0-9]+\", .*\"$target\".*\) = 0")
    gone=$(first "unlink(at)?\(.*\"$src\".*\) = 0")
    [ -n "$copysync" ] && [ "$copysync" -gt "$flushed" ] || fail "copy not flushed after the folder"
    [ -n "$copyin" ] && [ "$copyin" -gt "$copysync" ] || fail "copy renamed in before its flush"
    [ -n "$gone" ] && [ "$gone" -gt "$copyin" ] || fail "source deleted before its copy was in place"
}

traced() {
    strace -f -y -qq -o "$work/trace.txt" \
        -e trace=write,pwrite64,copy_file_range,fdatasync,fsync,rename,renameat,renameat2,unlink,unlinkat \
        "$@"
}

fresh() {
    rm -rf "$work/src" "$work/dst" "$work/moved" "$work/in"
    mkdir -p "$work/src" "$work/dst" "$work/moved" "$work/logs" "$work/in"
}

# 1. caplin-cli convert, two files.
scenario=convert
fresh
settings "HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch" "$work/moved"
cp "$template" "$work/src/a.stl"
cp "$template" "$work/src/b.stl"
traced "$cli" convert "$work/src/a.stl" "$work/src/b.stl" >/dev/null 2>&1 ||
    fail "caplin-cli convert failed"
for file in a b; do check_file "$work/src/$file.stl" "$work/moved" 0; done

# 2. caplin-cli watch: a file lands, is converted and moved, then SIGTERM.
scenario=watch
fresh
cat >"$CAPLIN_REGISTRY.tmp" <<EOF
[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder]
"WatchFoldersCount"=dword:00000001
"WatchFolderCheckIntervalMS"=dword:00000064
EOF
settings "HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\WatchFolder\\WF_0" "$work/moved"
printf '"WatchFolder"="%s"\n\n' "$work/in" >>"$CAPLIN_REGISTRY"
cat "$CAPLIN_REGISTRY.tmp" >>"$CAPLIN_REGISTRY"
traced "$cli" watch >/dev/null 2>&1 &
tracer=$!
for _ in $(seq 100); do grep -q "armed" "$work"/logs/*.txt 2>/dev/null && break; sleep 0.1; done
cp "$template" "$work/src/c.stl" && mv "$work/src/c.stl" "$work/in/c.stl"
for _ in $(seq 100); do [ -e "$work/moved/c.stl" ] && break; sleep 0.1; done
# The signal goes to caplin-cli itself, as systemd would send it: the background job is a
# subshell, its child strace, and strace's child caplin-cli.
tracing=$(pgrep -P "$tracer" strace)
kill -TERM $(pgrep -P "$tracing") 2>/dev/null || true
for _ in $(seq 100); do kill -0 "$tracer" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$tracer" $tracing 2>/dev/null && fail "caplin-cli watch did not end on SIGTERM"
wait "$tracer"
name=c.stl
[ -e "$work/moved/c.stl" ] || fail "the watch run did not move the source"
check_file "$work/in/c.stl" "$work/moved" 0

# 3. A move across file systems (a memory file system, where there is one apart).
scenario=across
if [ -d /dev/shm ] && [ -w /dev/shm ] && [ "$(stat -c %d /dev/shm)" != "$(stat -c %d "$work")" ]; then
    fresh
    shm=$(mktemp -d /dev/shm/caplin-order.XXXXXX)
    settings "HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch" "$shm"
    cp "$template" "$work/src/d.stl"
    traced "$cli" convert "$work/src/d.stl" >/dev/null 2>&1 || fail "caplin-cli convert failed"
    check_file "$work/src/d.stl" "$shm" 1
else
    echo "no second file system: the move across file systems is not traced"
fi

[ "$failures" -eq 0 ] || { cp "$work/trace.txt" "${TMPDIR:-/tmp}/caplin-order-trace.txt"; exit 1; }
echo "every file: written, fdatasync, renamed, folder fsync, then the source moved"
