# The Winelib build for Linux: the Win32 program through wineg++ with the Linux backend, started by
# the launcher script build/linux/sorvane. GoogleTest's headers do not build as Win32 code here, so
# this build has no GoogleTest suites; its end-to-end tests drive the real program.
set(SORVANE_DEFAULT_BACKEND linux)
set(SORVANE_BUILD_PROGRAM ON)
set(SORVANE_PROGRAM_OUTPUT_NAME sorvane)
set(SORVANE_PROGRAM_LINK_OPTIONS)
set(SORVANE_GTEST none)
# The Win32 program goes to build/linux/winelib; build/linux/sorvane is the native launcher that
# starts the capture helper first, the only process that holds CAP_NET_RAW.
set(SORVANE_PROGRAM_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/winelib)
set(SORVANE_CAPTURE_HELPER ON)
# The capture thread posts window messages, which only threads that Wine made may do
# (capture/winelib); the program never holds a packet socket: the capture helper relays datagrams.
set(SORVANE_CAPTURE_THREAD winelib)
set(SORVANE_CAPTURE_RELAY helper)
set(SORVANE_E2E_TESTS ON)
set(SORVANE_PROGRAM_WINDOW_TEST OFF)
set(SORVANE_BENCH_PROGRAMS wine)
# wineg++ builds only Winelib modules: the native programs are compiled by the host's c++ apart.
set(SORVANE_HOST_PROGRAMS_APART ON)
