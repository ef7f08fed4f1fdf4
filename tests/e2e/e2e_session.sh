# Shared part of the end-to-end scenarios: the root check, a Wine prefix and display of their own,
# two network namespaces joined by a veth pair, the program started in the first namespace and
# driven through its window, checks with a final "N passed, M failed" line, and clean-up on exit.
# Source it with the arguments PROGRAM DRIVER WORK_DIR.

E2E_PROGRAM=$1
E2E_DRIVER=$2
# The Wine prefix is shared by the scenarios; each keeps its logs in a folder of its own.
E2E_SHARED_WORK=$3
E2E_SCENARIO=$(basename "$0" .sh)
E2E_WORK=$E2E_SHARED_WORK/${E2E_SCENARIO#scenario_}
E2E_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_ROOT=$(cd "$E2E_HERE/../.." && pwd)
# Message boxes are captioned with the executable's name without its extension.
E2E_APP_NAME=$(basename "$E2E_PROGRAM")

readonly E2E_SKIP=77
readonly E2E_ADDRESS_A=198.51.100.1
readonly E2E_ADDRESS_B=198.51.100.2
readonly E2E_SINK_PORT=40000
readonly E2E_SOURCE_PORT=40001
# The caption of the storage settings dialog.
readonly E2E_SETTINGS=ﾊﾟｹｯﾄの最大格納ｻｲｽﾞ
E2E_NS_A="sorvane-e2e-$$-a"
E2E_NS_B="sorvane-e2e-$$-b"
# Runs what follows in namespace A without any capability: Wine's processes, the driver and the sink,
# so that the program's processes are the only ones there that could hold one.
E2E_IN_A_WITHOUT_CAPABILITIES=(ip netns exec "$E2E_NS_A" setpriv --inh-caps=-all --bounding-set=-all --)
E2E_PROGRAM_PID=
E2E_SINK_PID=
E2E_PASSED=0
E2E_FAILED=0

source "$E2E_ROOT/scripts/lib/netns.sh"
source "$E2E_ROOT/scripts/lib/net-raw.sh"
source "$E2E_ROOT/scripts/lib/full-run.sh"

# Without root the scenario is skipped (exit 77), except in a full run, where a skip is a failure.
e2e_require_root() {
    if [ "$(id -u)" -ne 0 ]; then
        local verdict=SKIPPED status=$E2E_SKIP
        if full_run_required; then
            verdict="FAILED (a full run may not skip)"
            status=1
        fi
        echo "**************************************************************************"
        echo "$verdict: $(basename "$0") needs root (network namespaces, CAP_NET_RAW)."
        echo "Run the end-to-end tests as root: sudo ctest --preset linux -L e2e"
        echo "**************************************************************************"
        exit "$status"
    fi
}

# Prepares the prefix and the display, creates the namespaces and arms the clean-up.
e2e_begin() {
    mkdir -p "$E2E_WORK"
    rm -f "$E2E_WORK/program.log" "$E2E_WORK/driver.log"
    export SORVANE_WINEPREFIX="$E2E_SHARED_WORK/wineprefix"
    source "$E2E_ROOT/scripts/lib/wine-env.sh"
    source "$E2E_ROOT/scripts/lib/xvfb.sh"
    ensure_display || e2e_abort "no X display"
    trap e2e_cleanup EXIT
    prepare_wine_prefix
    # The scenarios run one at a time, so a server of the shared prefix that still runs is left over
    # from an earlier one (a Wine process that started as it ended); it would keep this scenario's
    # server from starting.
    stop_wine_server
    netns_pair_create "$E2E_NS_A" "$E2E_NS_B" "$E2E_ADDRESS_A/24" "$E2E_ADDRESS_B/24" ||
        e2e_abort "could not create the network namespaces"
    # One server for the whole scenario, where the program runs and holding no capability: the
    # program may start and end several times without meeting a server on its way out.
    start_wine_server "${E2E_IN_A_WITHOUT_CAPABILITIES[@]}" ||
        e2e_abort "the Wine server did not start"
    # The desktop that start_wine_server started would end a second later, just as the program
    # starts; kept up, every start of the program meets the same desktop.
    keep_wine_desktop "${E2E_IN_A_WITHOUT_CAPABILITIES[@]}" &&
        wait_for_kept_desktop || e2e_abort "the Wine desktop could not be kept up"
}

# Waits until the console that keeps the desktop up has run a command written to it, and a desktop
# process runs in namespace A: from then on the desktop stays, and the program's start meets it.
# Hang guard 60 s.
wait_for_kept_desktop() {
    local marker="$E2E_WORK/desktop-kept" i
    rm -f "$marker"
    echo "echo kept>Z:${marker//\//\\}" >&7 || return 1
    for i in $(seq 1 600); do
        [ -f "$marker" ] && namespace_a_processes | grep -q ' explorer\.exe$' && return 0
        sleep 0.1
    done
    return 1
}

# "PID NAME" for every process in namespace A.
namespace_a_processes() {
    local pid
    for pid in $(ip netns pids "$E2E_NS_A" 2>/dev/null); do
        echo "$pid $(cat "/proc/$pid/comm" 2>/dev/null)"
    done
}

# e2e_open: how every scenario begins: the root check, the prefix, display and namespaces, the UDP
# sink in namespace A, and NET_RAW_PREFIX for a program that holds CAP_NET_RAW alone (the
# scenarios run as root, so the program keeps root's uid).
e2e_open() {
    e2e_require_root
    e2e_begin
    e2e_start_sink
    SUDO_UID= net_raw_prefix
}

e2e_cleanup() {
    e2e_end_program >/dev/null 2>&1
    [ -n "$E2E_SINK_PID" ] && kill "$E2E_SINK_PID" 2>/dev/null
    stop_wine_server
    netns_pair_delete "$E2E_NS_A" "$E2E_NS_B"
    [ -n "${SORVANE_XVFB_PID:-}" ] && kill "$SORVANE_XVFB_PID" 2>/dev/null
    return 0
}

e2e_abort() {
    echo "ABORTED: $*"
    e2e_report_state
    echo "$E2E_PASSED passed, $((E2E_FAILED + 1)) failed"
    exit 1
}

# What a failed scenario leaves to go on: whether the program still runs, the ends of its log and
# the driver's, and the processes in its namespace.
e2e_report_state() {
    echo "---- state after the failure"
    if [ -z "$E2E_PROGRAM_PID" ]; then
        echo "program: not running (the last one ended with: ${E2E_PROGRAM_STATUS:-nothing yet})"
    elif kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; then
        echo "program: running (PID $E2E_PROGRAM_PID)"
    else
        wait "$E2E_PROGRAM_PID"
        echo "program: ended with status $?"
        E2E_PROGRAM_PID=
    fi
    local log
    for log in program.log driver.log; do
        echo "$log (last lines):"
        tail -n 15 "$E2E_WORK/$log" 2>/dev/null | sed 's/^/    /'
    done
    echo "processes in namespace A:"
    namespace_a_processes | sed 's/^/    /'
    echo "----"
}

# The driver is a Wine program too, and may be the one that starts the prefix's Wine server: it runs
# beside the program, in its namespace and without any capability.
driver() {
    "${E2E_IN_A_WITHOUT_CAPABILITIES[@]}" "$E2E_DRIVER" "$@" \
        2>>"$E2E_WORK/driver.log"
}

# The text pane without the carriage returns that the rich edit control adds to line ends.
pane_text() {
    driver text IDC_TEXT_PANE | tr -d '\r'
}

# The pane's text once it is not empty (log lines arrive as posted notifications), or after 15 s.
wait_pane_text() {
    local text i
    for i in $(seq 1 150); do
        text=$(pane_text)
        [ -n "$text" ] && break
        sleep 0.1
    done
    printf '%s' "$text"
}

# e2e_start_program [COMMAND PREFIX...]: starts the program (its launcher, which starts the capture
# helper) in namespace A, through the prefix (for example a setpriv call), and waits for its main
# window.
e2e_start_program() {
    echo "== program started at $(date +%T.%N)" >>"$E2E_WORK/program.log"
    # Wine's error messages are kept in the log, so that a program that ends by itself says why.
    WINEDEBUG=fixme-all ip netns exec "$E2E_NS_A" "$@" "$E2E_PROGRAM" >>"$E2E_WORK/program.log" 2>&1 &
    E2E_PROGRAM_PID=$!
    driver wait-main 60 || e2e_abort "the main window did not appear"
}

# e2e_start_program_with_net_raw: the program with CAP_NET_RAW as its only capability.
e2e_start_program_with_net_raw() {
    e2e_start_program "${NET_RAW_PREFIX[@]}"
}

# Closes the main window and waits for the program to end; sets E2E_PROGRAM_STATUS to its exit
# status, or to "killed" when it had to be ended by its PID.
e2e_end_program() {
    E2E_PROGRAM_STATUS=
    [ -n "$E2E_PROGRAM_PID" ] || return 0
    driver close
    driver wait-gone 30
    local i
    for i in $(seq 1 100); do
        kill -0 "$E2E_PROGRAM_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; then
        kill "$E2E_PROGRAM_PID"
        E2E_PROGRAM_STATUS=killed
    else
        wait "$E2E_PROGRAM_PID"
        E2E_PROGRAM_STATUS=$?
    fi
    E2E_PROGRAM_PID=
}

# check_clean_exit: closes the program through its window and checks that it ended with status 0.
check_clean_exit() {
    e2e_end_program
    check_equal "the program ends with status 0 when its window closes" 0 "$E2E_PROGRAM_STATUS"
}

# e2e_start_sink: a UDP receiver on port E2E_SINK_PORT of every address in namespace A, without any
# capability, so that the program's processes are the only ones there that could hold one.
e2e_start_sink() {
    "${E2E_IN_A_WITHOUT_CAPABILITIES[@]}" python3 "$E2E_HERE/udp_traffic.py" sink 0.0.0.0 "$E2E_SINK_PORT" &
    E2E_SINK_PID=$!
}

# e2e_send_from_b COUNT:SIZE...: UDP datagrams from namespace B to the sink; prints how many went.
e2e_send_from_b() {
    ip netns exec "$E2E_NS_B" python3 "$E2E_HERE/udp_traffic.py" send "$E2E_ADDRESS_B" "$E2E_SOURCE_PORT" \
        "$E2E_ADDRESS_A" "$E2E_SINK_PORT" "$@"
}

# The UDP datagrams namespace A has delivered to its sockets so far.
udp_datagrams_in_a() {
    ip netns exec "$E2E_NS_A" awk '/^Udp: / { if (names) { print $2; exit } names = 1 }' /proc/net/snmp
}

# wait_udp_datagrams_in_a COUNT: until namespace A has delivered COUNT UDP datagrams; hang guard 60 s.
wait_udp_datagrams_in_a() {
    local i
    for i in $(seq 1 600); do
        [ "$(udp_datagrams_in_a)" -ge "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

# e2e_send_on_loopback COUNT:SIZE...: UDP datagrams from 127.0.0.1 to the sink, inside namespace A.
e2e_send_on_loopback() {
    ip netns exec "$E2E_NS_A" python3 "$E2E_HERE/udp_traffic.py" send 127.0.0.1 "$E2E_SOURCE_PORT" \
        127.0.0.1 "$E2E_SINK_PORT" "$@"
}

e2e_pass() {
    E2E_PASSED=$((E2E_PASSED + 1))
    echo "ok:   $1"
}

e2e_fail() {
    E2E_FAILED=$((E2E_FAILED + 1))
    echo "FAIL: $1"
}

# check_equal DESCRIPTION EXPECTED ACTUAL
check_equal() {
    if [ "$2" == "$3" ]; then
        e2e_pass "$1"
    else
        e2e_fail "$1"
        printf '      expected: %q\n      actual:   %q\n' "$2" "$3"
    fi
}

# check_match DESCRIPTION EXTENDED_REGEX ACTUAL
check_match() {
    if [[ "$3" =~ $2 ]]; then
        e2e_pass "$1"
    else
        e2e_fail "$1"
        printf '      pattern: %s\n      actual:  %q\n' "$2" "$3"
    fi
}

# check_status DESCRIPTION COMMAND...: passes when the command succeeds.
check_status() {
    local description=$1
    shift
    if "$@"; then e2e_pass "$description"; else e2e_fail "$description"; fi
}

e2e_finish() {
    [ "$E2E_FAILED" -eq 0 ] || e2e_report_state
    echo "$E2E_PASSED passed, $E2E_FAILED failed"
    [ "$E2E_FAILED" -eq 0 ]
    exit
}
