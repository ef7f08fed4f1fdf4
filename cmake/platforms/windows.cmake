# The mingw-w64 build of Sorvane.exe: the Windows Sockets backend, the Win32 program linked
# statically, and GoogleTest built from Debian's sources, its tests run under Wine.
set(SORVANE_DEFAULT_BACKEND windows)
set(SORVANE_BUILD_PROGRAM ON)
set(SORVANE_PROGRAM_OUTPUT_NAME Sorvane)
set(SORVANE_PROGRAM_LINK_OPTIONS -static)
set(SORVANE_GTEST sources)
set(SORVANE_PROGRAM_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(SORVANE_CAPTURE_HELPER OFF)
