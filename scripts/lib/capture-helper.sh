# The capture helper's one-time privileged set-up: an installed copy with CAP_NET_RAW as a file
# capability that only members of one group may run. Source it.

readonly CAPTURE_HELPER_INSTALLED=/usr/local/libexec/sorvane/sorvane-capture-helper
readonly CAPTURE_GROUP=sorvane-capture

# capture_helper_installed BUILT: the installed copy is the built helper and has its capability.
capture_helper_installed() {
    [ -f "$CAPTURE_HELPER_INSTALLED" ] && cmp -s "$1" "$CAPTURE_HELPER_INSTALLED" &&
        /usr/sbin/getcap "$CAPTURE_HELPER_INSTALLED" 2>/dev/null | grep -qx "$CAPTURE_HELPER_INSTALLED cap_net_raw=p"
}

# in_capture_group: the calling process has the group (a login session gets a new group only
# after logging in again).
in_capture_group() {
    id -nG | tr ' ' '\n' | grep -qx "$CAPTURE_GROUP"
}

# install_capture_helper BUILT USER (root): copies the helper to /usr/local/libexec/sorvane, owned by
# root and the group, mode 0750, with CAP_NET_RAW as its file capability, and adds USER to the group.
# A copy is installed rather than the build's file, since relinking a file loses its capability. The
# capability is permitted only (no effective bit): the helper raises it itself, and a start where the
# bounding set lacks it still runs the helper, which then answers with the socket step's failure
# instead of the exec failing.
install_capture_helper() {
    local built=$1 user=$2 dir
    dir=$(dirname "$CAPTURE_HELPER_INSTALLED")
    if findmnt -n -o OPTIONS --target "$(dirname "$dir")" | tr ',' '\n' | grep -qx nosuid; then
        echo "$dir is on a nosuid mount, where file capabilities do not work" >&2
        return 1
    fi
    groupadd -f -r "$CAPTURE_GROUP" &&
        install -d -m 0755 "$dir" &&
        install -m 0750 -o root -g "$CAPTURE_GROUP" "$built" "$CAPTURE_HELPER_INSTALLED.new" &&
        /usr/sbin/setcap cap_net_raw=p "$CAPTURE_HELPER_INSTALLED.new" &&
        mv -f "$CAPTURE_HELPER_INSTALLED.new" "$CAPTURE_HELPER_INSTALLED" || return 1
    [ -z "$user" ] || usermod -a -G "$CAPTURE_GROUP" "$user"
}
