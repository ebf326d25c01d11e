# What the shell benchmarks share; sourced, not run.

# Exits with status 2, naming the first of the programs given that is not built.
require_programs() {
    local program
    for program in "$@"; do
        [ -x "$program" ] || { echo "missing $program: build it first" >&2; exit 2; }
    done
}

# Prints the seconds the command takes (six decimals), its standard output discarded;
# returns the command's status.
elapsed() {
    local start end status=0
    start=${EPOCHREALTIME/[.,]/}
    "$@" >/dev/null || status=$?
    end=${EPOCHREALTIME/[.,]/}
    awk -v us=$((end - start)) 'BEGIN { printf "%.6f", us / 1e6 }'
    return "$status"
}

# The median of the numbers given.
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
        END { printf "%.6f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
