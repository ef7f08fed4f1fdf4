# Shared helpers of scripts/bench: recorded values and their medians, logging, processes to end.
# Source it after setting BENCH_OUT (results) and BENCH_WORK (scratch files).

BENCH_PIDS=()

bench_log() {
    printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2
}

# bench_record SECTION KEY VALUE: one measurement; a key collects one value per repetition.
bench_record() {
    printf '%s %s %s\n' "$1" "$2" "$3" >>"$BENCH_OUT/values.txt"
}

# bench_median SECTION KEY: the median of the recorded values, or "n/a" when there are none.
bench_median() {
    awk -v s="$1" -v k="$2" '$1 == s && $2 == k { print $3 }' "$BENCH_OUT/values.txt" 2>/dev/null | sort -g |
        awk '{ v[NR] = $1 } END {
            if (NR == 0) { print "n/a"; exit }
            if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# bench_extreme SECTION KEY max|min: the largest or smallest recorded value, or "n/a".
bench_extreme() {
    awk -v s="$1" -v k="$2" '$1 == s && $2 == k && $3 != "n/a" { print $3 }' "$BENCH_OUT/values.txt" 2>/dev/null |
        sort -g | if [ "$3" = max ]; then tail -n 1; else head -n 1; fi | grep . || echo n/a
}

# bench_count SECTION KEY: how many values were recorded.
bench_count() {
    awk -v s="$1" -v k="$2" '$1 == s && $2 == k' "$BENCH_OUT/values.txt" 2>/dev/null | wc -l
}

# bench_field NAME FILE: the value of NAME=value in the first line of FILE that has it.
bench_field() {
    grep -o "\b$1=[^ ]*" "$2" 2>/dev/null | head -n 1 | cut -d= -f2
}

# bench_calc EXPRESSION: floating-point arithmetic; prints "n/a" when any operand is.
bench_calc() {
    case "$1" in *n/a*) echo n/a ;; *) awk "BEGIN { printf \"%.6g\", $1 }" ;; esac
}

bench_track() {
    BENCH_PIDS+=("$1")
}

# Ends every process that the benchmark started and that still runs, by its PID.
bench_end_tracked() {
    local pid
    for pid in "${BENCH_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    BENCH_PIDS=()
}

# bench_wait_for PATTERN FILE SECONDS: true once FILE holds a line matching PATTERN.
bench_wait_for() {
    local i
    for i in $(seq 1 $(($3 * 20))); do
        grep -q "$1" "$2" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# tcpdump with CAP_NET_RAW alone, as the program's capture helper holds it. Not as root: tcpdump
# started as root gives up root after opening its socket, which needs CAP_SETUID; as an ordinary
# user it keeps the identity it has. Where it writes a capture, that is a file this shell opens.
BENCH_TCPDUMP_NET_RAW=(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all,+net_raw
    --ambient-caps=+net_raw --bounding-set=-all,+net_raw --)

