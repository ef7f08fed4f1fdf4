# Wine settings shared by the scripts: the program's prefix (wine-prefix.sh) and the test runs'
# persistent server and desktop. Source it; then call prepare_wine_prefix (or prepare_wine_prefix_as)
# before the first wine command. Every wine command runs as the account that owns the prefix.

source "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh"
SORVANE_WINE_ENV="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine-env.sh"

# prepare_wine_prefix_as COMMAND PREFIX...: prepare_wine_prefix run through the prefix (setpriv ...
# --), so that the account it names makes and owns the prefix.
prepare_wine_prefix_as() {
    "$@" bash -c 'source "$1" && prepare_wine_prefix' prepare "$SORVANE_WINE_ENV"
}

# The pipe that keeps the desktop up: SORVANE_DESKTOP_HOLDER, or next to the prefix.
wine_desktop_holder() {
    echo "${SORVANE_DESKTOP_HOLDER:-$WINEPREFIX.desktop}"
}

# One server for the prefix from now until stop_wine_server, so that no wine command depends on
# when a server of its own would start, or on one that is still shutting down after the last
# client left. Call it once the prefix is prepared: prepare_wine_prefix waits for the server to end.
# Any arguments are a command prefix for Wine's processes (a namespace, fewer capabilities).
start_wine_server() {
    "$@" wineserver -p || return 1
    # Wine's own background processes start with the first client and keep its output open for as
    # long as the server lives: started here, they hold no test's output, and no test waits for them.
    "$@" wineboot </dev/null >/dev/null 2>&1 || true
}

# Wine's desktop process ends a second after the last program with a window (also after the one
# that start_wine_server starts), and a program starting meanwhile waited tens of seconds for it. A
# console that waits on a pipe this shell holds open keeps the desktop up until stop_wine_server.
# Any arguments are a command prefix for the console, as for start_wine_server.
keep_wine_desktop() {
    local holder
    holder=$(wine_desktop_holder)
    rm -f "$holder"
    mkfifo "$holder" || return 1
    "$@" wine cmd.exe /k <"$holder" >/dev/null 2>&1 &
    exec 7>"$holder"
}

# Any arguments are a command prefix for the wineserver commands (the prefix's owner).
stop_wine_server() {
    "$@" wineserver -k 2>/dev/null || true
    # -k only asks: a server still on its way out would be met by the next run's programs.
    "$@" wineserver -w 2>/dev/null || true
    exec 7>&-
    rm -f "$(wine_desktop_holder)"
}
