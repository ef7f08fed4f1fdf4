# Starting the program's launcher with raw capture and nothing more, as a service manager would
# (CAP_NET_RAW in the ambient set). The launcher hands the capability to the capture helper alone and
# drops it before Wine starts. Source it.

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

