#!/usr/bin/env bash
# End-to-end: the interface list, capture of known traffic from the other namespace, the counter,
# the packet list, a detail text, the address filter, and capture on loopback.
# Arguments: PROGRAM DRIVER WORK_DIR.
set -u
source "$(dirname "$0")/e2e_session.sh" "$@"
e2e_open
e2e_start_program_with_net_raw

readonly STAMP='[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\.[0-9]{3}'
readonly B_TO_A='Src_Addr:198\.051\.100\.002 Dst_Addr:198\.051\.100\.001'
readonly A_TO_B='Src_Addr:198\.051\.100\.001 Dst_Addr:198\.051\.100\.002'

echo "== interface list"
check_equal "the combo box lists the veth address first and loopback last, as numbered entries" \
    "$(printf '0. ( %s )\n1. ( 127.0.0.1 )' "$E2E_ADDRESS_A")" "$(driver combo-items IDC_INTERFACE)"
check_equal "the entry numbered 0 is selected" 0 "$(driver combo-selection IDC_INTERFACE)"

echo "== capture on the entry selected at start-up: six UDP datagrams and one ping from the other namespace"
driver click IDC_START_STOP
check_equal "the start button now reads 停止" 停止 "$(driver text IDC_START_STOP)"
check_equal "the list button is disabled while capturing" 0 "$(driver enabled IDC_LIST_BUTTON)"
check_equal "the filter button is disabled while capturing" 0 "$(driver enabled IDC_FILTER_BUTTON)"
check_equal "the counter starts at 0" 0 "$(driver text IDC_PACKET_COUNT)"
check_equal "the sender sent six datagrams" 6 "$(e2e_send_from_b 1:0 1:1 1:18 1:100 1:512 1:1472)"
ping_a_from_b() { ip netns exec "$E2E_NS_B" ping -c 1 -W 5 -q "$E2E_ADDRESS_A" >/dev/null; }
check_status "the echo request is answered" ping_a_from_b
# Six datagrams in, the echo request in, the echo reply out: eight IPv4 datagrams on the veth.
check_equal "the counter reaches eight" 8 "$(driver wait-text IDC_PACKET_COUNT 8 15)"
echo "== the user ids of every process in the program's namespace, its capture helper's during capture included"
check_nothing_runs_as_root
driver click IDC_START_STOP
check_equal "stop: the button reads 開始 again" 開始 "$(driver text IDC_START_STOP)"
check_equal "the counter still shows eight after stop" 8 "$(driver text IDC_PACKET_COUNT)"
check_equal "the list button is enabled after stop" 1 "$(driver enabled IDC_LIST_BUTTON)"
check_equal "the filter button stays disabled until a list is built" 0 "$(driver enabled IDC_FILTER_BUTTON)"
check_equal "no failure text in the pane" "" "$(pane_text)"
check_equal "the list stays empty until the list command" "" "$(driver list-items IDC_PACKET_LIST)"

echo "== packet list"
driver click IDC_LIST_BUTTON
mapfile -t rows < <(driver list-items IDC_PACKET_LIST)
check_equal "one row per stored datagram" 8 "${#rows[@]}"
all93=yes
for row in "${rows[@]}"; do [ "${#row}" -eq 93 ] || all93="no: ${#row} characters in $row"; done
check_equal "every row is 93 characters long" yes "$all93"
for i in 0 1 2 3 4 5; do
    check_match "row $i is UDP from B port 40001 to A port 40000" \
        "^$STAMP $B_TO_A Src_Port:40001  Dst_Port:40000\$" "${rows[$i]:-}"
done
check_match "row 6 is the echo request: type 8, code 0 read as source port 02048" \
    "^$STAMP $B_TO_A Src_Port:02048  Dst_Port:[0-9]{5}\$" "${rows[6]:-}"
check_match "row 7 is the echo reply: type 0, code 0" "^$STAMP $A_TO_B Src_Port:00000  Dst_Port:[0-9]{5}\$" \
    "${rows[7]:-}"
