#!/usr/bin/env bash
# End-to-end: the storage settings dialog, the stop-first message during capture, and the
# storage-full path with a total limit of 1 MiB.
# Arguments: PROGRAM DRIVER WORK_DIR.
set -u
source "$(dirname "$0")/e2e_session.sh" "$@"
e2e_open
e2e_start_program_with_net_raw


echo "== storage settings"
driver menu ID_SETTINGS_STORAGE
check_status "the settings dialog opens" driver dialog-wait "$E2E_SETTINGS" 10
check_equal "per-packet bytes default to 100" 100 "$(driver dialog-text "$E2E_SETTINGS" IDC_PACKET_BYTES)"
check_equal "total MB default to 16" 16 "$(driver dialog-text "$E2E_SETTINGS" IDC_TOTAL_MB)"
driver dialog-set-text "$E2E_SETTINGS" IDC_PACKET_BYTES 1500
driver dialog-set-text "$E2E_SETTINGS" IDC_TOTAL_MB 1
driver dialog-click "$E2E_SETTINGS" IDOK
check_status "OK closes the settings dialog" driver dialog-gone "$E2E_SETTINGS" 10

echo "== settings refused during capture"
driver combo-select IDC_INTERFACE "( $E2E_ADDRESS_A )"
driver click IDC_START_STOP
driver menu ID_SETTINGS_STORAGE
check_status "a message box appears instead of the settings" driver dialog-wait "$E2E_APP_NAME" 10
check_equal "it asks to stop first" 一旦、停止してから操作してください "$(driver dialog-text "$E2E_APP_NAME" IDC_MESSAGE_BOX_TEXT)"
driver dialog-click "$E2E_APP_NAME" IDOK
check_status "the message box closes" driver dialog-gone "$E2E_APP_NAME" 10
# not_open CAPTION: once the window has answered a message sent to it, the command that showed the
# message box has returned, so a dialog it opened after the box would be there now.
not_open() { driver text IDC_START_STOP >/dev/null && driver dialog-gone "$1" 0; }
check_status "the settings dialog did not open" not_open "$E2E_SETTINGS"

echo "== storage full at 1 MiB with 1500-byte datagrams"
# 699 datagrams of 1500 bytes make 1,048,500 bytes; the 700th would pass 1,048,576.
check_equal "the sender sent 800 datagrams" 800 "$(e2e_send_from_b 800:1472)"
check_status "the storage-full message box appears" driver dialog-wait "$E2E_APP_NAME" 30
check_equal "it reads メモリオーバーです。" メモリオーバーです。 "$(driver dialog-text "$E2E_APP_NAME" IDC_MESSAGE_BOX_TEXT)"
driver dialog-click "$E2E_APP_NAME" IDOK
check_status "the message box closes" driver dialog-gone "$E2E_APP_NAME" 10
check_equal "the counter stops at 699" 699 "$(driver wait-text IDC_PACKET_COUNT 699 15)"
check_equal "capture stays on: the button still reads 停止" 停止 "$(driver text IDC_START_STOP)"
driver click IDC_START_STOP
check_equal "the counter shows the 699 stored datagrams after stop" 699 "$(driver text IDC_PACKET_COUNT)"
# Once stopped, the capture posts nothing more; a storage-full notice it posted before is told in the
# pane after the stop, and has been handled once a command posted now has opened its dialog.
driver menu ID_SETTINGS_STORAGE
check_status "the settings dialog opens after stop" driver dialog-wait "$E2E_SETTINGS" 10
driver dialog-click "$E2E_SETTINGS" IDCANCEL
check_status "the settings dialog closes" driver dialog-gone "$E2E_SETTINGS" 10
check_equal "no second storage-full notice: the pane stays empty" "" "$(pane_text)"
check_status "and no second message box" not_open "$E2E_APP_NAME"
driver click IDC_LIST_BUTTON
mapfile -t rows < <(driver list-items IDC_PACKET_LIST)
check_equal "the list holds 699 rows" 699 "${#rows[@]}"
check_match "the last row is UDP from B to A" \
    '^[0-9:.]{12} Src_Addr:198\.051\.100\.002 Dst_Addr:198\.051\.100\.001 Src_Port:40001  Dst_Port:40000$' \
    "${rows[698]:-}"

echo "== closing"
check_clean_exit
e2e_finish
