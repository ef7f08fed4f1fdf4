# Starting the program's launcher with raw capture and nothing more, as a service manager would
# (CAP_NET_RAW in the ambient set). The launcher hands the capability to the capture helper alone and
# drops it before Wine starts. Source it.

# Fills the array NET_RAW_PREFIX with the command that runs what follows it as root with only
# CAP_NET_RAW, in its ambient set and as its whole bounding set. Returns 1 (and leaves the array
# empty) when not root.
net_raw_prefix() {
    NET_RAW_PREFIX=()
    [ "$(id -u)" -eq 0 ] || return 1
    NET_RAW_PREFIX=(setpriv --inh-caps=-all,+net_raw --ambient-caps=+net_raw --bounding-set=-all,+net_raw --)
}
