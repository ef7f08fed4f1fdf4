# The full store in the host harness: resident memory per packet, rows rendered natively, and
# tshark's summary lines for the same packets as a pcap file.
# Source it after common.sh.

readonly BENCH_FULL_STORE=167772

bench_store_section() {
    local rep pcap="$BENCH_WORK/full-store.pcap" out start end
    for rep in $(seq 1 "$BENCH_REPEAT"); do
        out="$BENCH_WORK/memory-$rep.out"
        "$BENCH_BIN/sorvane_bench_store" memory "$BENCH_FULL_STORE" >"$out"
        bench_record memory ratio "$(bench_field ratio "$out")"
        bench_record memory bytes_per_packet "$(bench_field bytes_per_packet "$out")"

        out="$BENCH_WORK/list-$rep.out"
        "$BENCH_BIN/sorvane_bench_store" list "$BENCH_FULL_STORE" "$pcap" >"$out"
        bench_record listing ns_per_row "$(bench_field ns_per_row "$out")"
        bench_log "store: $(cat "$BENCH_WORK/memory-$rep.out"); $(cat "$out")"
    done
    for rep in $(seq 1 "$BENCH_REPEAT"); do
        start=$(date +%s.%N)
        tshark -r "$pcap" >"$BENCH_WORK/tshark.txt" 2>/dev/null
        end=$(date +%s.%N)
        bench_record listing tshark_seconds "$(bench_calc "$end - $start")"
        bench_record listing tshark_lines "$(wc -l <"$BENCH_WORK/tshark.txt")"
    done
    bench_log "tshark: $(bench_median listing tshark_seconds) s for $(bench_median listing tshark_lines) lines"
}
