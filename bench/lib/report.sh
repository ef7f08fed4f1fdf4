# The results table of scripts/bench: the median of every measurement next to its goal.
# Source it after common.sh, capture.sh, stamps.sh and wine.sh; it calls wanted (scripts/bench).

bench_row() {
    printf '| %-58s | %10s | %-26s | %-22s |\n' "$@"
}

# bench_fixed VALUE DECIMALS
bench_fixed() {
    [ "$1" = n/a ] && echo n/a || printf "%.${2}f" "$1"
}

# bench_goal VALUE OPERATOR LIMIT: "met" or "MISSED" (OPERATOR one of <, <=, >=), "n/a" without a value.
bench_goal() {
    awk -v v="$1" -v op="$2" -v l="$3" 'BEGIN {
        if (v == "n/a" || l == "n/a") { print "n/a"; exit }
        ok = (op == "<" && v + 0 < l + 0) || (op == "<=" && v + 0 <= l + 0) || (op == ">=" && v + 0 >= l + 0)
        print (ok ? "met" : "MISSED") }'
}

# bench_fraction_goal VALUE TCPDUMP: "met" when VALUE is 1 and no less than tcpdump's.
bench_fraction_goal() {
    local goal
    goal=$(bench_goal "$1" '>=' 1)
    [ "$goal" = met ] && goal=$(bench_goal "$1" '>=' "$2")
    echo "$goal (= 1, >= tcpdump)"
}

# bench_ratio_goal VALUE TCPDUMP LIMIT: VALUE over tcpdump's, against LIMIT times.
bench_ratio_goal() {
    local ratio
    ratio=$(bench_calc "$1 / $2")
    echo "$(bench_goal "$ratio" '<=' "$3") (<= ${3}x: $(bench_fixed "$ratio" 1)x)"
}

# bench_tool_name TOOL: how a row names the current program or the baseline's.
bench_tool_name() {
    if [ "$1" = baseline ]; then echo "baseline $BENCH_BASELINE_COMMIT"; else echo "$1"; fi
}

# bench_low_rate RATE: true for the rates whose goal is on CPU seconds over the burst and its tail.
bench_low_rate() {
    [ "$1" = 1000 ] || [ "$1" = 20000 ]
}

# bench_capture_rows SECTION RATE...: fractions and CPU of the tools; for the slow rates CPU seconds
# over the burst and its tail with where the program's went, for the others CPU per packet.
bench_capture_rows() {
    local section=$1 rate label key tcpdump_fraction tcpdump_cpu tcpdump_s value tool name
    shift
    for rate in "$@"; do
        key="$section-$rate"
        label="$rate/s"
        [ "$rate" = 0 ] && label="max ($(bench_median "$key" sent_rate)/s sent)"
        [ "$section" = loaded ] && label="$label, CPUs busy"
        tcpdump_fraction=$(bench_median "$key" tcpdump_fraction)
        tcpdump_cpu=$(bench_median "$key" tcpdump_cpu_per_m)
        tcpdump_s=$(bench_median "$key" tcpdump_cpu_s)
        for tool in "${BENCH_VARIANTS[@]}" engine; do
            value=$(bench_median "$key" "${tool}_fraction")
            bench_row "Fraction captured, $(bench_tool_name "$tool"), $label" "$(bench_fixed "$value" 4)" \
                "tcpdump $(bench_fixed "$tcpdump_fraction" 4)" "$(bench_fraction_goal "$value" "$tcpdump_fraction")"
        done
        for tool in "${BENCH_VARIANTS[@]}"; do
            name=$(bench_tool_name "$tool")
            if bench_low_rate "$rate"; then
                value=$(bench_median "$key" "${tool}_cpu_s")
                bench_row "CPU s, burst + ${BENCH_CPU_TAIL_SECONDS} s, $name process and helper, $label" "$(bench_fixed "$value" 4)" \
                    "tcpdump $(bench_fixed "$tcpdump_s" 4)" "$(bench_ratio_goal "$value" "$tcpdump_s" 2)"
                bench_row "  its capture thread: CPU s, time slices" \
                    "$(bench_fixed "$(bench_median "$key" "${tool}_capture_thread_s")" 4)" \
                    "$(bench_median "$key" "${tool}_capture_thread_slices") slices" ""
                bench_row "  its other threads: CPU s; its Wine server" \
                    "$(bench_fixed "$(bench_median "$key" "${tool}_other_threads_s")" 4)" \
                    "server $(bench_fixed "$(bench_median "$key" "${tool}_wine_server_s")" 4) s" ""
                bench_row "  its capture helper: CPU s" "$(bench_fixed "$(bench_median "$key" "${tool}_helper_s")" 4)" "" ""
            else
                value=$(bench_median "$key" "${tool}_cpu_per_m")
                bench_row "CPU s/M packets, $name process and helper, $label" "$(bench_fixed "$value" 3)" \
                    "tcpdump $(bench_fixed "$tcpdump_cpu" 3)" "$(bench_ratio_goal "$value" "$tcpdump_cpu" 3)"
            fi
            value=$(bench_median "$key" "${tool}_thread_cpu_per_m")
            bench_row "CPU s/M packets, $name's capture thread, $label" "$(bench_fixed "$value" 3)" \
                "tcpdump $(bench_fixed "$tcpdump_cpu" 3)" "$(bench_ratio_goal "$value" "$tcpdump_cpu" 2)"
        done
        value=$(bench_median "$key" engine_thread_cpu_per_m)
        bench_row "CPU s/M packets, engine thread, $label" "$(bench_fixed "$value" 3)" \
            "tcpdump $(bench_fixed "$tcpdump_cpu" 3)" "$(bench_ratio_goal "$value" "$tcpdump_cpu" 2)"
        bench_row "CPU s/M packets, engine harness process, $label" \
            "$(bench_fixed "$(bench_median "$key" engine_cpu_per_m)" 3)" "" ""
    done
}

