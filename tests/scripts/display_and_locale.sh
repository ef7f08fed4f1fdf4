#!/usr/bin/env bash
# xvfb_serves_display (scripts/lib/xvfb.sh) accepts a display only when every listening socket of it
# is held by the given process; use_japanese_locale (scripts/lib/wine-prefix.sh) compiles the locale
# into the cache folder when the system lacks it (`locale -a` and localedef are shims on PATH here).
set -u
lib=$(cd "$(dirname "$0")/../../scripts/lib" && pwd)
work=$(mktemp -d) || exit 1
holders=()
trap 'for pid in "${holders[@]}"; do kill "$pid" 2>/dev/null; done; rm -rf "$work"' EXIT
failed=0
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; failed=1; fi; }

source "$lib/xvfb.sh"
prepare_x11_socket_folder
display=900
while compgen -G "/tmp/.X11-unix/X$display*" >/dev/null || grep -q "@/tmp/.X11-unix/X$display" /proc/net/unix; do
    display=$((display + 10))
done
# Four processes, each listening on what its argument names (the socket file of a display or its
# abstract twin): the interpreter listens, forks and leaves the sockets to the child it then names.
exec {fd}< <(exec python3 -c 'import os, signal, socket, sys
for listening in sys.argv[1:]:
    kinds, display = listening.split("@")
    held = [socket.socket(socket.AF_UNIX) for _ in kinds.split("+")]
    for listener, kind in zip(held, kinds.split("+")):
        listener.bind(("\0" if kind == "abstract" else "") + "/tmp/.X11-unix/X" + display)
        listener.listen()
    pid = os.fork()
    if pid == 0:
        signal.pause()
    for listener in held:
        listener.close()
    print(pid, flush=True)' \
    "file+abstract@$display" "file@$((display + 1))" "abstract@$((display + 1))" "abstract@$((display + 2))")
for _ in 1 2 3 4; do read -r -u "$fd" pid && holders+=("$pid"); done
exec {fd}<&-
[ "${#holders[@]}" -eq 4 ] || { echo "FAIL: could not listen as displays :$display to :$((display + 2))"; exit 1; }
refused() { ! xvfb_serves_display "$@"; }
check "a process that holds both sockets serves the display" xvfb_serves_display "${holders[0]}" "$display"
check "another process does not" refused "$$" "$display"
check "the socket file's holder is refused when another holds the abstract twin" \
    refused "${holders[1]}" $((display + 1))
check "the abstract twin's holder alone is refused: there is no socket file" refused "${holders[3]}" $((display + 2))
rm -f "/tmp/.X11-unix/X$display" "/tmp/.X11-unix/X$((display + 1))"

mkdir "$work/bin"
printf '#!/bin/sh\nprintf "C\\nC.utf8\\nPOSIX\\n%%s" "$LOCALES"\n' >"$work/bin/locale"
printf '#!/bin/sh\necho "$*" >>"$LOCALEDEF_LOG"\n[ -z "$LOCALEDEF_FAILS" ] || exit 4\nmkdir -p "$5" && : >"$5/LC_CTYPE"\n' \
    >"$work/bin/localedef"
chmod +x "$work/bin/locale" "$work/bin/localedef"
# locale_case LOCALES LOCALEDEF_FAILS once|twice: what the fallback ends with, as "STATUS LOCPATH" and the
# localedef calls it made.
locale_case() {
    ( export PATH=$work/bin:$PATH LOCALES=$1 LOCALEDEF_FAILS=$2 LOCALEDEF_LOG=$work/localedef.log
        export XDG_CACHE_HOME=$work/cache
        rm -rf "$LOCALEDEF_LOG" "$XDG_CACHE_HOME"
        source "$lib/wine-prefix.sh" 2>/dev/null
        unset LOCPATH
        [ "$3" = once ] || use_japanese_locale
        use_japanese_locale
        echo "$? ${LOCPATH:-}"
        cat "$LOCALEDEF_LOG" 2>/dev/null )
}
compiled="-i ja_JP -f UTF-8 $work/cache/sorvane/locale/ja_JP.UTF-8"
check "lacking ja_JP, it is compiled into the cache folder, once, and used" \
    [ "$(locale_case "" "" twice)" = "0 $work/cache/sorvane/locale"$'\n'"$compiled" ]
check "the system's ja_JP.utf8 is used as it is" [ "$(locale_case ja_JP.utf8 "" once)" = "0 " ]
check "a failed compilation is not used" [ "$(locale_case "" yes once)" = "1 "$'\n'"$compiled" ]
exit "$failed"
