# Capture completeness and cost against tcpdump on the same traffic: the engine harness, the program
# under Wine (and the program of a baseline commit) and tcpdump, idle and with both CPUs kept busy;
# and the capture thread's idle cost.
# Source it after common.sh, network.sh, wine.sh and scripts/lib/net-raw.sh.

# Rates of the capture section (0: as fast as the sender can); BENCH_RATES narrows them.
BENCH_CAPTURE_RATES=(1000 20000 100000 0)
# CPU is charged from just before the burst until this long after it, so that the last block's
# retirement, the last packet notice and its counter redraw fall inside the window.
readonly BENCH_CPU_TAIL_SECONDS=1.5
# Room for every datagram of a run at 100 bytes each.
readonly BENCH_CAPTURE_TOTAL_MB=64
# What most workstations' kernels allow a socket's receive buffer; the capture runs under it.
readonly BENCH_STOCK_RMEM_MAX=212992

# bench_capture_count RATE: datagrams per run. The slow rates send 15 s of traffic, where wake-ups
# and counter redraws rather than packets make the cost; the faster ones enough datagrams that even
# tcpdump's CPU time is many clock ticks. --count (BENCH_CAPTURE_COUNT) sets one count for all.
bench_capture_count() {
    if [ -n "${BENCH_CAPTURE_COUNT:-}" ]; then
        echo "$BENCH_CAPTURE_COUNT"
        return
    fi
    case "$1" in
        1000) echo 15000 ;;
        20000) echo 300000 ;;
        *) echo 500000 ;;
    esac
}

# The harness and the program run as they do for users: with CAP_NET_RAW alone (as root, since root
# made the files); tcpdump runs with CAP_NET_RAW alone as nobody (BENCH_TCPDUMP_NET_RAW).
bench_net_raw() {
    SUDO_UID= net_raw_prefix
}

# bench_cpu_seconds PID: the CPU time of every thread of PID so far, from the scheduler's nanosecond
# counts (finer than the clock ticks of /proc/PID/stat).
bench_cpu_seconds() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.6f", s / 1e9 }'
}

