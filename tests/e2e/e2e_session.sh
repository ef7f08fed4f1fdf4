# Shared part of the end-to-end scenarios: the root check, a Wine prefix and display of their own,
# two network namespaces joined by a veth pair, the program started in the first namespace and
# driven through its window, checks with a final "N passed, M failed" line, and clean-up on exit.
# The program, Wine, the display and the driver run as the unprivileged user E2E_USER, who owns the
# prefix; the scenarios themselves run as root, which only the namespaces and the launcher need.
# Source it with the arguments PROGRAM DRIVER WORK_DIR.

E2E_PROGRAM=$1
E2E_DRIVER=$2
# Each scenario keeps its logs in a folder of its own; the user's folder, shared by the scenarios,
# holds the Wine prefix and whatever the user writes.
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
E2E_PROGRAM_PID=
E2E_SINK_PID=
E2E_AS_USER=()
E2E_IN_A_AS_USER=()
E2E_PASSED=0
E2E_FAILED=0

source "$E2E_ROOT/scripts/lib/netns.sh"
source "$E2E_ROOT/scripts/lib/full-run.sh"
source "$E2E_ROOT/scripts/lib/run-as.sh"
source "$E2E_ROOT/scripts/lib/e2e-user.sh"
E2E_USER_WORK=$E2E_SHARED_WORK/$E2E_USER

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

# E2E_AS_USER runs what follows as E2E_USER without any capability; E2E_IN_A_AS_USER does so in
# namespace A: Wine's processes, the driver and the sink, so that the program's processes are the
# only ones there that could hold a capability. The user's folder is made for it here.
e2e_prepare_user() {
    ensure_e2e_user || e2e_abort "could not create the user $E2E_USER"
    run_as_prefix "$E2E_USER" --inh-caps=-all --bounding-set=-all || e2e_abort "no user $E2E_USER"
    E2E_AS_USER=("${RUN_AS_PREFIX[@]}")
    E2E_IN_A_AS_USER=(ip netns exec "$E2E_NS_A" "${E2E_AS_USER[@]}")
    E2E_USER_UID=$(id -u "$E2E_USER")
    install -d -o "$E2E_USER" -g "$(id -g "$E2E_USER")" -m 0700 "$E2E_USER_WORK" &&
        "${E2E_AS_USER[@]}" test -w "$E2E_USER_WORK" ||
        e2e_abort "$E2E_USER cannot write to $E2E_USER_WORK (is a folder above it closed to others?)"
}

# Prepares the prefix and the display, creates the namespaces and arms the clean-up.
e2e_begin() {
    e2e_begin_without_prefix
    prepare_wine_prefix_as "${E2E_AS_USER[@]}" || e2e_abort "the Wine prefix could not be prepared"
    # The scenarios run one at a time, so a server of the shared prefix that still runs is left over
    # from an earlier one (a Wine process that started as it ended); it would keep this scenario's
    # server from starting.
    stop_wine_server "${E2E_AS_USER[@]}"
    # One server for the whole scenario, where the program runs and holding no capability: the
    # program may start and end several times without meeting a server on its way out.
    start_wine_server "${E2E_IN_A_AS_USER[@]}" ||
        e2e_abort "the Wine server did not start"
    # The desktop that start_wine_server started would end a second later, just as the program
    # starts; kept up, every start of the program meets the same desktop.
    keep_wine_desktop "${E2E_IN_A_AS_USER[@]}" &&
        wait_for_kept_desktop || e2e_abort "the Wine desktop could not be kept up"
}

# The user, the display and the namespaces, with the clean-up armed. WINEPREFIX is the shared
# prefix, or E2E_WINEPREFIX when the scenario names one; preparing it is left to the caller.
e2e_begin_without_prefix() {
    mkdir -p "$E2E_WORK"
    rm -f "$E2E_WORK/program.log" "$E2E_WORK/driver.log"
    e2e_prepare_user
    export SORVANE_WINEPREFIX="${E2E_WINEPREFIX:-$E2E_USER_WORK/wine}"
    # The pipe is opened by this root shell, so it lies in a folder of root's.
    export SORVANE_DESKTOP_HOLDER="$E2E_WORK/desktop-holder"
    source "$E2E_ROOT/scripts/lib/wine-env.sh"
    source "$E2E_ROOT/scripts/lib/xvfb.sh"
    # A display of the user's own, also when the caller has one: the user may read only its cookie.
    unset DISPLAY XAUTHORITY
    start_private_xvfb "${E2E_AS_USER[@]}" || e2e_abort "no X display"
    trap e2e_cleanup EXIT
    netns_pair_create "$E2E_NS_A" "$E2E_NS_B" "$E2E_ADDRESS_A/24" "$E2E_ADDRESS_B/24" ||
        e2e_abort "could not create the network namespaces"
}

