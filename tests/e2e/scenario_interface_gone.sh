#!/usr/bin/env bash
# End-to-end: the captured interface vanishes during capture. The error is shown as one line, stop
# still returns, the program closes cleanly, and started again it captures on loopback, storing and
# showing whole a datagram of the largest IPv4 size.
# Arguments: PROGRAM DRIVER WORK_DIR.
set -u
source "$(dirname "$0")/e2e_session.sh" "$@"
e2e_open
e2e_start_program_with_net_raw


echo "== the veth vanishes during capture"
driver combo-select IDC_INTERFACE "( $E2E_ADDRESS_A )"
driver click IDC_START_STOP
check_equal "the sender sent three datagrams" 3 "$(e2e_send_from_b 3:64)"
check_equal "the three are counted" 3 "$(driver wait-text IDC_PACKET_COUNT 3 15)"
ip -n "$E2E_NS_A" link del veth0
check_equal "the pane says why receiving failed" "recvfrom failed. Code 100: Network is down" "$(wait_pane_text)"
check_equal "capture is still on: the button reads 停止" 停止 "$(driver text IDC_START_STOP)"
driver click IDC_START_STOP
check_equal "stop returns the button to 開始" 開始 "$(driver text IDC_START_STOP)"
check_equal "the counter shows the three stored datagrams" 3 "$(driver text IDC_PACKET_COUNT)"
# After the stop the capture posts nothing more, and every line it posted before has been shown once
# a command posted now has opened its dialog. (A line per wait on the dead socket is the engine
# tests' to find: CaptureInterfaceFaultTests counts the waits.)
driver menu ID_SETTINGS_STORAGE
check_status "the settings dialog opens after stop" driver dialog-wait "$E2E_SETTINGS" 10
driver dialog-click "$E2E_SETTINGS" IDCANCEL
check_status "the settings dialog closes" driver dialog-gone "$E2E_SETTINGS" 10
check_equal "the pane said it once, not over and over" 1 "$(pane_text | grep -c .)"

echo "== after a restart, loopback alone is listed and selected; a capture of a 65,535-byte datagram"
# The entries are positions in a fresh address list: with the veth gone, the list shown before
# no longer matches it, so the program is started again.
check_clean_exit
e2e_start_program_with_net_raw
check_equal "only loopback is listed" "0. ( 127.0.0.1 )" "$(driver combo-items IDC_INTERFACE)"
driver menu ID_SETTINGS_STORAGE
check_status "the settings dialog opens" driver dialog-wait "$E2E_SETTINGS" 10
driver dialog-set-text "$E2E_SETTINGS" IDC_PACKET_BYTES 65535
driver dialog-click "$E2E_SETTINGS" IDOK
check_status "OK closes the settings dialog" driver dialog-gone "$E2E_SETTINGS" 10
driver click IDC_START_STOP
check_equal "the new start empties the pane" "" "$(pane_text)"
check_equal "the loopback sender sent one datagram of 65,507 payload bytes" 1 "$(e2e_send_on_loopback 1:65507)"
check_equal "it is counted once" 1 "$(driver wait-text IDC_PACKET_COUNT 1 15)"
driver click IDC_START_STOP
driver click IDC_LIST_BUTTON
check_match "its row comes from 127.0.0.1 port 40001" \
    '^[0-9:.]{12} Src_Addr:127\.000\.000\.001 Dst_Addr:127\.000\.000\.001 Src_Port:40001  Dst_Port:40000$' \
    "$(driver list-items IDC_PACKET_LIST)"
driver list-double-click IDC_PACKET_LIST 0
detail=$(pane_text)
check_equal "the detail holds 4,096 dump rows" 4096 "$(grep -c '^[0-9a-f]\{8\} : ' <<<"$detail")"
check_match "dump row 0 gives the total length 65,535 (ff ff)" '^00000000 : 45 00 ff ff ' \
    "$(grep -m1 '^00000000 : ' <<<"$detail")"
# Payload byte i is i % 256; the last 15 of the 65,507 are bytes 65,492 to 65,506: d4 to e2.
check_match "the last dump row holds the last 15 payload bytes" '^00000fff : d4 d5 d6 .* e1 e2    ' \
    "$(tail -n 1 <<<"$detail")"

echo "== closing"
check_clean_exit
e2e_finish
