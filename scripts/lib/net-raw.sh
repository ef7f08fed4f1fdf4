# Starting a program with raw capture and nothing more, as a service manager would (CAP_NET_RAW in
# the ambient set). The program's launcher hands the capability to the capture helper alone and drops
# it before Wine starts. Source it.
source "$(dirname "${BASH_SOURCE[0]}")/run-as.sh"

# net_raw_prefix [USER]: fills the array NET_RAW_PREFIX with the command that runs what follows it
# with only CAP_NET_RAW, in its ambient set and as its whole bounding set: as root, or as USER when
# one is named (the program's launcher refuses to run as root). Returns 1 (and leaves the array
# empty) when not root or when there is no such user.
net_raw_prefix() {
    local capabilities=(--inh-caps=-all,+net_raw --ambient-caps=+net_raw --bounding-set=-all,+net_raw)
    NET_RAW_PREFIX=()
    [ "$(id -u)" -eq 0 ] || return 1
    if [ -z "${1:-}" ]; then
        NET_RAW_PREFIX=(setpriv "${capabilities[@]}" --)
    elif run_as_prefix "$1" "${capabilities[@]}"; then
        NET_RAW_PREFIX=("${RUN_AS_PREFIX[@]}")
    else
        return 1
    fi
}
