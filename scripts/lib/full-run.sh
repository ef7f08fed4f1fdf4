# Whether this is a full run, in which every suite must run and a skipped one fails the run:
# CI=true (or 1), or SORVANE_FULL_RUN=1 (what scripts/test --full sets). The test suites read the
# same two variables (tests/FullRun.h).
full_run_required() {
    [ "${CI:-}" = true ] || [ "${CI:-}" = 1 ] || [ "${SORVANE_FULL_RUN:-}" = 1 ]
}