# bench_thread_cpu_seconds PID NAME: CPU seconds and time slices (times it was switched in: about
# its wake-ups) of the threads of PID named NAME so far.
bench_thread_cpu_seconds() {
    local task
    for task in /proc/"$1"/task/*; do
        [ "$(cat "$task/comm" 2>/dev/null)" = "$2" ] && cat "$task/schedstat" 2>/dev/null
    done | awk '{ s += $1; w += $3; n++ } END { if (n) printf "%.6f %d", s / 1e9, w; else print "n/a n/a" }'
}

# bench_cpu_across_burst PID RATE LOADED REPORT [THREAD [SERVER [HELPER]]]: sends the burst and
# prints five fields over the span from just before it to BENCH_CPU_TAIL_SECONDS after it: the CPU
# seconds of PID; the CPU seconds and time slices of its threads named THREAD; the CPU seconds of
# process SERVER (Wine's server, which the program's requests keep busy); the CPU seconds of process
# HELPER (the capture helper, which reads the packet socket for the program). "n/a" for what is not
# measured.
bench_cpu_across_burst() {
    local cpu after i
    bench_cpu_sample "$@"
    cpu=("${BENCH_SAMPLE[@]}")
    bench_burst "$2" "$3" "$4"
    sleep "$BENCH_CPU_TAIL_SECONDS"
    bench_cpu_sample "$@"
    after=("${BENCH_SAMPLE[@]}")
    for i in 0 1 2 3 4; do
        cpu[i]=$(bench_calc "${after[i]} - ${cpu[i]}")
    done
    echo "${cpu[@]:0:5}"
}

# bench_cpu_sample PID RATE LOADED REPORT [THREAD [SERVER [HELPER]]]: the counters
# bench_cpu_across_burst takes the difference of, into BENCH_SAMPLE.
bench_cpu_sample() {
    local thread="n/a n/a"
    BENCH_SAMPLE=(n/a n/a n/a n/a n/a)
    if [ -d "/proc/$1/task" ]; then
        BENCH_SAMPLE[0]=$(bench_cpu_seconds "$1")
        [ -n "${5:-}" ] && thread=$(bench_thread_cpu_seconds "$1" "$5")
    fi
    read -r "BENCH_SAMPLE[1]" "BENCH_SAMPLE[2]" <<<"$thread"
    [ -n "${6:-}" ] && [ -d "/proc/$6/task" ] && BENCH_SAMPLE[3]=$(bench_cpu_seconds "$6")
    [ -n "${7:-}" ] && [ -d "/proc/$7/task" ] && BENCH_SAMPLE[4]=$(bench_cpu_seconds "$7")
    return 0
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

# bench_burst RATE LOADED REPORT [COUNT [PATTERN]]: sends the burst from B (bench_capture_count
# datagrams of the single-source pattern unless given), with busy loops when LOADED is "loaded".
bench_burst() {
    [ "$2" = loaded ] && bench_load_start
    "${BENCH_SEND[@]}" "${4:-$(bench_capture_count "$1")}" "$1" "${5:-single}" >"$3"
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
    read -r cpu _ < <(bench_cpu_across_burst "$(bench_child "$pid")" "$rate" "$loaded" "$dir/sender.out")
    echo stop >&"$stop_fd"
    exec {stop_fd}>&-
    wait "$pid"
    after=$(bench_delivered)
    bench_capture_record "$section" engine "$rate" "$((after - before))" "$(bench_field stored "$dir/engine.out")" \
        "$cpu" "$dir/sender.out"
    bench_record "$section-$rate" engine_thread_cpu_per_m \
        "$(bench_calc "$(bench_field thread_cpu "$dir/engine.out") * 1e6 / $((after - before))")"
}

# bench_capture_program SECTION RATE LOADED REP [VARIANT]: one capture in the running program (or
# the baseline's, with VARIANT "baseline"), started and stopped through its window; the CPU of its
# process and its capture helper together, its capture thread's and its Wine server's from just
# before the burst until the tail after it.
bench_capture_program() {
    local section=$1 rate=$2 loaded=$3 variant=${5:-program} dir before after delivered cpu thread_cpu slices server_cpu
    local helper_cpu
    dir="$BENCH_WORK/$1-$variant-$2-$4"
    mkdir -p "$dir"
    bench_wine_as "$variant" prepare "$BENCH_CAPTURE_TOTAL_MB" "$BENCH_ADDRESS_A" || {
        bench_log "$variant: capture did not start"
        return 1
    }
    before=$(bench_delivered)
    read -r cpu thread_cpu slices server_cpu helper_cpu < <(bench_cpu_across_burst \
        "${BENCH_PROGRAM_PROCESSES[$variant]:-n/a}" "$rate" "$loaded" "$dir/sender.out" sorvane-capture \
        "${BENCH_SERVER_PIDS[$variant]:-}" "${BENCH_HELPER_PIDS[$variant]:-}")
    bench_record "$section-$rate" "${variant}_helper_s" "$helper_cpu"
    [ "$helper_cpu" != n/a ] && cpu=$(bench_calc "$cpu + $helper_cpu")
    after=$(bench_delivered)
    delivered=$((after - before))
    bench_wine_as "$variant" stop-capture >"$dir/stop.out" || {
        bench_log "$variant: capture did not stop"
        return 1
    }
    bench_capture_record "$section" "$variant" "$rate" "$delivered" "$(bench_field counter "$dir/stop.out")" \
        "$cpu" "$dir/sender.out"
    bench_record "$section-$rate" "${variant}_thread_cpu_per_m" "$(bench_calc "$thread_cpu * 1e6 / $delivered")"
    bench_record "$section-$rate" "${variant}_capture_thread_s" "$thread_cpu"
    bench_record "$section-$rate" "${variant}_capture_thread_slices" "$slices"
    bench_record "$section-$rate" "${variant}_other_threads_s" "$(bench_calc "$cpu - $thread_cpu - ${helper_cpu/n\/a/0}")"
    bench_record "$section-$rate" "${variant}_wine_server_s" "$server_cpu"
    bench_log "$section $variant at rate ${rate/#0/max}: capture thread ${thread_cpu}s in $slices slices," \
        "other threads and helper $(bench_calc "$cpu - $thread_cpu")s (helper ${helper_cpu}s), Wine server ${server_cpu}s"
}

# bench_capture_tcpdump SECTION RATE LOADED REP: one run of tcpdump; its exit statistics give what it
# captured.
bench_capture_tcpdump() {
    local section=$1 rate=$2 loaded=$3 dir="$BENCH_WORK/$1-tcpdump-$2-$4" before after pid captured dropped cpu
    mkdir -p "$dir"
    before=$(bench_delivered)
    "${BENCH_IN_A[@]}" "$BENCH_BIN/sorvane_bench_usage" "$dir/usage.txt" "${BENCH_TCPDUMP_NET_RAW[@]}" \
        tcpdump -i veth0 -s 100 -w /dev/null 2>"$dir/tcpdump.err" &
    pid=$!
    bench_track "$pid"
    if ! bench_wait_for 'listening on' "$dir/tcpdump.err" 10; then
        bench_log "tcpdump did not start: $(cat "$dir/tcpdump.err")"
        kill -INT "$pid" 2>/dev/null
        return 1
    fi
    read -r cpu _ < <(bench_cpu_across_burst "$(bench_child "$pid")" "$rate" "$loaded" "$dir/sender.out")
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
    bench_record "$section" "${tool}_cpu_s" "$cpu"
    bench_record "$section" "${tool}_load" "$(cut -d' ' -f1 /proc/loadavg)"
    bench_log "$1 $tool at rate ${3/#0/max}: captured $captured of $delivered delivered, ${cpu}s CPU," \
        "load $(cut -d' ' -f1-3 /proc/loadavg)"
}

# bench_capture_rate SECTION RATE LOADED: the repetitions at one rate, each starting with another tool.
bench_capture_rate() {
    local rep tools=(engine "${BENCH_VARIANTS[@]}" tcpdump) first i tool
    for rep in $(seq 1 "$BENCH_REPEAT"); do
        first=$(((rep - 1) % ${#tools[@]}))
        for i in $(seq 0 $((${#tools[@]} - 1))); do
            tool=${tools[$(((first + i) % ${#tools[@]}))]}
            case "$tool" in
                engine | tcpdump) "bench_capture_$tool" "$1" "$2" "$3" "$rep" ;;
                *) bench_capture_program "$1" "$2" "$3" "$rep" "$tool" ;;
            esac
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
    local rate variant
    BENCH_SAVED_RMEM_MAX=$(sysctl -n net.core.rmem_max)
    sysctl -qw net.core.rmem_max="$BENCH_STOCK_RMEM_MAX"
    for variant in "${BENCH_VARIANTS[@]}"; do
        bench_program_up "$variant"
    done
    for rate in "${BENCH_CAPTURE_RATES[@]}"; do
        bench_capture_rate capture "$rate" idle
    done
    for rate in "${BENCH_CAPTURE_RATES[@]}"; do
        bench_capture_rate loaded "$rate" loaded
    done
    bench_wine_stop
    bench_restore_rmem_max
}

# bench_program_up VARIANT: starts the program and finds its process and its Wine server. One
# capture of the largest burst, not measured, leaves its store's memory in place: the runs measure
# wake-ups, notices and packets rather than the first touch of fresh memory (which only a program's
# first capture pays; see docs/performance.md).
bench_program_up() {
    local variant=$1 pid
    bench_wine_start "$variant"
    if bench_wine_as "$variant" prepare "$BENCH_CAPTURE_TOTAL_MB" "$BENCH_ADDRESS_A"; then
        "${BENCH_SEND[@]}" "$(bench_capture_count 0)" 0 single >/dev/null
        bench_wine_as "$variant" stop-capture >"$BENCH_WORK/$variant-warm-up.out"
    fi
    pid=$(bench_program_process "${BENCH_PROGRAM_PIDS[$variant]}") ||
        bench_log "$variant: its process was not found; its CPU is not measured"
    BENCH_PROGRAM_PROCESSES[$variant]=$pid
    BENCH_HELPER_PIDS[$variant]=$(pgrep -P "${BENCH_PROGRAM_PIDS[$variant]}" -x sorvane-capture | head -n 1)
    [ -n "${BENCH_HELPER_PIDS[$variant]}" ] ||
        bench_log "$variant: its capture helper was not found; its CPU is not measured"
    pid=$(bench_wine_server_pid "$(bench_variant_prefix "$variant")") ||
        bench_log "$variant: its Wine server was not found; its CPU is not measured"
    BENCH_SERVER_PIDS[$variant]=$pid
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
