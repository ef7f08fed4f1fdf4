# Time stamps against tcpdump's for the same frames, and how often the packet counter moves: the
# program under Wine (each variant in turn) and tcpdump capture the same datagrams at once, idle and
# with a busy loop on every CPU. Source it after common.sh, network.sh, capture.sh and wine.sh.

BENCH_STAMP_RATES=(1000 100000)
# The counter is watched during the 1,000/s stamp runs and in runs of its own at 20,000/s.
BENCH_COUNTER_RATES=(1000 20000)

# bench_stamp_count RATE: a modest burst: 3 s at 1,000/s (and at 20,000/s, where only the counter
# is watched), 0.3 s at 100,000/s; the driver reads each row back with a message to the program,
# about a millisecond each.
bench_stamp_count() {
    case "$1" in
        1000) echo 3000 ;;
        20000) echo 60000 ;;
        *) echo 30000 ;;
    esac
}

# bench_stamp_errors ROWS TCPDUMP_TEXT: pairs the program's rows with tcpdump's frames in order and
# prints, per pair, "INDEX PROGRAM_STAMP TCPDUMP_STAMP ERROR_MS MATCH": the error is the program's
# stamp minus tcpdump's time of day cut to the millisecond (as the program cuts its own), MATCH is 1
# when the row's addresses and ports are the frame's. Frames beyond the shorter list are left out.
bench_stamp_errors() {
    awk '
        function day_us(stamp,   t) {
            split(stamp, t, /[:.]/)
            return ((t[1] * 60 + t[2]) * 60 + t[3]) * 1e6 + t[4] * (length(t[4]) == 3 ? 1000 : 1)
        }
        function dotted(address,   o) {
            split(address, o, ".")
            return (o[1] + 0) "." (o[2] + 0) "." (o[3] + 0) "." (o[4] + 0)
        }
        # A row: "HH:MM:SS.mmm Src_Addr:A Dst_Addr:B Src_Port:P  Dst_Port:Q".
        FNR == NR {
            rows++
            stamp[rows] = $1
            sub(/^Src_Addr:/, "", $2); sub(/^Dst_Addr:/, "", $3)
            sub(/^Src_Port:/, "", $4); sub(/^Dst_Port:/, "", $5)
            flow[rows] = dotted($2) ":" ($4 + 0) ">" dotted($3) ":" ($5 + 0)
            next
        }
        # A frame: "HH:MM:SS.uuuuuu IP A.B.C.D.P > E.F.G.H.Q: UDP, length 100".
        {
            frames++
            if (frames > rows) next
            n = split($3, s, "."); sub(/:$/, "", $5); split($5, d, ".")
            frame = dotted(s[1] "." s[2] "." s[3] "." s[4]) ":" (s[5] + 0) ">" \
                dotted(d[1] "." d[2] "." d[3] "." d[4]) ":" (d[5] + 0)
            error = day_us(stamp[frames]) / 1000 - int(day_us($1) / 1000)
            if (error > 43200000) error -= 86400000
            if (error < -43200000) error += 86400000
            print frames, stamp[frames], $1, error, (flow[frames] == frame ? 1 : 0)
        }' "$1" "$2"
}

# bench_stamp_summary ERRORS: "pairs=N mismatched=M median_abs_ms=A max_abs_ms=B median_ms=C", the
# last the signed median (negative: the program's stamps are early).
bench_stamp_summary() {
    local abs signed
    abs=$(awk '{ print ($4 < 0 ? -$4 : $4) }' "$1" | sort -g | bench_sorted_median_max)
    signed=$(awk '{ print $4 }' "$1" | sort -g | bench_sorted_median_max)
    printf 'pairs=%d mismatched=%d median_abs_ms=%s max_abs_ms=%s median_ms=%s\n' "$(wc -l <"$1")" \
        "$(awk '$5 != 1' "$1" | wc -l)" ${abs:-n/a n/a} ${signed%% *}
}

# bench_sorted_median_max: the median and the largest of sorted numbers on standard input.
bench_sorted_median_max() {
    awk '{ v[NR] = $1 } END { if (NR) print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2), v[NR] }'
}