# Stamp errors against tcpdump's (median over runs of each run's median; the largest of any run),
# the rows and frames each tool captured, and how often the counter moved (the fewest changes in a
# second and the longest gap of any run).
bench_stamp_rows() {
    local rate loaded key label tool name value
    for rate in "${BENCH_STAMP_RATES[@]}"; do
        for loaded in idle loaded; do
            key="stamps-$rate-$loaded"
            label="$rate/s$([ "$loaded" = loaded ] && echo ", CPUs busy")"
            for tool in "${BENCH_VARIANTS[@]}"; do
                name=$(bench_tool_name "$tool")
                value=$(bench_extreme "$key" "${tool}_max_abs_ms" max)
                bench_row "Stamp error, $name, $label: median |ms|" \
                    "$(bench_median "$key" "${tool}_median_abs_ms")" \
                    "max $value, signed median $(bench_median "$key" "${tool}_median_ms")" \
                    "$(bench_goal "$value" '<=' 2) (max <= 2 ms)"
                bench_row "  rows / delivered (fewest); tcpdump's frames; unpaired" \
                    "$(bench_fixed "$(bench_extreme "$key" "${tool}_rows_fraction" min)" 4)" \
                    "$(bench_fixed "$(bench_extreme "$key" "${tool}_tcpdump_fraction" min)" 4); $(bench_extreme "$key" "${tool}_mismatched" max) unpaired" ""
            done
        done
    done
    for rate in "${BENCH_COUNTER_RATES[@]}"; do
        for loaded in idle loaded; do
            key="counter-$rate-$loaded"
            label="$rate/s$([ "$loaded" = loaded ] && echo ", CPUs busy")"
            for tool in "${BENCH_VARIANTS[@]}"; do
                value=$(bench_extreme "$key" "${tool}_fewest_per_second" min)
                bench_row "Counter changes in a second of the burst, $(bench_tool_name "$tool"), $label" "$value" \
                    "longest gap $(bench_extreme "$key" "${tool}_longest_gap_ms" max) ms" \
                    "$(bench_goal "$value" '>=' 4) (fewest >= 4)"
            done
        done
    done
}

