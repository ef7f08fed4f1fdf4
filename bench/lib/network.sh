# The benchmark network: namespaces A (198.51.100.1) and B (.2, .3, .4) joined by a veth pair,
# with fixed neighbour entries so that no ARP crosses the pair, and a UDP sink on port 40000 in A.
# Source it after common.sh and scripts/lib/netns.sh; every function needs root.

BENCH_NS_A="sorvane-bench-$$-a"
BENCH_NS_B="sorvane-bench-$$-b"
BENCH_ADDRESS_A=198.51.100.1
BENCH_ADDRESSES_B=(198.51.100.2 198.51.100.3 198.51.100.4)

# Command prefixes rather than functions: a function run in the background is a subshell, and its $!
# would not be the PID of the command; nsenter becomes the command itself.
BENCH_IN_A=(nsenter --net="/run/netns/$BENCH_NS_A" --)
BENCH_IN_B=(nsenter --net="/run/netns/$BENCH_NS_B" --)
# BENCH_SEND COUNT RATE single|mixed: sends from B and writes the sender's report to stdout.
BENCH_SEND=("${BENCH_IN_B[@]}" "$BENCH_BIN/sorvane_bench_sender" send)

bench_mac() {
    ip -n "$1" -o link show veth0 | grep -o 'link/ether [0-9a-f:]*' | cut -d' ' -f2
}

bench_net_up() {
    netns_pair_create "$BENCH_NS_A" "$BENCH_NS_B" "$BENCH_ADDRESS_A/24" "${BENCH_ADDRESSES_B[0]}/24" || return 1
    local address mac_a mac_b
    mac_a=$(bench_mac "$BENCH_NS_A")
    mac_b=$(bench_mac "$BENCH_NS_B")
    for address in "${BENCH_ADDRESSES_B[@]:1}"; do
        ip -n "$BENCH_NS_B" address add "$address/24" dev veth0 || return 1
    done
    for address in "${BENCH_ADDRESSES_B[@]}"; do
        ip -n "$BENCH_NS_A" neigh replace "$address" lladdr "$mac_b" dev veth0 nud permanent || return 1
    done
    ip -n "$BENCH_NS_B" neigh replace "$BENCH_ADDRESS_A" lladdr "$mac_a" dev veth0 nud permanent || return 1
    "${BENCH_IN_A[@]}" "$BENCH_BIN/sorvane_bench_sender" sink >"$BENCH_WORK/sink.out" 2>&1 &
    BENCH_SINK_PID=$!
    bench_track "$BENCH_SINK_PID"
    bench_wait_for 'sink ready' "$BENCH_WORK/sink.out" 10
}

bench_net_down() {
    [ -n "${BENCH_SINK_PID:-}" ] && kill "$BENCH_SINK_PID" 2>/dev/null
    netns_pair_delete "$BENCH_NS_A" "$BENCH_NS_B"
}

# Datagrams that reached A's end of the pair so far (the veth driver's receive counter).
bench_delivered() {
    ip netns exec "$BENCH_NS_A" cat /sys/class/net/veth0/statistics/rx_packets
}
