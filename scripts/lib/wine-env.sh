# Wine settings shared by the scripts: a prefix of our own in code page 932 with Japanese fonts.
# Source it; then call prepare_wine_prefix before the first wine command.

export WINEPREFIX="${SORVANE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/sorvane/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

prepare_wine_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [ -f "$WINEPREFIX/.sorvane-ready" ] && exit 0
        wineboot -i >/dev/null 2>&1 || true
        local fonts='HKCU\Software\Wine\Fonts\Replacements'
        wine reg add "$fonts" /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1
        wine reg add "$fonts" /v 'ＭＳ　ゴシック' /d IPAGothic /f >/dev/null 2>&1
        wine reg add "$fonts" /v 'ＭＳ ゴシック' /d IPAGothic /f >/dev/null 2>&1
        wine reg add "$fonts" /v 'ＭＳ　明朝' /d IPAMincho /f >/dev/null 2>&1
        wine reg add "$fonts" /v 'ＭＳ 明朝' /d IPAMincho /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.sorvane-ready"
    ) 9>"$WINEPREFIX.lock"
}
