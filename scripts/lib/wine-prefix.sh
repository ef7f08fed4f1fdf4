# The program's Wine prefix: code page 932, the Japanese font replacements, Wine's own fonts and no
# window-manager waits. Sourced by the scripts in the source tree and, installed in lib/sorvane, by
# the installed program's start script. Source it, then call prepare_wine_prefix before the first
# wine command.

export WINEPREFIX="${SORVANE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/sorvane/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

# How the steps of a first start are shown: "lines" (one per step on standard error, the default
# on a terminal), "notify" (a desktop notification at the start and the end, for a start from the
# menu) or "none".
SORVANE_PREFIX_PROGRESS=${SORVANE_PREFIX_PROGRESS:-}

wine_prefix_progress() {
    case "${SORVANE_PREFIX_PROGRESS:-none}" in
        lines) echo "sorvane: $1" >&2 ;;
        notify) [ -z "${2:-}" ] || notify-send --app-name=Sorvane --icon=sorvane Sorvane "$2" 2>/dev/null || true ;;
    esac
}

# Code page 932 comes with the ja_JP.UTF-8 locale. Where the system has not generated it, a copy
# compiled into the user's cache folder serves (localedef needs no root for a folder of one's own).
use_japanese_locale() {
    locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8' && return 0
    local dir=${XDG_CACHE_HOME:-$HOME/.cache}/sorvane/locale
    if [ ! -e "$dir/ja_JP.UTF-8/LC_CTYPE" ]; then
        wine_prefix_progress "compiling the ja_JP.UTF-8 locale into $dir"
        mkdir -p "$dir" && localedef -i ja_JP -f UTF-8 "$dir/ja_JP.UTF-8" >/dev/null 2>&1 || return 1
    fi
    export LOCPATH=$dir
}

# wine_prefix_usable: wineboot made the prefix (its system registry is there) and Wine answers a
# registry query in it. wineboot's exit status says neither.
wine_prefix_usable() {
    [ -f "$WINEPREFIX/system.reg" ] &&
        wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v CurrentVersion >/dev/null 2>&1
}

prepare_wine_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    [ -n "$SORVANE_PREFIX_PROGRESS" ] || { [ -t 2 ] && SORVANE_PREFIX_PROGRESS=lines; } || SORVANE_PREFIX_PROGRESS=none
    use_japanese_locale || echo "sorvane: no ja_JP.UTF-8 locale: Japanese text may not show" >&2
    # The marker's number goes up with every change below, so that a prefix made earlier gets it too.
    local ready="$WINEPREFIX/.sorvane-ready-3"
    (
        flock 9
        [ -f "$ready" ] && exit 0
        wine_prefix_progress "preparing the Wine prefix $WINEPREFIX (once; this takes a while)" \
            "First start: preparing Wine for Sorvane. This takes about a minute."
        wine_prefix_progress "creating the prefix (wineboot)"
        wineboot -i >/dev/null 2>&1
        wine_prefix_progress "mapping the Japanese font names to the IPA fonts"
        local fonts='HKCU\Software\Wine\Fonts\Replacements'
        wine reg add "$fonts" /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1
        wine reg add "$fonts" /v 'ＭＳ　ゴシック' /d IPAGothic /f >/dev/null 2>&1
        wine reg add "$fonts" /v 'ＭＳ ゴシック' /d IPAGothic /f >/dev/null 2>&1
        wine reg add "$fonts" /v 'ＭＳ　明朝' /d IPAMincho /f >/dev/null 2>&1
        wine reg add "$fonts" /v 'ＭＳ 明朝' /d IPAMincho /f >/dev/null 2>&1
        # Debian's Wine looks for its own fonts (Marlett draws the caption buttons' glyphs) under
        # "<data dir>\../fonts", a path Wine cannot resolve; naming the folder loads them.
        wine_prefix_progress "naming Wine's own fonts folder"
        wine reg add 'HKCU\Software\Wine\Fonts' /v Path /d 'Z:\usr\share\wine\fonts' /f >/dev/null 2>&1
        wine_prefix_progress "turning off the window-manager waits"
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        # The server writes the registry's files as it ends.
        wineserver -w
        if ! wine_prefix_usable; then
            # No marker: the next start tries again.
            echo "sorvane: Wine could not create the prefix $WINEPREFIX" >&2
            exit 1
        fi
        wineserver -w
        touch "$ready"
        wine_prefix_progress "the Wine prefix is ready" "Wine is ready: Sorvane starts now."
    ) 9>"$WINEPREFIX.lock"
}
