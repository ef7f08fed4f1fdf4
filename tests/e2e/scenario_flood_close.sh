#!/usr/bin/env bash
# End-to-end: a UDP flood from the other namespace. During the flood the stop command returns, and
# closing the window, by its close command and by the menu, ends the process with status 0, and a
# real key press on the stop button stops capture. The times are printed; how long they may take is
# the benchmarks' business, and the waits here are hang guards only.
# Arguments: PROGRAM DRIVER WORK_DIR.
set -u
source "$(dirname "$0")/e2e_session.sh" "$@"
e2e_open

# The flood runs until it is ended; the window is acted on only after it has run for a while, so
# that notices handled too slowly would have piled up by then.
readonly FLOOD_SECONDS=600
readonly FLOOD_HEAD_START=15
# Hang guard for a close, in seconds.
readonly CLOSE_HANG_GUARD=60
FLOOD_PID=

start_flood() {
    ip netns exec "$E2E_NS_B" python3 "$E2E_HERE/udp_flood.py" "$E2E_ADDRESS_B" "$E2E_SOURCE_PORT" \
        "$E2E_ADDRESS_A" "$E2E_SINK_PORT" "$FLOOD_SECONDS" >"$E2E_WORK/flood.count" &
    FLOOD_PID=$!
    sleep "$FLOOD_HEAD_START"
}

stop_flood() {
    [ -n "$FLOOD_PID" ] || return 0
    kill "$FLOOD_PID" 2>/dev/null
    wait "$FLOOD_PID" 2>/dev/null
    FLOOD_PID=
    echo "      the flood sent $(cat "$E2E_WORK/flood.count") datagrams"
}
trap 'stop_flood >/dev/null; e2e_cleanup' EXIT

process_gone() {
    ! kill -0 "$1" 2>/dev/null
}

now_ms() {
    echo $(($(date +%s%N) / 1000000))
}

# Keeps only the IP and UDP headers of each datagram (28 bytes) and lifts the total limit, so that
# the store does not fill during the flood; then picks the veth address.
prepare_capture_on_veth() {
    driver menu ID_SETTINGS_STORAGE
    driver dialog-wait "$E2E_SETTINGS" 10 || e2e_abort "the settings dialog did not open"
    driver dialog-set-text "$E2E_SETTINGS" IDC_PACKET_BYTES 28
    driver dialog-set-text "$E2E_SETTINGS" IDC_TOTAL_MB -1
    driver dialog-click "$E2E_SETTINGS" IDOK
    driver dialog-gone "$E2E_SETTINGS" 10
    driver combo-select IDC_INTERFACE "( $E2E_ADDRESS_A )"
}

# press_start_stop EXPECTED_TEXT SECONDS: a space key from the X server to the focused start/stop
# button, as a user would press it; waits for the button to read EXPECTED_TEXT, with a hang guard of
# SECONDS, and sets PRESS_MS.
press_start_stop() {
    local start
    start=$(now_ms)
    "${E2E_AS_USER[@]}" xdotool key --window "$("${E2E_AS_USER[@]}" xdotool search --name '^Sorvane$' | head -n 1)" space
    driver wait-text IDC_START_STOP "$1" "$2" >/dev/null
    PRESS_MS=$(($(now_ms) - start))
}

# close_during_flood HOW COMMAND...: the command closes the window while the flood runs.
close_during_flood() {
    local how=$1 pid=$E2E_PROGRAM_PID start i
    shift
    start=$(now_ms)
    "$@"
    for i in $(seq 1 $((CLOSE_HANG_GUARD * 10))); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "      the process ended $(($(now_ms) - start)) ms after $how"
    check_status "the process ended after $how during the flood" process_gone "$pid"
    e2e_end_program
    check_equal "exit status 0 after $how" 0 "$E2E_PROGRAM_STATUS"
}

echo "== the stop command and the window's close command during a flood"
e2e_start_program_with_net_raw
prepare_capture_on_veth
driver click IDC_START_STOP
start_flood
start=$(now_ms)
driver text IDC_PACKET_COUNT >/dev/null
echo "      a driver round trip (WM_GETTEXT) during the flood: $(($(now_ms) - start)) ms"
start=$(now_ms)
driver click IDC_START_STOP
echo "      the stop command (BM_CLICK sent by the driver) during the flood: $(($(now_ms) - start)) ms"
check_equal "the stop command during the flood returns the button to 開始" 開始 "$(driver text IDC_START_STOP)"
check_status "packets were stored during the flood" test "$(driver text IDC_PACKET_COUNT)" -gt 0
driver click IDC_START_STOP
sleep "$FLOOD_HEAD_START"
close_during_flood "WM_CLOSE" driver close
stop_flood

echo "== the menu's exit command during a flood"
e2e_start_program_with_net_raw
prepare_capture_on_veth
driver click IDC_START_STOP
start_flood
close_during_flood "the exit menu command" driver menu ID_FILE_EXIT
stop_flood

# Keys and clicks come after posted messages in the window's queue; the engine spaces its packet
# notices out, so a real key press on the stop button takes effect during the flood.
echo "== a key press on the stop button during a flood"
e2e_start_program_with_net_raw
prepare_capture_on_veth
press_start_stop 停止 10
[ "$(driver text IDC_START_STOP)" == 停止 ] || e2e_abort "a key press on the start button does not reach the window"
echo "      a key press started capture with no flood in $PRESS_MS ms"
start_flood
press_start_stop 開始 30
check_equal "a key press during the flood stops capture" 開始 "$(driver text IDC_START_STOP)"
echo "      the key press took effect during the flood in $PRESS_MS ms"
check_status "the counter shows the stored packets" test "$(driver text IDC_PACKET_COUNT)" -gt 0
stop_flood
check_clean_exit
e2e_finish
