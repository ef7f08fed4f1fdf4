# Running a command as another account from root: its user and group ids, its groups, and its HOME,
# USER and LOGNAME. Source it.

# run_as_prefix USER [SETPRIV OPTION...]: fills the array RUN_AS_PREFIX with the command that runs
# what follows it as USER (a name or a user id), with the given setpriv options besides. Returns 1
# when there is no such user.
run_as_prefix() {
    local entry name uid gid home
    RUN_AS_PREFIX=()
    entry=$(getent passwd "$1") || return 1
    IFS=: read -r name _ uid gid _ home _ <<<"$entry"
    RUN_AS_PREFIX=(setpriv --reuid="$uid" --regid="$gid" --init-groups "${@:2}" --
        env -u XDG_CACHE_HOME -u XDG_RUNTIME_DIR HOME="$home" USER="$name" LOGNAME="$name")
}
