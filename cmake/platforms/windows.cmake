# The mingw-w64 build of Sorvane.exe: the Windows Sockets backend, the Win32 program linked
# statically, and GoogleTest built from Debian's sources, its tests run under Wine.
set(SORVANE_DEFAULT_BACKEND windows)
set(SORVANE_BUILD_PROGRAM ON)
set(SORVANE_PROGRAM_OUTPUT_NAME Sorvane)
# No time stamp in the PE header, so that a build of one commit gives the same Sorvane.exe every time.
set(SORVANE_PROGRAM_LINK_OPTIONS -static -Wl,--no-insert-timestamp)
set(SORVANE_GTEST sources)
set(SORVANE_PROGRAM_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(SORVANE_CAPTURE_HELPER OFF)
# The Windows Sockets backend brings its own capture thread and needs no relay.
set(SORVANE_CAPTURE_THREAD backend)
set(SORVANE_CAPTURE_RELAY none)
set(SORVANE_E2E_TESTS OFF)
# The program itself is started under Wine by the ui tests.
set(SORVANE_PROGRAM_WINDOW_TEST ON)
set(SORVANE_BENCH_PROGRAMS none)
set(SORVANE_HOST_PROGRAMS_APART OFF)
