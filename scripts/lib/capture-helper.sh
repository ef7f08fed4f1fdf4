# The capture helper's one-time privileged set-up: an installed copy with CAP_NET_RAW as a file
# capability that only members of one group may run. Used by scripts/run for a copy of the build's
# helper, and by the Debian package's postinst for the helper the package installed. Source it;
# CAPTURE_HELPER_INSTALLED may name another installed path first.

readonly CAPTURE_HELPER_INSTALLED=${CAPTURE_HELPER_INSTALLED:-/usr/local/libexec/sorvane/sorvane-capture-helper}
readonly CAPTURE_GROUP=sorvane-capture
# Where make_root_folders starts its checks: / but in the tests, which install into a temporary root
# below folders that are not root's alone.
readonly CAPTURE_HELPER_ROOT=${CAPTURE_HELPER_ROOT:-/}

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
    capabilities_work_in "$dir" && groupadd -f -r "$CAPTURE_GROUP" &&
        make_root_folders "$dir" &&
        install_helper_copy "$built" "$dir" || return 1
    [ -z "$user" ] || usermod -a -G "$CAPTURE_GROUP" "$user"
}

# set_up_installed_capture_helper (root): gives the helper that a package manager has put at
# CAPTURE_HELPER_INSTALLED the same group, mode and capability as install_capture_helper gives its
# copy, after the same checks of the file and every folder above it.
set_up_installed_capture_helper() {
    local dir
    dir=$(dirname "$CAPTURE_HELPER_INSTALLED")
    capabilities_work_in "$dir" && groupadd -f -r "$CAPTURE_GROUP" && make_root_folders "$dir" || return 1
    if [ -L "$CAPTURE_HELPER_INSTALLED" ] || [ ! -f "$CAPTURE_HELPER_INSTALLED" ]; then
        echo "refusing to set up $CAPTURE_HELPER_INSTALLED: it is not a regular file" >&2
        return 1
    fi
    grant_capture_rights "$CAPTURE_HELPER_INSTALLED"
}

# capabilities_work_in DIR: file capabilities do not work on a nosuid mount.
capabilities_work_in() {
    if findmnt -n -o OPTIONS --target "$(dirname "$1")" | tr ',' '\n' | grep -qx nosuid; then
        echo "$1 is on a nosuid mount, where file capabilities do not work" >&2
        return 1
    fi
}

# grant_capture_rights FILE: owner root, the group, mode 0750, then CAP_NET_RAW (a change of owner
# clears a file's capabilities, so it comes last).
grant_capture_rights() {
    chown "root:$CAPTURE_GROUP" "$1" && chmod 0750 "$1" && /usr/sbin/setcap cap_net_raw=p "$1"
}

# make_root_folders DIR: makes each missing folder of the absolute path DIR as root:root, mode 0755,
# and checks that every folder on it, / (CAPTURE_HELPER_ROOT) included, is a folder (not a link to
# one) owned by root and writable by no group or other user, so that no one else could swap what
# lies below it.
make_root_folders() {
    local path=$CAPTURE_HELPER_ROOT part parts owner mode type
    [[ $1 == "${path%/}"/* ]] || { echo "refusing to install into $1: it is not below $path" >&2; return 1; }
    IFS=/ read -ra parts <<<"${1#"${path%/}"/}"
    for part in "" "${parts[@]}"; do
        [ -z "$part" ] || path=${path%/}/$part
        [ -e "$path" ] || [ -L "$path" ] || install -d -m 0755 -o root -g root "$path" || return 1
        read -r owner mode type < <(LC_ALL=C stat -c '%u %a %F' "$path") || return 1
        if [ "$type" != directory ] || [ "$owner" != 0 ] || (((8#$mode & 8#022) != 0)); then
            echo "refusing to install into $1: $path is not a folder owned by root and writable by root alone" >&2
            return 1
        fi
    done
}

# install_helper_copy BUILT DIR: copies BUILT, which must be a regular file and not a link, into a
# folder only root can enter, gives the copy its owner, mode and capability there, and only then
# renames it into place (the folder is on the same file system, so the rename is one step).
install_helper_copy() {
    local built=$1 stage staged status=1
    if [ -L "$built" ] || [ ! -f "$built" ]; then
        echo "refusing to install $built: it is not a regular file" >&2
        return 1
    fi
    stage=$(mktemp -d "$2/.install.XXXXXX") || return 1
    staged=$stage/$(basename "$CAPTURE_HELPER_INSTALLED")
    # -P opens the source with O_NOFOLLOW: a link put there after the check above is not followed.
    cp -P "$built" "$staged" && [ -f "$staged" ] && [ ! -L "$staged" ] &&
        grant_capture_rights "$staged" &&
        mv -f -T "$staged" "$CAPTURE_HELPER_INSTALLED" && status=0
    rm -rf "$stage"
    return "$status"
}
