#!/usr/bin/env bash
# End-to-end: the launcher started by root with neither SUDO_UID nor --user refuses with one line,
# and so does a launcher that cannot read /proc/self/exe.
# Started by root through sudo (SUDO_UID) without CAP_NET_RAW, so that its capture helper has none
# either, the program runs as that user, still starts, lists its addresses, and shows why capture
# failed (the helper's socket step) in the text pane; nothing is stored, and the program goes on
# working.
# Arguments: PROGRAM DRIVER WORK_DIR.
set -u
source "$(dirname "$0")/e2e_session.sh" "$@"
source "$E2E_ROOT/scripts/lib/capture-helper.sh"
e2e_open

readonly ROOT_REFUSAL="sorvane: will not run as root: start it through sudo from your own account \
(sudo keeps you in SUDO_UID), or name an unprivileged user with --user NAME"

echo "== started by root with neither SUDO_UID nor --user"
# Hang guard: a launcher that wrongly starts the program is ended after 60 s.
refusal=$(timeout 60 ip netns exec "$E2E_NS_A" env -u SUDO_UID "$E2E_PROGRAM" 2>&1)
check_equal "the launcher refuses with exit status 1" 1 "$?"
check_equal "its one line says how to start it" "$ROOT_REFUSAL" "$refusal"

echo "== started where /proc/self/exe cannot be read"
# Without its own path the launcher would look for the helper and the program somewhere else.
refusal=$(cd "$E2E_WORK" && timeout 60 unshare --mount sh -c 'umount -l /proc && exec "$1" --user "$2"' launcher \
    "$E2E_PROGRAM" "$E2E_USER" 2>&1)
check_equal "the launcher refuses with exit status 1" 1 "$?"
check_equal "and says why" "sorvane: cannot find its own path in /proc/self/exe: No such file or directory" "$refusal"

echo "== started through sudo by $E2E_USER, without CAP_NET_RAW"
# Root regains at exec what its bounding set holds, so the launcher starts without CAP_NET_RAW.
e2e_start_program setpriv --bounding-set=-net_raw -- env SUDO_UID="$E2E_USER_UID" "$E2E_PROGRAM"
check_nothing_runs_as_root
# Where the one-time set-up has installed the helper, the launcher starts that copy, which a user
# outside its group may not run; otherwise the build's helper. Neither gains CAP_NET_RAW, which is
# not in the bounding set.
socket_failure="socket(AF_PACKET) failed: Operation not permitted"
if [ -e "$CAPTURE_HELPER_INSTALLED" ] && ! id -nG "$E2E_USER" | tr ' ' '\n' | grep -qx "$CAPTURE_GROUP"; then
    socket_failure="capture helper start failed: $CAPTURE_HELPER_INSTALLED: Permission denied"
fi
check_equal "the addresses are still listed" "$(printf '0. ( %s )\n1. ( 127.0.0.1 )' "$E2E_ADDRESS_A")" \
    "$(driver combo-items IDC_INTERFACE)"
driver combo-select IDC_INTERFACE "( $E2E_ADDRESS_A )"
driver click IDC_START_STOP
check_equal "the button reads 停止" 停止 "$(driver text IDC_START_STOP)"
check_equal "the pane names the failing step and its reason" "$socket_failure" "$(wait_pane_text)"
received=$(udp_datagrams_in_a)
check_equal "the sender sent three datagrams" 3 "$(e2e_send_from_b 3:64)"
check_status "namespace A took the three in" wait_udp_datagrams_in_a $((received + 3))
# A stop stores every datagram that arrived before it, and the counter then shows the store's count.
driver click IDC_START_STOP
check_equal "stop still returns the button to 開始" 開始 "$(driver text IDC_START_STOP)"
check_equal "nothing is counted" 0 "$(driver text IDC_PACKET_COUNT)"
driver click IDC_LIST_BUTTON
check_equal "the list is empty" "" "$(driver list-items IDC_PACKET_LIST)"

echo "== the program goes on working"
driver menu ID_SETTINGS_STORAGE
check_status "the settings dialog opens" driver dialog-wait "$E2E_SETTINGS" 10
driver dialog-click "$E2E_SETTINGS" IDOK
check_status "OK closes the settings dialog" driver dialog-gone "$E2E_SETTINGS" 10
driver click IDC_START_STOP
check_equal "a second start shows the failing step again, alone in the pane" "$socket_failure" "$(wait_pane_text)"
driver click IDC_START_STOP
check_equal "the second stop returns the button to 開始" 開始 "$(driver text IDC_START_STOP)"
check_equal "still nothing is counted" 0 "$(driver text IDC_PACKET_COUNT)"

echo "== closing"
check_clean_exit
e2e_finish
