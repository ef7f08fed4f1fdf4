#!/usr/bin/env bash
# End-to-end: started by root for an unprivileged user, the launcher handing CAP_NET_RAW to its
# capture helper alone, the program captures, yet of all the processes in its namespace only the
# helper holds a capability, and only CAP_NET_RAW, and only the helper holds a packet socket. The
# helper going away mid-capture is reported once and the store is kept; killing the program ends the
# helper.
# Arguments: PROGRAM DRIVER WORK_DIR.
set -u
source "$(dirname "$0")/e2e_session.sh" "$@"
e2e_open
e2e_start_program_with_net_raw

readonly RAW_ONLY=0000000000002000
readonly NONE=0000000000000000
readonly GONE_NOTICE="capture helper exited: a new capture cannot open its socket"
readonly GONE_FAILURE="capture helper request failed: the helper has exited"

echo "== capture with the helper's socket"
driver combo-select IDC_INTERFACE "( $E2E_ADDRESS_A )"
driver click IDC_START_STOP
check_equal "the sender sent three datagrams" 3 "$(e2e_send_from_b 3:64)"
check_equal "the three are counted" 3 "$(driver wait-text IDC_PACKET_COUNT 3 15)"
check_equal "no failure text in the pane" "" "$(pane_text)"

echo "== capabilities of every process in the program's namespace"
helper=$(helper_pid)
check_match "the program has started one capture helper" '^[0-9]+$' "$helper"
table=$(namespace_capabilities)
echo "$table" | sed 's/^/      /'
holders=$(awk -v none="$NONE" '$3 != none || $4 != none || $5 != none || $6 != none' <<<"$table")
check_equal "exactly one process holds a capability: the helper, CAP_NET_RAW permitted and effective" \
    "$helper sorvane-capture $NONE $RAW_ONLY $RAW_ONLY $NONE" "$holders"
table_has() { grep -qE "$1" <<<"$table"; }
without="$NONE $NONE $NONE $NONE"
check_status "the program itself is among those with none" table_has "^$E2E_PROGRAM_PID sorvane\.exe\.so $without\$"
check_status "so is the Wine server it started" table_has "^[0-9]+ wineserver64 $without\$"
check_status "and Wine's service processes" table_has "^[0-9]+ services\.exe $without\$"

echo "== packet sockets in the program's namespace"
# The inodes of the packet sockets open in namespace A, as its own /proc/net/packet lists them.
packet_socket_inodes() {
    ip netns exec "$E2E_NS_A" awk 'NR > 1 { print $NF }' /proc/net/packet | sort -u
}
# The inodes of the sockets PID holds.
socket_inodes_of() {
    find "/proc/$1/fd" -lname 'socket:*' -printf '%l\n' 2>/dev/null | sed -n 's/^socket:\[\([0-9]*\)\]$/\1/p' | sort -u
}
packets=$(packet_socket_inodes)
echo "      packet sockets: $(echo $packets)"
check_match "the helper holds the capture's packet socket" '^[0-9]+$' \
    "$(comm -12 <(echo "$packets") <(socket_inodes_of "$helper") | head -n 1)"
holders=
looked_at=0
while read -r pid name; do
    [ "$pid" = "$helper" ] && continue
    looked_at=$((looked_at + 1))
    held=$(comm -12 <(echo "$packets") <(socket_inodes_of "$pid") | tr '\n' ' ')
    [ -n "$held" ] && holders+="$pid $name $held;"
done < <(namespace_a_processes)
echo "      processes besides the helper: $looked_at"
check_status "the program and Wine's processes were looked at" test "$looked_at" -ge 3
check_equal "no process but the helper holds a packet socket" "" "$holders"

echo "== the helper goes away during capture"
kill "$helper"
check_equal "the pane says so" "$GONE_NOTICE" "$(wait_pane_text)"
check_equal "and the pane said it once" 1 "$(pane_text | grep -c .)"
driver click IDC_START_STOP
check_equal "stop returns the button to 開始" 開始 "$(driver text IDC_START_STOP)"
driver click IDC_LIST_BUTTON
check_equal "the store is kept: three rows" 3 "$(driver list-items IDC_PACKET_LIST | wc -l)"
driver click IDC_START_STOP
check_equal "a new start names the failing step" "$GONE_FAILURE" "$(wait_pane_text)"
driver click IDC_START_STOP
check_equal "stop still returns the button to 開始" 開始 "$(driver text IDC_START_STOP)"
driver menu ID_SETTINGS_STORAGE
check_status "the settings dialog still opens" driver dialog-wait "$E2E_SETTINGS" 10
driver dialog-click "$E2E_SETTINGS" IDOK
check_status "OK closes it" driver dialog-gone "$E2E_SETTINGS" 10
check_clean_exit

echo "== the program is killed"
e2e_start_program_with_net_raw
helper=$(helper_pid)
check_match "the new program has its own helper" '^[0-9]+$' "$helper"
kill -KILL "$E2E_PROGRAM_PID"
wait "$E2E_PROGRAM_PID" 2>/dev/null
E2E_PROGRAM_PID=
# A helper that has exited but is not yet reaped shows state Z.
helper_ended() { [ ! -e "/proc/$helper" ] || grep -q '^State:.*Z' "/proc/$helper/status" 2>/dev/null; }
# Hang guard: 60 s.
for _ in $(seq 1 600); do helper_ended && break; sleep 0.1; done
check_status "the helper has exited" helper_ended
e2e_finish
