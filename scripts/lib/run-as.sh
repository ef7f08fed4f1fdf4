# Running a command as another account from root: its user and group ids, its groups, and its HOME,
# USER and LOGNAME. Source it.

# run_as_prefix USER [SETPRIV OPTION...]: fills the array RUN_AS_PREFIX with the command that runs
# what follows it as USER (a name or a user id), with the given setpriv options besides, and sets
# RUN_AS_USER, RUN_AS_UID and RUN_AS_HOME. Returns 1 when there is no such user.
run_as_prefix() {
    local entry gid
    RUN_AS_PREFIX=()
    entry=$(getent passwd "$1") || return 1
    IFS=: read -r RUN_AS_USER _ RUN_AS_UID gid _ RUN_AS_HOME _ <<<"$entry"
    RUN_AS_PREFIX=(setpriv --reuid="$RUN_AS_UID" --regid="$gid" --init-groups "${@:2}" --
        env -u XDG_CACHE_HOME -u XDG_RUNTIME_DIR HOME="$RUN_AS_HOME" USER="$RUN_AS_USER" LOGNAME="$RUN_AS_USER")
}