# bench_counter_summary WATCH START END: from the counter's changes ("time=S counter=N", wall-clock
# seconds) while datagrams were sent, from START to END: the fewest changes in any one second that
# begins at a change and ends by END, and the longest gap between changes. After END the last
# packets reach the counter on the notice's own time-out, which is not the counter moving.
bench_counter_summary() {
    awk -F'[= ]' -v start="$2" -v end="$3" '$2 >= start && $2 <= end { t[++n] = $2 }
        END {
            fewest = -1
            for (i = 1; i <= n; i++) {
                if (i > 1 && t[i] - t[i - 1] > gap) gap = t[i] - t[i - 1]
                if (t[i] + 1 > end) continue
                c = 0
                for (j = i + 1; j <= n && t[j] <= t[i] + 1; j++) c++
                if (fewest < 0 || c < fewest) fewest = c
            }
            printf "changes=%d fewest_per_second=%s longest_gap_ms=%s\n", n, (fewest < 0 ? "n/a" : fewest),
                (n > 1 ? sprintf("%.0f", gap * 1000) : "n/a")
        }' "$1"
}

# bench_watched_burst RATE LOADED COUNT DIR VARIANT: the burst (mixed traffic) while the driver
# watches the program's counter; the counter's summary goes to DIR/counter.out.
bench_watched_burst() {
    local watcher start end
    bench_wine_as "$5" watch-counter "$(bench_calc "$3 / $1 + 1.5")" >"$4/counter.txt" &
    watcher=$!
    bench_track "$watcher"
    bench_wait_for '^watching' "$4/counter.txt" 20 || bench_log "the counter watch did not start"
    start=$(date +%s.%N)
    bench_burst "$1" "$2" "$4/sender.out" "$3" mixed
    end=$(date +%s.%N)
    wait "$watcher"
    bench_counter_summary "$4/counter.txt" "$start" "$end" >"$4/counter.out"
    bench_record "counter-$1-$2" "${5}_fewest_per_second" "$(bench_field fewest_per_second "$4/counter.out")"
    bench_record "counter-$1-$2" "${5}_longest_gap_ms" "$(bench_field longest_gap_ms "$4/counter.out")"
}

# bench_counter_run RATE LOADED REP VARIANT: a burst that only the counter's watch measures.
bench_counter_run() {
    local dir="$BENCH_WORK/counter-$4-$1-$2-$3"
    mkdir -p "$dir"
    bench_wine_as "$4" prepare "$BENCH_CAPTURE_TOTAL_MB" "$BENCH_ADDRESS_A" || {
        bench_log "counter $4: capture did not start"
        return 1
    }
    bench_watched_burst "$1" "$2" "$(bench_stamp_count "$1")" "$dir" "$4"
    bench_wine_as "$4" stop-capture >"$dir/stop.out"
    bench_log "counter $4 at $1/s, $2: $(cat "$dir/counter.out"); load $(cut -d' ' -f1-3 /proc/loadavg)"
}