# Waits until the console that keeps the desktop up has run a command written to it, and a desktop
# process runs in namespace A: from then on the desktop stays, and the program's start meets it.
# Hang guard 60 s.
wait_for_kept_desktop() {
    local marker="$E2E_USER_WORK/desktop-kept" i
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

# e2e_open: how every scenario begins: the root check, the user, the prefix, display and
# namespaces, and the UDP sink in namespace A.
e2e_open() {
    e2e_require_root
    e2e_begin
    e2e_start_sink
}

e2e_cleanup() {
    e2e_end_program >/dev/null 2>&1
    [ -n "$E2E_SINK_PID" ] && kill "$E2E_SINK_PID" 2>/dev/null
    stop_wine_server "${E2E_AS_USER[@]}"
    netns_pair_delete "$E2E_NS_A" "$E2E_NS_B"
    end_private_xvfb
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
# beside the program, in its namespace, as the user and without any capability.
driver() {
    "${E2E_IN_A_AS_USER[@]}" "$E2E_DRIVER" "$@" \
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

# e2e_start_program COMMAND...: runs the command, which starts the program's launcher (the launcher
# starts the capture helper), in namespace A, and waits for the program's main window.
e2e_start_program() {
    echo "== program started at $(date +%T.%N)" >>"$E2E_WORK/program.log"
    # Wine's error messages are kept in the log, so that a program that ends by itself says why.
    WINEDEBUG=fixme-all ip netns exec "$E2E_NS_A" "$@" >>"$E2E_WORK/program.log" 2>&1 &
    E2E_PROGRAM_PID=$!
    driver wait-main 60 || e2e_abort "the main window did not appear"
}

# e2e_start_program_with_net_raw: the launcher started by root and told to run as E2E_USER: it hands
# CAP_NET_RAW to the capture helper alone, and the program runs as the user without any capability.
e2e_start_program_with_net_raw() {
    e2e_start_program "$E2E_PROGRAM" --user "$E2E_USER"
}

# "PID NAME UIDS" for every process in namespace A, UIDS its real, effective, saved and file-system
# user ids joined by commas.
namespace_a_user_ids() {
    local pid
    for pid in $(ip netns pids "$E2E_NS_A" 2>/dev/null); do
        awk -v pid="$pid" '/^Name:/ { name = $2 } /^Uid:/ { ids = $2 "," $3 "," $4 "," $5 }
            END { if (name != "") print pid, name, ids }' "/proc/$pid/status" 2>/dev/null
    done
}

# The program's capture helper: its child of that name.
helper_pid() {
    local pid
    for pid in $(pgrep -P "$E2E_PROGRAM_PID" -x sorvane-capture); do echo "$pid"; done
}

# "PID COMMAND CapInh CapPrm CapEff CapAmb" for every process in namespace A.
namespace_capabilities() {
    local namespace pid
    namespace=$(readlink "/proc/$E2E_PROGRAM_PID/ns/net")
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/ns/net" 2>/dev/null)" = "$namespace" ] || continue
        awk -v pid="$pid" '/^Name:/ {name = $2} /^CapInh:/ {i = $2} /^CapPrm:/ {p = $2} /^CapEff:/ {e = $2}
            /^CapAmb:/ {a = $2} END {if (name != "") print pid, name, i, p, e, a}' "/proc/$pid/status" 2>/dev/null
    done
}

# check_nothing_runs_as_root: the program, its capture helper and every Wine process (with the
# driver and the sink, everything in namespace A) run as E2E_USER; none has user id 0.
check_nothing_runs_as_root() {
    local table ids="$E2E_USER_UID,$E2E_USER_UID,$E2E_USER_UID,$E2E_USER_UID"
    table=$(namespace_a_user_ids)
    echo "$table" | sed 's/^/      /'
    check_equal "the program runs as $E2E_USER" "$E2E_PROGRAM_PID $ids" \
        "$(awk -v pid="$E2E_PROGRAM_PID" '$1 == pid { print $1, $3 }' <<<"$table")"
    check_equal "so does the Wine server" "wineserver64 $ids" "$(awk '$2 ~ /^wineserver/ { print $2, $3 }' <<<"$table")"
    check_equal "no process in the namespace has a user id 0 (real, effective, saved or file system)" "" \
        "$(awk '$3 ~ /(^|,)0(,|$)/' <<<"$table")"
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

# e2e_start_sink: a UDP receiver on port E2E_SINK_PORT of every address in namespace A, as the user
# and without any capability, so that the program's processes are the only ones there that could
# hold one.
e2e_start_sink() {
    "${E2E_IN_A_AS_USER[@]}" python3 "$E2E_HERE/udp_traffic.py" sink 0.0.0.0 "$E2E_SINK_PORT" &
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
