# The unprivileged account that the end-to-end tests run the program as, as a user would run it.
# Source it; a scenario that needs an account of its own names it in E2E_USER first.

E2E_USER=${E2E_USER:-sorvane-e2e}

# ensure_e2e_user (root): the system user E2E_USER with a private home folder, made once.
ensure_e2e_user() {
    getent passwd "$E2E_USER" >/dev/null && return 0
    useradd --system --user-group --create-home --home-dir "/var/lib/$E2E_USER" --shell /usr/sbin/nologin \
        -K HOME_MODE=0700 "$E2E_USER" ||
        getent passwd "$E2E_USER" >/dev/null
}
