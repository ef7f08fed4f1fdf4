# The real program under Wine in namespace A: its list and filter commands on stores of 1/4, 1/2 and
# all of the default 16 MiB, filled with the mixed traffic, timed by sorvane_bench_wine.
# Source it after common.sh and network.sh, and with scripts/lib/wine-env.sh, xvfb.sh, net-raw.sh.

readonly BENCH_STORE_SIZES=(4 8 16)
readonly BENCH_FILL_RATE=20000

bench_wine() {
    "$BENCH_WINE_BIN/sorvane_bench_wine" "$@" 2>>"$BENCH_WORK/wine-driver.log"
}

bench_wine_start() {
    prepare_wine_prefix
    # As root with only CAP_NET_RAW even under sudo: the prefix was made by root.
    SUDO_UID= net_raw_prefix
    "${BENCH_IN_A[@]}" "${NET_RAW_PREFIX[@]}" "$BENCH_PROGRAM" >"$BENCH_WORK/program.log" 2>&1 &
    BENCH_PROGRAM_PID=$!
    bench_track "$BENCH_PROGRAM_PID"
}

bench_wine_stop() {
    [ -n "${BENCH_PROGRAM_PID:-}" ] && kill "$BENCH_PROGRAM_PID" 2>/dev/null
    wineserver -k 2>/dev/null || true
}

# bench_wine_fill MB: a capture until the store is full at MB mebibytes; the sender offers three
# times what fits, since the program may lose datagrams while its window catches up.
bench_wine_fill() {
    local mb=$1 packets=$(($1 * 1048576 / 100)) sender status
    bench_wine prepare "$mb" "$BENCH_ADDRESS_A" || return 1
    "${BENCH_SEND[@]}" $((packets * 3)) "$BENCH_FILL_RATE" mixed >/dev/null &
    sender=$!
    bench_track "$sender"
    bench_wine stop-when-full 300 "$(basename "$BENCH_PROGRAM")" >"$BENCH_WORK/fill-$mb.out"
    status=$?
    kill "$sender" 2>/dev/null
    wait "$sender" 2>/dev/null
    return "$status"
}

# bench_wine_command SECTION KEY COMMAND...: runs one timed command and records its seconds.
bench_wine_command() {
    local section=$1 key=$2 out="$BENCH_WORK/wine-command.out"
    shift 2
    bench_wine "$@" >"$out" || { bench_log "wine: $* failed"; return 1; }
    local rows
    rows=$(bench_field rows "$out")
    bench_record "$section" "$key" "$(bench_field seconds "$out")"
    bench_record "$section" "${key}_rows" "${rows:-$(bench_field rows_after "$out")}"
    bench_log "wine $section $*: $(cat "$out")"
}

bench_wine_section() {
    local rep mb section
    bench_wine_start
    for rep in $(seq 1 "$BENCH_REPEAT"); do
        bench_wine_command wine-floor list_box list-box-floor 167772
        for mb in "${BENCH_STORE_SIZES[@]}"; do
            section="wine-$mb"
            bench_wine_fill "$mb" || { bench_log "wine: the $mb MiB store did not fill"; continue; }
            bench_wine_command "$section" list list &&
                bench_wine_command "$section" filter_half filter "${BENCH_ADDRESSES_B[0]}" &&
                bench_wine_command "$section" list_again list &&
                bench_wine_command "$section" filter_one_percent filter "${BENCH_ADDRESSES_B[1]}"
        done
    done
    bench_wine_stop
}
