#!/usr/bin/env bash
# install_capture_helper (scripts/lib/capture-helper.sh) in a temporary root: a clean tree gets the
# helper with its group, mode and capability, and each source or folder that someone else could swap
# is refused with its line, leaving nothing installed. Needs root (owners, the group, setcap).
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/full-run.sh"
if [ "$(id -u)" -ne 0 ]; then
    echo "capture_helper_install: needs root"
    full_run_required && exit 1
    exit 77
fi
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# install_case NAME [REFUSED]: a fresh root and source, changed by prepare_NAME, then one install in a
# bash of its own (a fifo read as a file would block: hence the hang guard). REFUSED is what the
# refusal must name, "source" or a folder below the root; without it the install must succeed.
install_case() {
    local name=$1 root=$work/$1/root out status refusal
    src=$work/$1/src/helper
    install -d -m 0755 "$root" "$(dirname "$src")" && cp /bin/true "$src" || exit 1
    "prepare_$name" "$root"
    local installed=$root/usr/libexec/sorvane/sorvane-capture-helper
    out=$(CAPTURE_HELPER_ROOT=$root CAPTURE_HELPER_INSTALLED=$installed timeout 60 \
        bash -c 'source "$1" && install_capture_helper "$2" ""' _ "$here/../../scripts/lib/capture-helper.sh" "$src" 2>&1)
    status=$?
    case ${2:-} in
        "") [ "$status" -eq 0 ] && [ "$(stat -c '%U:%G %a' "$installed")" = "root:sorvane-capture 750" ] &&
            /usr/sbin/getcap "$installed" | grep -qx "$installed cap_net_raw=p" || fail "$name: status $status: $out" ;;
        source) refusal="refusing to install $src: it is not a regular file" ;;
        *) refusal="refusing to install into $(dirname "$installed"): $root/$2 is not a folder owned by root and writable by root alone" ;;
    esac
    if [ -n "${2:-}" ] && ! { [ "$status" -ne 0 ] && [ "$out" = "$refusal" ] && [ ! -e "$installed" ]; }; then
        fail "$name: status $status, said: $out"
    fi
    echo "checked: $name"
}

# shellcheck disable=SC2317 # called by name in install_case
prepare_clean() { :; }
prepare_link_source() { mv "$src" "$src.real" && ln -s "$src.real" "$src"; }
prepare_fifo_source() { rm "$src" && mkfifo "$src"; }
prepare_group_writable() { install -d -m 0775 "$1/usr"; }
prepare_owned_by_user() { install -d -m 0755 "$1/usr" && install -d -m 0755 -o 65534 "$1/usr/libexec"; }
prepare_file_as_folder() { install -d -m 0755 "$1/usr" && install -m 0644 /dev/null "$1/usr/libexec"; }
prepare_linked_folder() { install -d -m 0755 "$1/usr" "$work/elsewhere" && ln -s "$work/elsewhere" "$1/usr/libexec"; }

install_case clean
install_case link_source source
install_case fifo_source source
install_case group_writable usr
install_case owned_by_user usr/libexec
install_case file_as_folder usr/libexec
install_case linked_folder usr/libexec
exit "$failed"