# bench_stamp_run RATE LOADED REP VARIANT: one burst captured by the program and tcpdump at once.
bench_stamp_run() {
    local rate=$1 loaded=$2 variant=$4 count dir section="stamps-$1-$2" before after delivered pid
    count=$(bench_stamp_count "$rate")
    dir="$BENCH_WORK/stamps-$variant-$rate-$loaded-$3"
    mkdir -p "$dir"
    bench_wine_as "$variant" prepare "$BENCH_CAPTURE_TOTAL_MB" "$BENCH_ADDRESS_A" || {
        bench_log "stamps $variant: capture did not start"
        return 1
    }
    "${BENCH_IN_A[@]}" "${BENCH_TCPDUMP_NET_RAW[@]}" tcpdump -i veth0 -n -s 100 --time-stamp-precision=micro -w - ip \
        >"$dir/tcpdump.pcap" 2>"$dir/tcpdump.err" &
    pid=$!
    bench_track "$pid"
    if ! bench_wait_for 'listening on' "$dir/tcpdump.err" 10; then
        bench_log "tcpdump did not start: $(cat "$dir/tcpdump.err")"
        kill "$pid" 2>/dev/null
        bench_wine_as "$variant" stop-capture >/dev/null
        return 1
    fi
    before=$(bench_delivered)
    if [[ " ${BENCH_COUNTER_RATES[*]} " == *" $rate "* ]]; then
        bench_watched_burst "$rate" "$loaded" "$count" "$dir" "$variant"
    else
        bench_burst "$rate" "$loaded" "$dir/sender.out" "$count" mixed
        echo "not watched" >"$dir/counter.out"
    fi
    # Every datagram is in both captures once the ring's last block is retired and tcpdump's buffer read.
    sleep 1
    kill -INT "$pid"
    wait "$pid"
    after=$(bench_delivered)
    delivered=$((after - before))
    bench_wine_as "$variant" stop-capture >"$dir/stop.out"
    bench_wine_as "$variant" list-rows >"$dir/rows.txt"
    tcpdump -r "$dir/tcpdump.pcap" -n --time-stamp-precision=micro >"$dir/tcpdump.txt" 2>/dev/null
    bench_stamp_errors "$dir/rows.txt" "$dir/tcpdump.txt" >"$dir/errors.txt"
    bench_stamp_summary "$dir/errors.txt" >"$dir/stamps.out"

    local rows frames pairs mismatched
    rows=$(wc -l <"$dir/rows.txt")
    frames=$(wc -l <"$dir/tcpdump.txt")
    pairs=$(bench_field pairs "$dir/stamps.out")
    mismatched=$(bench_field mismatched "$dir/stamps.out")
    bench_record "$section" "${variant}_rows_fraction" "$(bench_calc "$rows / $delivered")"
    bench_record "$section" "${variant}_tcpdump_fraction" "$(bench_calc "$frames / $delivered")"
    bench_record "$section" "${variant}_mismatched" "$mismatched"
    bench_record "$section" "${variant}_load" "$(cut -d' ' -f1 /proc/loadavg)"
    # Errors count only where every frame was paired with the row of the same flow.
    if [ "$rows" -eq "$delivered" ] && [ "$frames" -eq "$delivered" ] && [ "$mismatched" -eq 0 ]; then
        bench_record "$section" "${variant}_median_abs_ms" "$(bench_field median_abs_ms "$dir/stamps.out")"
        bench_record "$section" "${variant}_max_abs_ms" "$(bench_field max_abs_ms "$dir/stamps.out")"
        bench_record "$section" "${variant}_median_ms" "$(bench_field median_ms "$dir/stamps.out")"
        awk '{ e = ($4 < 0 ? -$4 : $4); print e }' "$dir/errors.txt" | sort -g | uniq -c |
            awk -v s="$section" -v v="$variant" '{ print s, v "_histogram_" $2, $1 }' >>"$BENCH_OUT/histograms.txt"
    fi
    bench_log "stamps $variant at $rate/s, $loaded: $delivered delivered, $rows rows, $frames tcpdump frames," \
        "$pairs paired; $(cat "$dir/stamps.out"); counter: $(cat "$dir/counter.out"); load $(cut -d' ' -f1-3 /proc/loadavg)"
}

# bench_each_repetition RUN RATE: RUN RATE LOADED REP VARIANT, idle then loaded, for every
# repetition and every variant in turn.
bench_each_repetition() {
    local loaded rep variant
    for loaded in idle loaded; do
        for rep in $(seq 1 "$BENCH_REPEAT"); do
            for variant in "${BENCH_VARIANTS[@]}"; do
                "$1" "$2" "$loaded" "$rep" "$variant"
            done
        done
    done
}

bench_stamps_section() {
    local variant rate
    BENCH_SAVED_RMEM_MAX=$(sysctl -n net.core.rmem_max)
    sysctl -qw net.core.rmem_max="$BENCH_STOCK_RMEM_MAX"
    for variant in "${BENCH_VARIANTS[@]}"; do
        [ -n "${BENCH_PROGRAM_PIDS[$variant]:-}" ] || bench_program_up "$variant"
    done
    for rate in "${BENCH_STAMP_RATES[@]}"; do
        bench_each_repetition bench_stamp_run "$rate"
    done
    for rate in "${BENCH_COUNTER_RATES[@]}"; do
        [[ " ${BENCH_STAMP_RATES[*]} " == *" $rate "* ]] && continue
        bench_each_repetition bench_counter_run "$rate"
    done
    bench_wine_stop
    bench_restore_rmem_max
}