check_equal "the filter button is enabled once rows are listed" 1 "$(driver enabled IDC_FILTER_BUTTON)"

echo "== detail of row 3 (100 payload bytes, stored cut to 100 of 128 bytes)"
driver list-double-click IDC_PACKET_LIST 3
detail=$(pane_text)
mapfile -t lines <<<"$detail"
check_equal "the detail starts with the row's time stamp and the protocol" "${rows[3]:0:12} Protocol: UDP " \
    "${lines[0]:-}"
check_equal "source address line" "Src Address: 198.51.100.2 " "${lines[1]:-}"
check_equal "destination address line" "Dst Address: 198.51.100.1 " "${lines[2]:-}"
check_equal "port line" "Src Port: 40001  Dst Port: 40000" "${lines[3]:-}"
check_match "dump row 0: IPv4 header of a 128-byte datagram, protocol 17" \
    "^00000000 : 45 [0-9a-f]{2} 00 80 ([0-9a-f]{2} ){5}11 ([0-9a-f]{2} ){2}c6 33 64 02 " "${lines[4]:-}"
check_match "dump row 1: destination, ports 40001 and 40000, length 108, payload 03 04 05 06" \
    "^00000001 : c6 33 64 01 9c 41 9c 40 00 6c ([0-9a-f]{2} ){2}03 04 05 06 " "${lines[5]:-}"
check_equal "seven dump rows for 100 stored bytes" 7 "$(grep -c '^0000000[0-9] : ' <<<"$detail")"
check_match "the last dump row holds four bytes" '^00000006 : ([0-9a-f]{2} ){4} {36}' "${lines[10]:-}"
# For a person to look at: the dump's columns line up on the short last row too.
"${E2E_AS_USER[@]}" import -window root "$E2E_USER_WORK/detail-view.png" &&
    echo "      screenshot: $E2E_USER_WORK/detail-view.png"

echo "== address filter"
filter() {
    driver click-async IDC_FILTER_BUTTON
    driver dialog-wait 絞込 10 && driver dialog-address 絞込 IDC_FILTER_ADDRESS "$1" && driver dialog-click 絞込 IDOK &&
        driver dialog-gone 絞込 10
}
check_status "filter on 198.51.100.2 runs" filter "$E2E_ADDRESS_B"
check_equal "every row involves 198.51.100.2, so all eight remain" 8 "$(driver list-items IDC_PACKET_LIST | wc -l)"
check_equal "the filter empties the text pane" "" "$(pane_text)"
check_status "filter on 203.0.113.7 runs" filter 203.0.113.7
check_equal "no row involves 203.0.113.7: the list is empty" "" "$(driver list-items IDC_PACKET_LIST)"
driver click IDC_LIST_BUTTON
check_equal "the list command brings every row back" 8 "$(driver list-items IDC_PACKET_LIST | wc -l)"

echo "== capture on loopback"
driver combo-select IDC_INTERFACE "( 127.0.0.1 )"
driver click IDC_START_STOP
check_equal "a new start shows 0 and empties the list" "0|" "$(driver text IDC_PACKET_COUNT)|$(driver list-items IDC_PACKET_LIST)"
check_equal "the loopback sender sent three datagrams" 3 "$(e2e_send_on_loopback 3:10)"
check_equal "each loopback datagram is counted once" 3 "$(driver wait-text IDC_PACKET_COUNT 3 15)"
driver click IDC_START_STOP
driver click IDC_LIST_BUTTON
mapfile -t rows < <(driver list-items IDC_PACKET_LIST)
check_equal "three loopback rows" 3 "${#rows[@]}"
check_match "loopback rows come from 127.0.0.1 port 40001" \
    "^$STAMP Src_Addr:127\.000\.000\.001 Dst_Addr:127\.000\.000\.001 Src_Port:40001  Dst_Port:40000\$" \
    "${rows[0]:-}"

echo "== closing"
check_clean_exit
e2e_finish
