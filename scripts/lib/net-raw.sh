# Starting the program with raw capture and nothing more. Source it.
# Packet sockets need CAP_NET_RAW; the program gets that one capability, in its ambient set so that
# it survives the exec of Wine's loader, and never runs as a full root GUI.

# Fills the array NET_RAW_PREFIX with the command that runs what follows it with only CAP_NET_RAW:
# as the invoking user when called through sudo, as root with a bounding set of just CAP_NET_RAW
# when called by root directly. Returns 1 (and leaves the array empty) when not root.
net_raw_prefix() {
    NET_RAW_PREFIX=()
    [ "$(id -u)" -eq 0 ] || return 1
    local caps=(--inh-caps=-all,+net_raw --ambient-caps=+net_raw --bounding-set=-all,+net_raw)
    if [ -n "${SUDO_UID:-}" ] && [ "${SUDO_UID}" != 0 ]; then
        NET_RAW_PREFIX=(setpriv --reuid="$SUDO_UID" --regid="${SUDO_GID:-$SUDO_UID}" --init-groups "${caps[@]}" --)
    else
        NET_RAW_PREFIX=(setpriv "${caps[@]}" --)
    fi
}

# True when this process may open packet sockets (CAP_NET_RAW in its effective set).
has_net_raw() {
    local effective
    effective=$(awk '/^CapEff:/ {print $2}' /proc/self/status)
    (( (16#$effective >> 13) & 1 ))
}
