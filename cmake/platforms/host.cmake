# The host build: the portable code and the Linux backend with Debian's prebuilt GoogleTest; no
# Win32 program.
set(SORVANE_DEFAULT_BACKEND linux)
set(SORVANE_BUILD_PROGRAM OFF)
set(SORVANE_GTEST package)
set(SORVANE_CAPTURE_HELPER OFF)
# The Linux backend's capture thread is a plain detached thread, and the helper's service runs on a
# thread of the tests' and benchmarks' own process.
set(SORVANE_CAPTURE_THREAD detached)
set(SORVANE_CAPTURE_RELAY in-process)
set(SORVANE_E2E_TESTS OFF)
set(SORVANE_PROGRAM_WINDOW_TEST OFF)
set(SORVANE_BENCH_PROGRAMS host)
set(SORVANE_HOST_PROGRAMS_APART OFF)
