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

# install_case NAME REFUSAL: a fresh tree and source, changed by the function prepare_NAME, then one install
# (in a bash of its own; a fifo read as a file would block, hence the hang guard). REFUSAL is the
# line expected, or empty where the install must succeed.
install_case() {
    local name=$1 refusal=$2 root=$work/$1/root out status
    src=$work/$1/src/helper
    install -d -m 0755 "$root" "$(dirname "$src")" && cp /bin/true "$src" || exit 1
    "prepare_$name" "$root"
    installed=$root/usr/libexec/sorvane/sorvane-capture-helper
    out=$(CAPTURE_HELPER_ROOT=$root CAPTURE_HELPER_INSTALLED=$installed timeout 60 \
        bash -c 'source "$1" && install_capture_helper "$2" ""' _ "$here/../../scripts/lib/capture-helper.sh" "$src" 2>&1)
    status=$?
    if [ -z "$refusal" ]; then
        [ "$status" -eq 0 ] || fail "$name: status $status: $out"
        [ "$(stat -c '%U:%G %a' "$installed" 2>&1)" = "root:sorvane-capture 750" ] || fail "$name: owner or mode"
        /usr/sbin/getcap "$installed" | grep -qx "$installed cap_net_raw=p" || fail "$name: no capability"
    else
        [ "$status" -ne 0 ] && [ "$out" = "$refusal" ] || fail "$name: status $status, said: $out"
        [ ! -e "$installed" ] || fail "$name: installed all the same"
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

for_source="it is not a regular file"
for_folder="is not a folder owned by root and writable by root alone"
helper_dir() { echo "$work/$1/root/usr/libexec/sorvane"; }
install_case clean ""
install_case link_source "refusing to install $work/link_source/src/helper: $for_source"
install_case fifo_source "refusing to install $work/fifo_source/src/helper: $for_source"
install_case group_writable "refusing to install into $(helper_dir group_writable): $work/group_writable/root/usr $for_folder"
install_case owned_by_user "refusing to install into $(helper_dir owned_by_user): $work/owned_by_user/root/usr/libexec $for_folder"
install_case file_as_folder "refusing to install into $(helper_dir file_as_folder): $work/file_as_folder/root/usr/libexec $for_folder"
install_case linked_folder "refusing to install into $(helper_dir linked_folder): $work/linked_folder/root/usr/libexec $for_folder"
exit "$failed"
