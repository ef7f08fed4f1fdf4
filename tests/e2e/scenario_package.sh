#!/usr/bin/env bash
# End-to-end, for the installed Debian package: a member of the group sorvane-capture, without root
# or any capability of its own, starts the installed program as a user would. It prepares a fresh
# Wine prefix in the user's cache folder, captures datagrams from the other namespace, and of all
# the processes in its namespace only the installed capture helper holds a capability: CAP_NET_RAW.
# Arguments: PROGRAM (/usr/bin/sorvane) DRIVER WORK_DIR.
set -u
E2E_USER=sorvane-package-user
source "$(dirname "$0")/e2e_session.sh" "$@"
e2e_require_root

readonly RAW_ONLY=0000000000002000
readonly NONE=0000000000000000
readonly INSTALLED_HELPER=/usr/libexec/sorvane/sorvane-capture-helper

ensure_e2e_user || e2e_abort "could not create the user $E2E_USER"
usermod -a -G sorvane-capture "$E2E_USER" || e2e_abort "could not add $E2E_USER to the group sorvane-capture"
user_home=$(getent passwd "$E2E_USER" | cut -d: -f6)
rm -rf "$user_home/.cache/sorvane"
E2E_WINEPREFIX=$user_home/.cache/sorvane/wine
e2e_begin_without_prefix
e2e_start_sink

echo "== first start as a member of the group: the program prepares its Wine prefix"
# As the user with its groups, keeping the bounding set that lets the helper's file capability
# work; the program finds its prefix by HOME alone.
run_as_prefix "$E2E_USER" --inh-caps=-all || e2e_abort "no user $E2E_USER"
WINEDEBUG=fixme-all ip netns exec "$E2E_NS_A" "${RUN_AS_PREFIX[@]}" env -u SORVANE_WINEPREFIX -u WINEPREFIX \
    "$E2E_PROGRAM" >>"$E2E_WORK/program.log" 2>&1 &
E2E_PROGRAM_PID=$!
prefix_ready() { compgen -G "$E2E_WINEPREFIX/.sorvane-ready-*" >/dev/null; }
# Hang guard: 300 s for a prefix that takes about a minute.
for _ in $(seq 1 3000); do prefix_ready && break; sleep 0.1; done
check_status "the program made its prefix in the user's cache folder" prefix_ready
# The marker says the preparation ended; the installed script's own check says the prefix works.
prefix_usable() {
    "${RUN_AS_PREFIX[@]}" env -u SORVANE_WINEPREFIX -u WINEPREFIX \
        bash -c 'source /usr/lib/sorvane/wine-prefix.sh && wine_prefix_usable'
}
check_status "the prefix has its system registry and Wine answers a query in it" prefix_usable
check_equal "the prefix belongs to the user" "$E2E_USER" "$(stat -c %U "$E2E_WINEPREFIX")"
driver wait-main 60 || e2e_abort "the main window did not appear"

echo "== capture"
driver combo-select IDC_INTERFACE "( $E2E_ADDRESS_A )"
driver click IDC_START_STOP
check_equal "the sender sent four datagrams" 4 "$(e2e_send_from_b 4:64)"
check_equal "the four are counted" 4 "$(driver wait-text IDC_PACKET_COUNT 4 15)"
check_equal "no failure text in the pane" "" "$(pane_text)"

echo "== capabilities of every process in the program's namespace"
helper=$(helper_pid)
check_equal "the program runs the installed capture helper" "$INSTALLED_HELPER" "$(readlink "/proc/$helper/exe")"
table=$(namespace_capabilities)
echo "$table" | sed 's/^/      /'
check_equal "exactly one process holds a capability: the helper, CAP_NET_RAW permitted and effective" \
    "$helper sorvane-capture $NONE $RAW_ONLY $RAW_ONLY $NONE" \
    "$(awk -v none="$NONE" '$3 != none || $4 != none || $5 != none || $6 != none' <<<"$table")"
check_nothing_runs_as_root

driver click IDC_START_STOP
driver click IDC_LIST_BUTTON
check_equal "four rows, from B to A" 4 "$(driver list-items IDC_PACKET_LIST | grep -c 'Src_Addr:198\.051\.100\.002 Dst_Addr:198\.051\.100\.001')"
check_clean_exit
e2e_finish
