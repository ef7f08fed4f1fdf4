# The real program under Wine in namespace A: its list and filter commands on stores of 1/4, 1/2 and
# all of the default 16 MiB, filled with the mixed traffic, timed by sorvane_bench_wine.
# Source it after common.sh and network.sh, and with scripts/lib/wine-env.sh, xvfb.sh, net-raw.sh.
# The program, its Wine prefixes and sorvane_bench_wine belong to the unprivileged user BENCH_USER;
# BENCH_AS_USER runs what follows as that user without any capability.

readonly BENCH_STORE_SIZES=(4 8 16)
readonly BENCH_FILL_RATE=20000

# The programs the capture and stamp sections run: "program", the current build, and with
# --baseline also "baseline", the build of another commit. Each has a Wine prefix, and so a Wine
# server, of its own, so that both stay up and take turns on the same traffic.
BENCH_VARIANTS=(program)
declare -A BENCH_PROGRAM_PIDS=() BENCH_PROGRAM_PROCESSES=() BENCH_SERVER_PIDS=() BENCH_HELPER_PIDS=()

bench_variant_program() {
    if [ "$1" = baseline ]; then echo "$BENCH_BASELINE_PROGRAM"; else echo "$BENCH_PROGRAM"; fi
}

bench_variant_prefix() {
    if [ "$1" = baseline ]; then echo "$BENCH_WINE_PREFIX-baseline"; else echo "$BENCH_WINE_PREFIX"; fi
}

bench_wine() {
    "${BENCH_AS_USER[@]}" "$BENCH_WINE_BIN/sorvane_bench_wine" "$@" 2>>"$BENCH_WORK/wine-driver.log"
}

# bench_wine_as VARIANT STEP...: one step of sorvane_bench_wine in that program's prefix.
bench_wine_as() {
    WINEPREFIX=$(bench_variant_prefix "$1") bench_wine "${@:2}"
}

# bench_wine_start [VARIANT]: starts the program (default: the current build) in namespace A.
bench_wine_start() {
    local variant=${1:-program} prefix
    prefix=$(bench_variant_prefix "$variant")
    SORVANE_WINEPREFIX=$prefix prepare_wine_prefix_as "${BENCH_AS_USER[@]}"
    # As the user with only CAP_NET_RAW, which the launcher hands to its helper: the way every
    # launcher, a baseline's from before the launcher refused root included, starts.
    net_raw_prefix "$BENCH_USER"
    WINEPREFIX=$prefix "${BENCH_IN_A[@]}" "${NET_RAW_PREFIX[@]}" "$(bench_variant_program "$variant")" \
        >"$BENCH_WORK/$variant.log" 2>&1 &
    BENCH_PROGRAM_PIDS[$variant]=$!
    bench_track "$!"
}

bench_wine_stop() {
    local variant
    for variant in "${BENCH_VARIANTS[@]}"; do
        [ -n "${BENCH_PROGRAM_PIDS[$variant]:-}" ] && kill "${BENCH_PROGRAM_PIDS[$variant]}" 2>/dev/null
        WINEPREFIX=$(bench_variant_prefix "$variant") "${BENCH_AS_USER[@]}" wineserver -k 2>/dev/null || true
    done
    BENCH_PROGRAM_PIDS=()
}

# bench_wine_server_pid PREFIX: the Wine server of that prefix, the one whose environment names it.
bench_wine_server_pid() {
    local pid
    for pid in $(pgrep wineserver); do
        tr '\0' '\n' </proc/"$pid"/environ 2>/dev/null | grep -qxF "WINEPREFIX=$1" && { echo "$pid"; return 0; }
    done
    return 1
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
