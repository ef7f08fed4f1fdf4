# Network namespace helpers: two namespaces of our own joined by a veth pair, for demos and the
# end-to-end tests. Source it; every function needs root.

# netns_pair_create NAME_A NAME_B ADDRESS_A/PREFIX ADDRESS_B/PREFIX
# Each namespace gets its loopback up and one end of the pair, named veth0, with its address.
# IPv6 is switched off so that no neighbour or router chatter crosses the pair.
netns_pair_create() {
    local a=$1 b=$2 address_a=$3 address_b=$4 ns
    ip netns add "$a" || return 1
    if ! ip netns add "$b"; then
        ip netns delete "$a"
        return 1
    fi
    for ns in "$a" "$b"; do
        ip netns exec "$ns" sysctl -q -w net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1 \
            >/dev/null || { netns_pair_delete "$a" "$b"; return 1; }
        ip -n "$ns" link set lo up || { netns_pair_delete "$a" "$b"; return 1; }
    done
    ip link add veth0 netns "$a" type veth peer name veth0 netns "$b" &&
        ip -n "$a" address add "$address_a" dev veth0 &&
        ip -n "$b" address add "$address_b" dev veth0 &&
        ip -n "$a" link set veth0 up &&
        ip -n "$b" link set veth0 up || { netns_pair_delete "$a" "$b"; return 1; }
}

# netns_pair_delete NAME_A NAME_B: deletes both namespaces (and with them the veth pair).
netns_pair_delete() {
    local ns
    for ns in "$@"; do
        ip netns delete "$ns" 2>/dev/null || true
    done
}
