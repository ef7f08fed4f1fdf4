#!/usr/bin/env bash
# The release artefacts, checked as root on this machine: scripts/package builds them; the Debian
# package passes lintian, desktop-file-validate and appstreamcli; installed, it sets up the capture
# helper, and a member of its group captures with the installed program (tests/e2e/scenario_package.sh,
# with the linux preset's driver); purged, it leaves no file, group or capability behind; and a
# second build of the commit in another folder gives the same bytes. Ends with "N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok:   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL: $1"; }
# check DESCRIPTION COMMAND...: passes when the command succeeds.
check() {
    local description=$1
    shift
    if "$@"; then pass "$description"; else fail "$description"; fi
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}

if [ "$(id -u)" -ne 0 ]; then
    echo "package checks: they install and purge the package, and need root"
    fail "run as root"
    finish
fi
readonly helper=/usr/libexec/sorvane/sorvane-capture-helper
readonly group=sorvane-capture
driver=$root/build/linux/tests/e2e/sorvane_e2e_driver
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

echo "== building the artefacts"
bash scripts/package || { fail "scripts/package builds"; finish; }
version=$(sed -n 's/^project(Sorvane VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
deb=$root/dist/sorvane_${version}_amd64.deb
zip=$root/dist/Sorvane-$version-win64.zip
check "the zip holds Sorvane.exe and the text" test "$(python3 -c 'import sys, zipfile; print(" ".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")" = "Sorvane.exe README.txt"
check "SHA256SUMS matches both artefacts" bash -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS && [ "$(wc -l <SHA256SUMS)" = 2 ]' _ "$root/dist"

echo "== lintian, desktop-file-validate, appstreamcli"
lintian --fail-on error,warning "$deb"
check "lintian finds no error and no warning" test $? -eq 0
dpkg-deb -x "$deb" "$scratch/tree"
check "the desktop entry is valid" desktop-file-validate "$scratch"/tree/usr/share/applications/*.desktop
check "the AppStream metainfo is valid" appstreamcli validate --no-net --strict "$scratch"/tree/usr/share/metainfo/*.metainfo.xml

echo "== installing"
group_was_there=no
getent group "$group" >/dev/null && group_was_there=yes
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb" >"$scratch/install.log" 2>&1
check "apt-get installs the package" test $? -eq 0
check "postinst says how to add a user to the group" grep -q "usermod -a -G $group USER" "$scratch/install.log"
check "the helper is root:$group, mode 0750" test "$(stat -c '%U:%G %a' "$helper")" = "root:$group 750"
check "the helper has cap_net_raw=p" test "$(/usr/sbin/getcap "$helper")" = "$helper cap_net_raw=p"

echo "== the installed program, started by a member of the group"
if [ -x "$driver" ]; then
    bash tests/e2e/scenario_package.sh /usr/bin/sorvane "$driver" "$root/build/linux/tests/e2e/work"
    check "the installed program captures, with the installed helper alone holding CAP_NET_RAW" test $? -eq 0
else
    fail "the end-to-end driver $driver is built (cmake --build --preset linux)"
fi

echo "== purging"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' >"$scratch/files"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -q sorvane >/dev/null 2>&1
check "apt-get purges the package" test "$(dpkg-query -W -f='${Status}' sorvane 2>/dev/null)" = ""
left=$(while read -r file; do [ ! -e "$file" ] || echo "$file"; done <"$scratch/files")
check "no installed file is left" test -z "$left"
check "no folder of its own is left" bash -c '! ls -d /usr/lib/sorvane /usr/libexec/sorvane /usr/share/doc/sorvane /var/lib/sorvane 2>/dev/null'
if [ "$group_was_there" = yes ]; then
    check "the group made before the package is kept" getent group "$group"
else
    check "the group is gone" bash -c "! getent group $group >/dev/null"
fi
check "no file under /usr carries a capability of the package's" \
    bash -c '! /usr/sbin/getcap -r /usr/bin /usr/lib /usr/libexec 2>/dev/null | grep -q sorvane'

echo "== reproducible: the same commit built again in another folder"
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    fail "the checkout has uncommitted changes: commit them, since the second build is of the commit"
    finish
fi
if git clone -q --no-local "$root" "$scratch/again" && git -C "$scratch/again" checkout -q "$(git rev-parse HEAD)" &&
    bash "$scratch/again/scripts/package" >"$scratch/again.log" 2>&1; then
    pass "the second build succeeds"
else
    fail "the second build succeeds"
    tail -n 30 "$scratch/again.log"
fi
for artefact in "$(basename "$deb")" "$(basename "$zip")" SHA256SUMS; do
    check "$artefact is the same, bit for bit" cmp "$root/dist/$artefact" "$scratch/again/dist/$artefact"
done
check "so is Sorvane.exe" cmp "$root/build/package/windows/Sorvane.exe" "$scratch/again/build/package/windows/Sorvane.exe"
sha256sum "$root/dist/$(basename "$deb")" "$scratch/again/dist/$(basename "$deb")" \
    "$root/dist/$(basename "$zip")" "$scratch/again/dist/$(basename "$zip")"
finish
