# The host build: the portable code and the Linux backend with Debian's prebuilt GoogleTest; no
# Win32 program.
set(SORVANE_DEFAULT_BACKEND linux)
set(SORVANE_BUILD_PROGRAM OFF)
set(SORVANE_GTEST package)
set(SORVANE_CAPTURE_HELPER OFF)
