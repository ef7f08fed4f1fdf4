# Starts a private X server when no display is set: Xvfb run as the account that uses it, which
# admits only clients holding a fresh MIT-MAGIC-COOKIE-1 from a private XAUTHORITY file (as xvfb-run
# does), on the display it picks itself (-displayfd). Source it, then call ensure_display; the
# server is ended when the sourcing shell exits (or by end_private_xvfb).

# "MIT-MAGIC-COOKIE-1" in hex, as xauth's nmerge reads it.
readonly XAUTH_COOKIE_PROTOCOL_HEX=4d49542d4d414749432d434f4f4b49452d31
SORVANE_XVFB_PID=
SORVANE_XVFB_AUTH_DIR=
SORVANE_XVFB_AS=()

# ensure_display [COMMAND PREFIX...]: when DISPLAY is unset, starts the private server through the
# prefix (setpriv ... -- to run it as another account; none: as the caller) and exports DISPLAY and
# XAUTHORITY.
ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    start_private_xvfb "$@"
}

# start_private_xvfb [COMMAND PREFIX...]: as ensure_display, whatever DISPLAY says.
start_private_xvfb() {
    SORVANE_XVFB_AS=("$@")
    prepare_x11_socket_folder || return 1
    SORVANE_XVFB_AUTH_DIR=$("$@" mktemp -d -t sorvane-x.XXXXXX) || return 1
    trap end_private_xvfb EXIT
    local auth=$SORVANE_XVFB_AUTH_DIR/Xauthority display_fd display
    # The display is known only once the server has chosen it, so the cookie goes in as a wildcard
    # entry (family 0xffff, no address, no display number): the server loads it, clients match it.
    "$@" touch "$auth" || return 1
    printf 'ffff 0000  0000  0012 %s 0010 %s\n' "$XAUTH_COOKIE_PROTOCOL_HEX" "$(mcookie)" |
        "$@" xauth -q -f "$auth" nmerge - || return 1
    exec {display_fd}< <(exec "$@" Xvfb -displayfd 1 -auth "$auth" -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
    SORVANE_XVFB_PID=$!
    # Xvfb writes the display's number once it accepts clients; hang guard 60 s.
    read -r -t 60 -u "$display_fd" display
    exec {display_fd}<&-
    if ! [[ "$display" =~ ^[0-9]+$ ]] || ! xvfb_serves_display "$SORVANE_XVFB_PID" "$display"; then
        echo "Xvfb did not start, or another process serves its display :${display:-?}" >&2
        return 1
    fi
    export DISPLAY=":$display" XAUTHORITY=$auth
}

# Where X servers put their sockets: made by root, sticky, before a server of another account would
# make it its own.
prepare_x11_socket_folder() {
    [ -d /tmp/.X11-unix ] || [ "$(id -u)" -ne 0 ] || install -d -m 1777 -o root -g root /tmp/.X11-unix
}

# xvfb_serves_display PID N: every listening socket of display N (the file in /tmp/.X11-unix and
# its abstract twin) is held by process PID, and the file is one.
xvfb_serves_display() {
    local pid=$1 display=$2 fd own listening inode
    own=$(for fd in "/proc/$pid/fd/"*; do readlink "$fd"; done 2>/dev/null)
    listening=$(awk -v path="/tmp/.X11-unix/X$display" '$4 == "00010000" && ($8 == path || $8 == "@" path) {
        print ($8 == path ? "file" : "abstract"), $7 }' "/proc/$pid/net/unix" 2>/dev/null)
    grep -q '^file ' <<<"$listening" || return 1
    while read -r _ inode; do
        grep -qxF "socket:[$inode]" <<<"$own" || return 1
    done <<<"$listening"
}

# Ends the server and removes its auth folder, as the account that made it.
end_private_xvfb() {
    [ -z "$SORVANE_XVFB_PID" ] || kill "$SORVANE_XVFB_PID" 2>/dev/null
    [ -z "$SORVANE_XVFB_AUTH_DIR" ] || "${SORVANE_XVFB_AS[@]}" rm -rf "$SORVANE_XVFB_AUTH_DIR"
    SORVANE_XVFB_PID=
    SORVANE_XVFB_AUTH_DIR=
    return 0
}
