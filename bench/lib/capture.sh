# Capture completeness and idle cost: the engine harness against tcpdump on the same traffic.
# Source it after common.sh and network.sh.

readonly BENCH_CAPTURE_COUNT=150000
readonly BENCH_CAPTURE_RATES=(20000 100000 0)

# bench_capture_engine RATE REP: one run of the engine harness; records fraction and CPU.
bench_capture_engine() {
    local rate=$1 dir="$BENCH_WORK/engine-$1-$2" before after pid
    mkdir -p "$dir"
    mkfifo "$dir/stop"
    before=$(bench_delivered)
    "${BENCH_IN_A[@]}" "$BENCH_BIN/sorvane_bench_usage" "$dir/usage.txt" \
        "$BENCH_BIN/sorvane_bench_engine" capture 100 16 <"$dir/stop" >"$dir/engine.out" 2>"$dir/engine.err" &
    pid=$!
    bench_track "$pid"
    exec {stop_fd}>"$dir/stop"
    if ! bench_wait_for '^ready' "$dir/engine.out" 10; then
        bench_log "engine harness did not start: $(cat "$dir/engine.err")"
        exec {stop_fd}>&-
        return 1
    fi
    "${BENCH_SEND[@]}" "$BENCH_CAPTURE_COUNT" "$rate" single >"$dir/sender.out"
    sleep 1
    echo stop >&"$stop_fd"
    exec {stop_fd}>&-
    wait "$pid"
    after=$(bench_delivered)
    bench_capture_record engine "$rate" "$((after - before))" "$(bench_field stored "$dir/engine.out")" \
        "$(bench_field cpu "$dir/usage.txt")" "$dir/sender.out"
    bench_record "capture-$rate" engine_thread_cpu_per_m \
        "$(bench_calc "$(bench_field thread_cpu "$dir/engine.out") * 1e6 / $((after - before))")"
}

# bench_capture_tcpdump RATE REP: one run of tcpdump; its own exit statistics give what it captured.
bench_capture_tcpdump() {
    local rate=$1 dir="$BENCH_WORK/tcpdump-$1-$2" before after pid captured dropped
    mkdir -p "$dir"
    before=$(bench_delivered)
    "${BENCH_IN_A[@]}" "$BENCH_BIN/sorvane_bench_usage" "$dir/usage.txt" tcpdump -i veth0 -s 100 -w /dev/null \
        2>"$dir/tcpdump.err" &
    pid=$!
    bench_track "$pid"
    if ! bench_wait_for 'listening on' "$dir/tcpdump.err" 10; then
        bench_log "tcpdump did not start: $(cat "$dir/tcpdump.err")"
        kill -INT "$pid" 2>/dev/null
        return 1
    fi
    "${BENCH_SEND[@]}" "$BENCH_CAPTURE_COUNT" "$rate" single >"$dir/sender.out"
    sleep 1
    kill -INT "$pid"
    wait "$pid"
    after=$(bench_delivered)
    captured=$(awk '/packets captured/ { print $1 }' "$dir/tcpdump.err")
    dropped=$(awk '/dropped by kernel/ { print $1 }' "$dir/tcpdump.err")
    bench_record "capture-$rate" tcpdump_dropped "${dropped:-n/a}"
    bench_capture_record tcpdump "$rate" "$((after - before))" "$captured" "$(bench_field cpu "$dir/usage.txt")" \
        "$dir/sender.out"
}

# bench_capture_record TOOL RATE DELIVERED CAPTURED CPU SENDER_REPORT
bench_capture_record() {
    local tool=$1 section="capture-$2" delivered=$3 captured=${4:-0} cpu=${5:-n/a}
    bench_record "$section" delivered "$delivered"
    bench_record "$section" sent_rate "$(bench_field rate "$6")"
    bench_record "$section" "${tool}_fraction" "$(bench_calc "$captured / $delivered")"
    bench_record "$section" "${tool}_cpu_per_m" "$(bench_calc "$cpu * 1e6 / $delivered")"
    bench_log "$tool at rate ${2/#0/max}: captured $captured of $delivered delivered, ${cpu}s CPU"
}

# Alternates the two tools, each repetition starting with the other one.
bench_capture_section() {
    local rate rep
    for rate in "${BENCH_CAPTURE_RATES[@]}"; do
        for rep in $(seq 1 "$BENCH_REPEAT"); do
            if [ $((rep % 2)) -eq 1 ]; then
                bench_capture_engine "$rate" "$rep"
                bench_capture_tcpdump "$rate" "$rep"
            else
                bench_capture_tcpdump "$rate" "$rep"
                bench_capture_engine "$rate" "$rep"
            fi
        done
    done
}

# Capture thread CPU over 10 s with no traffic, then over 10 s in the Full state with traffic arriving.
bench_idle_section() {
    local rep dir pid sender
    for rep in $(seq 1 "$BENCH_REPEAT"); do
        dir="$BENCH_WORK/idle-$rep"
        mkdir -p "$dir"
        "${BENCH_IN_A[@]}" "$BENCH_BIN/sorvane_bench_engine" idle 10 >"$dir/idle.out" 2>&1
        bench_record idle no_traffic_thread_cpu "$(bench_field thread_cpu "$dir/idle.out")"

        "${BENCH_IN_A[@]}" "$BENCH_BIN/sorvane_bench_engine" full 10 1 >"$dir/full.out" 2>&1 &
        pid=$!
        bench_track "$pid"
        bench_wait_for '^ready' "$dir/full.out" 10
        # 14 s at 20,000/s: the 1 MiB store fills in about half a second, the rest arrives while full.
        "${BENCH_SEND[@]}" 280000 20000 single >"$dir/sender.out" &
        sender=$!
        bench_track "$sender"
        wait "$pid"
        kill "$sender" 2>/dev/null
        wait "$sender" 2>/dev/null
        bench_record idle full_thread_cpu "$(bench_field thread_cpu "$dir/full.out")"
        bench_log "idle: $(cat "$dir/idle.out"); full: $(cat "$dir/full.out")"
    done
}