bench_idle_rows() {
    local value
    value=$(bench_median idle no_traffic_thread_cpu)
    bench_row "Capture thread CPU, 10 s capturing without traffic (s)" "$(bench_fixed "$value" 4)" "" \
        "$(bench_goal "$value" '<' 0.01) (near 0: < 0.01)"
    value=$(bench_median idle full_thread_cpu)
    bench_row "Capture thread CPU, 10 s Full, 20,000/s arriving (s)" "$(bench_fixed "$value" 4)" "" \
        "$(bench_goal "$value" '<' 0.01) (near 0: < 0.01)"
}

bench_list_rows() {
    local value tshark mb speedup
    value=$(bench_median listing ns_per_row)
    bench_row "Native rows (Get + FormatListRow), 167,772 rows (ns/row)" "$(bench_fixed "$value" 1)" "" \
        "$(bench_goal "$value" '<' 150) (< 150)"
    for mb in "${BENCH_STORE_SIZES[@]}"; do
        bench_row "List command under Wine, $(bench_median "wine-$mb" list_rows) rows (s)" \
            "$(bench_fixed "$(bench_median "wine-$mb" list)" 3)" "" ""
    done
    bench_row "List command again after a filter, 167772 rows (s)" \
        "$(bench_fixed "$(bench_median wine-16 list_again)" 3)" "" ""
    bench_row "  list box alone, 167,772 rows sent as messages (s)" \
        "$(bench_fixed "$(bench_median wine-floor list_box)" 3)" "" ""
    tshark=$(bench_median listing tshark_seconds)
    speedup=$(bench_calc "$tshark / $(bench_median wine-16 list)")
    bench_row "List command speed-up over tshark, 167,772 packets (x)" "$(bench_fixed "$speedup" 2)" \
        "tshark $(bench_fixed "$tshark" 3) s" "$(bench_goal "$speedup" '>=' 5) (>= 5)"
    speedup=$(bench_calc "$tshark / $(bench_median wine-16 list_again)")
    bench_row "List again after a filter, speed-up over tshark (x)" "$(bench_fixed "$speedup" 2)" \
        "tshark $(bench_fixed "$tshark" 3) s" "$(bench_goal "$speedup" '>=' 5) (>= 5)"
}

bench_filter_rows() {
    local key label mb ratio
    for key in filter_half filter_one_percent; do
        label=$([ "$key" = filter_half ] && echo "keeping ~1/2" || echo "keeping ~1%")
        for mb in "${BENCH_STORE_SIZES[@]}"; do
            bench_row "Filter $label, store of $mb MiB under Wine (s)" \
                "$(bench_fixed "$(bench_median "wine-$mb" "$key")" 3)" \
                "$(bench_median "wine-$mb" "${key}_rows") of $(bench_median "wine-$mb" list_rows) rows kept" ""
        done
        ratio=$(bench_calc "$(bench_median wine-16 "$key") / $(bench_median wine-4 "$key")")
        bench_row "Filter $label: time at 4x the rows (16 / 4 MiB)" "$(bench_fixed "$ratio" 2)" "linear: 4" \
            "$(bench_goal "$ratio" '<=' 5) (<= 5)"
    done
}

bench_memory_rows() {
    local value
    bench_row "Resident memory per stored 100-byte packet (bytes)" \
        "$(bench_fixed "$(bench_median memory bytes_per_packet)" 1)" "" ""
    value=$(bench_median memory ratio)
    bench_row "Resident memory / stored bytes, full store" "$(bench_fixed "$value" 3)" "" \
        "$(bench_goal "$value" '<=' 1.6) (<= 1.6)"
}

bench_report() {
    bench_row "Measure (median of $BENCH_REPEAT runs)" "Sorvane" "Comparison" "Goal"
    bench_row "$(printf -- '-%.0s' {1..58})" "----------" "$(printf -- '-%.0s' {1..26})" "----------------------"
    if wanted capture; then
        bench_capture_rows capture "${BENCH_CAPTURE_RATES[@]}"
        bench_capture_rows loaded "${BENCH_CAPTURE_RATES[@]}"
    fi
    wanted stamps && bench_stamp_rows
    wanted idle && bench_idle_rows
    if wanted store || wanted wine; then
        bench_list_rows
        bench_filter_rows
    fi
    wanted store && bench_memory_rows
}
