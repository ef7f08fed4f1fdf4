#!/usr/bin/env bash
# End-to-end: without CAP_NET_RAW the program still starts, lists its addresses, and shows why
# capture failed in the text pane; nothing is stored, and the program goes on working.
# Arguments: PROGRAM DRIVER WORK_DIR.
set -u
source "$(dirname "$0")/e2e_session.sh" "$@"
e2e_require_root
e2e_begin
e2e_start_sink
e2e_start_program setpriv --inh-caps=-all --bounding-set=-all --

echo "== start without CAP_NET_RAW"
check_equal "the addresses are still listed" "$(printf '0. ( %s )\n1. ( 127.0.0.1 )' "$E2E_ADDRESS_A")" \
    "$(driver combo-items 1001)"
driver combo-select 1001 "( $E2E_ADDRESS_A )"
driver click 1000
check_equal "the button reads 停止" 停止 "$(driver text 1000)"
check_equal "the pane names the failing step and its reason" "socket(AF_PACKET) failed: Operation not permitted" \
    "$(wait_pane_text)"
check_equal "the sender sent three datagrams" 3 "$(e2e_send_from_b 3:64)"
sleep 2
check_equal "nothing is counted" 0 "$(driver text 1005)"
driver click 1000
check_equal "stop still returns the button to 開始" 開始 "$(driver text 1000)"
driver click 1007
check_equal "the list is empty" "" "$(driver list-items 1008)"

echo "== the program goes on working"
driver menu 32772
check_status "the settings dialog opens" driver dialog-wait "$E2E_SETTINGS" 10
driver dialog-click "$E2E_SETTINGS" 1
check_status "OK closes the settings dialog" driver dialog-gone "$E2E_SETTINGS" 10
driver click 1000
check_equal "a second start shows the failing step again, alone in the pane" \
    "socket(AF_PACKET) failed: Operation not permitted" "$(wait_pane_text)"
driver click 1000
check_equal "the second stop returns the button to 開始" 開始 "$(driver text 1000)"
check_equal "still nothing is counted" 0 "$(driver text 1005)"

echo "== closing"
check_clean_exit
e2e_finish
