# Capture completeness and cost against tcpdump on the same traffic: the engine harness, the program
# under Wine and tcpdump, idle and with both CPUs kept busy; and the capture thread's idle cost.
# Source it after common.sh, network.sh, wine.sh and scripts/lib/net-raw.sh.

readonly BENCH_CAPTURE_RATES=(20000 100000 0)
readonly BENCH_LOADED_RATES=(20000 100000 0)
# Enough datagrams that even tcpdump's CPU time is many clock ticks.
BENCH_CAPTURE_COUNT=${BENCH_CAPTURE_COUNT:-500000}
# Room for every datagram of a run at 100 bytes each.
readonly BENCH_CAPTURE_TOTAL_MB=64
# What most workstations' kernels allow a socket's receive buffer; the capture runs under it.
readonly BENCH_STOCK_RMEM_MAX=212992

# Both tools run as they do for users: with CAP_NET_RAW alone (as root, since root made the files).
bench_net_raw() {
    SUDO_UID= net_raw_prefix
}

# bench_cpu_seconds PID: the CPU time of every thread of PID so far, from the scheduler's nanosecond
# counts (finer than the clock ticks of /proc/PID/stat).
bench_cpu_seconds() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.6f", s / 1e9 }'
}

# bench_thread_cpu_seconds PID NAME: the same for the threads of PID named NAME.
bench_thread_cpu_seconds() {
    local task
    for task in /proc/"$1"/task/*; do
        [ "$(cat "$task/comm" 2>/dev/null)" = "$2" ] && cat "$task/schedstat" 2>/dev/null
    done | awk '{ s += $1; n++ } END { if (n) printf "%.6f", s / 1e9; else print "n/a" }'
}

# bench_cpu_across_burst PID RATE LOADED REPORT [THREAD]: sends the burst and prints the CPU seconds
# PID spent from just before it to one second after it; with THREAD, then also those of the threads
# of that name.
bench_cpu_across_burst() {
    local before=n/a after=n/a thread_before=n/a thread_after=n/a
    if [ -d "/proc/$1/task" ]; then
        before=$(bench_cpu_seconds "$1")
        [ -n "${5:-}" ] && thread_before=$(bench_thread_cpu_seconds "$1" "$5")
    fi
    bench_burst "$2" "$3" "$4"
    sleep 1
    if [ -d "/proc/$1/task" ]; then
        after=$(bench_cpu_seconds "$1")
        [ -n "${5:-}" ] && thread_after=$(bench_thread_cpu_seconds "$1" "$5")
    fi
    echo "$(bench_calc "$after - $before")${5:+ $(bench_calc "$thread_after - $thread_before")}"
}

# bench_child PID: the process that PID started (sorvane_bench_usage runs its command as its child).
bench_child() {
    pgrep -P "$1" | head -n 1
}

# bench_load_start / bench_load_stop: one busy loop pinned to each CPU.
bench_load_start() {
    local cpu
    BENCH_LOAD_PIDS=()
    for cpu in $(seq 0 $(($(nproc) - 1))); do
        taskset -c "$cpu" bash -c 'while :; do :; done' &
        BENCH_LOAD_PIDS+=($!)
        bench_track "$!"
    done
}

bench_load_stop() {
    kill "${BENCH_LOAD_PIDS[@]}" 2>/dev/null
    wait "${BENCH_LOAD_PIDS[@]}" 2>/dev/null
    BENCH_LOAD_PIDS=()
}

# bench_burst RATE LOADED REPORT: sends the burst from B, with busy loops when LOADED is "loaded".
bench_burst() {
    [ "$2" = loaded ] && bench_load_start
    "${BENCH_SEND[@]}" "$BENCH_CAPTURE_COUNT" "$1" single >"$3"
    [ "$2" = loaded ] && bench_load_stop
    return 0
}

# bench_capture_engine SECTION RATE LOADED REP: one run of the engine harness.
bench_capture_engine() {
    local section=$1 rate=$2 loaded=$3 dir="$BENCH_WORK/$1-engine-$2-$4" before after pid cpu
    mkdir -p "$dir"
    mkfifo "$dir/stop"
    bench_net_raw
    before=$(bench_delivered)
    "${BENCH_IN_A[@]}" "${NET_RAW_PREFIX[@]}" "$BENCH_BIN/sorvane_bench_usage" "$dir/usage.txt" \
        "$BENCH_BIN/sorvane_bench_engine" capture 100 "$BENCH_CAPTURE_TOTAL_MB" <"$dir/stop" \
        >"$dir/engine.out" 2>"$dir/engine.err" &
    pid=$!
    bench_track "$pid"
    exec {stop_fd}>"$dir/stop"
    if ! bench_wait_for '^ready' "$dir/engine.out" 10; then
        bench_log "engine harness did not start: $(cat "$dir/engine.err")"
        exec {stop_fd}>&-
        return 1
    fi
    cpu=$(bench_cpu_across_burst "$(bench_child "$pid")" "$rate" "$loaded" "$dir/sender.out")
    echo stop >&"$stop_fd"
    exec {stop_fd}>&-
    wait "$pid"
    after=$(bench_delivered)
    bench_capture_record "$section" engine "$rate" "$((after - before))" "$(bench_field stored "$dir/engine.out")" \
        "$cpu" "$dir/sender.out"
    bench_record "$section-$rate" engine_thread_cpu_per_m \
        "$(bench_calc "$(bench_field thread_cpu "$dir/engine.out") * 1e6 / $((after - before))")"
}

# bench_capture_program SECTION RATE LOADED REP: one capture in the running program, started and
# stopped through its window; its process's CPU from just before the burst to a second after it.
bench_capture_program() {
    local section=$1 rate=$2 loaded=$3 dir="$BENCH_WORK/$1-program-$2-$4" before after cpu thread_cpu
    mkdir -p "$dir"
    bench_wine prepare "$BENCH_CAPTURE_TOTAL_MB" "$BENCH_ADDRESS_A" || {
        bench_log "program: capture did not start"
        return 1
    }
    before=$(bench_delivered)
    read -r cpu thread_cpu < <(bench_cpu_across_burst "${BENCH_PROGRAM_PROCESS:-n/a}" "$rate" "$loaded" \
        "$dir/sender.out" sorvane-capture)
    after=$(bench_delivered)
    bench_wine stop-capture >"$dir/stop.out" || {
        bench_log "program: capture did not stop"
        return 1
    }
    bench_capture_record "$section" program "$rate" "$((after - before))" "$(bench_field counter "$dir/stop.out")" \
        "$cpu" "$dir/sender.out"
    bench_record "$section-$rate" program_thread_cpu_per_m "$(bench_calc "$thread_cpu * 1e6 / $((after - before))")"
}

# bench_capture_tcpdump SECTION RATE LOADED REP: one run of tcpdump; its exit statistics give what it
# captured.
bench_capture_tcpdump() {
    local section=$1 rate=$2 loaded=$3 dir="$BENCH_WORK/$1-tcpdump-$2-$4" before after pid captured dropped cpu
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
    cpu=$(bench_cpu_across_burst "$(bench_child "$pid")" "$rate" "$loaded" "$dir/sender.out")
    kill -INT "$pid"
    wait "$pid"
    after=$(bench_delivered)
    captured=$(awk '/packets captured/ { print $1 }' "$dir/tcpdump.err")
    dropped=$(awk '/dropped by kernel/ { print $1 }' "$dir/tcpdump.err")
    bench_record "$section-$rate" tcpdump_dropped "${dropped:-n/a}"
    bench_capture_record "$section" tcpdump "$rate" "$((after - before))" "$captured" "$cpu" "$dir/sender.out"
}

# bench_capture_record SECTION TOOL RATE DELIVERED CAPTURED CPU SENDER_REPORT
bench_capture_record() {
    local section="$1-$3" tool=$2 delivered=$4 captured=${5:-0} cpu=${6:-n/a}
    bench_record "$section" delivered "$delivered"
    bench_record "$section" sent_rate "$(bench_field rate "$7")"
    bench_record "$section" "${tool}_fraction" "$(bench_calc "$captured / $delivered")"
    bench_record "$section" "${tool}_cpu_per_m" "$(bench_calc "$cpu * 1e6 / $delivered")"
    bench_log "$1 $tool at rate ${3/#0/max}: captured $captured of $delivered delivered, ${cpu}s CPU"
}

# bench_capture_rate SECTION RATE LOADED: the repetitions at one rate, each starting with another tool.
bench_capture_rate() {
    local rep tools=(engine program tcpdump) first i
    for rep in $(seq 1 "$BENCH_REPEAT"); do
        first=$(((rep - 1) % 3))
        for i in 0 1 2; do
            "bench_capture_${tools[$(((first + i) % 3))]}" "$1" "$2" "$3" "$rep"
        done
    done
}

# The program's process: the launcher and Wine's loader exec one another, so it is the started
# process or a descendant of it whose command line names the program.
bench_program_process() {
    local pid=$1 child
    for _ in 1 2 3 4 5; do
        tr '\0' ' ' </proc/"$pid"/cmdline 2>/dev/null | grep -q 'sorvane\.exe' && { echo "$pid"; return 0; }
        child=$(pgrep -P "$pid" | head -n 1)
        [ -n "$child" ] || return 1
        pid=$child
    done
    return 1
}

bench_capture_section() {
    local rate
    BENCH_SAVED_RMEM_MAX=$(sysctl -n net.core.rmem_max)
    sysctl -qw net.core.rmem_max="$BENCH_STOCK_RMEM_MAX"
    bench_wine_start
    bench_wine prepare "$BENCH_CAPTURE_TOTAL_MB" "$BENCH_ADDRESS_A" && bench_wine stop-capture >/dev/null
    BENCH_PROGRAM_PROCESS=$(bench_program_process "$BENCH_PROGRAM_PID") ||
        bench_log "program: its process was not found; its CPU is not measured"
    for rate in "${BENCH_CAPTURE_RATES[@]}"; do
        bench_capture_rate capture "$rate" idle
    done
    for rate in "${BENCH_LOADED_RATES[@]}"; do
        bench_capture_rate loaded "$rate" loaded
    done
    bench_wine_stop
    bench_restore_rmem_max
}

bench_restore_rmem_max() {
    [ -n "${BENCH_SAVED_RMEM_MAX:-}" ] && sysctl -qw net.core.rmem_max="$BENCH_SAVED_RMEM_MAX"
    BENCH_SAVED_RMEM_MAX=
}

# Capture thread CPU over 10 s with no traffic, then over 10 s in the Full state with traffic arriving.
bench_idle_section() {
    local rep dir pid sender
    bench_net_raw
    for rep in $(seq 1 "$BENCH_REPEAT"); do
        dir="$BENCH_WORK/idle-$rep"
        mkdir -p "$dir"
        "${BENCH_IN_A[@]}" "${NET_RAW_PREFIX[@]}" "$BENCH_BIN/sorvane_bench_engine" idle 10 >"$dir/idle.out" 2>&1
        bench_record idle no_traffic_thread_cpu "$(bench_field thread_cpu "$dir/idle.out")"

        "${BENCH_IN_A[@]}" "${NET_RAW_PREFIX[@]}" "$BENCH_BIN/sorvane_bench_engine" full 10 1 >"$dir/full.out" 2>&1 &
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
