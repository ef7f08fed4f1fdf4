# Winelib build for Linux: the Win32 program compiled by wineg++ into a .exe.so plus its launcher
# script, with the Linux capture backend in the same module.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER winegcc)
set(CMAKE_CXX_COMPILER wineg++)
set(CMAKE_RC_COMPILER wrc)

set(SORVANE_WINELIB ON CACHE BOOL "build the Win32 program with Winelib")
set(SORVANE_BACKEND linux CACHE STRING "capture backend: windows or linux")

# wrc takes windres-style options; its .res output goes straight onto the wineg++ link line.
set(CMAKE_RC_COMPILE_OBJECT "<CMAKE_RC_COMPILER> <DEFINES> <INCLUDES> <FLAGS> -o <OBJECT> <SOURCE>")

# wineg++ -o X.exe writes the launcher script X.exe and the module X.exe.so. The launcher is renamed
# to the target's own file name, so the build sees the file it expects and the program starts as
# build/linux/<name>; the script finds X.exe.so next to itself.
foreach(lang C CXX)
    set(CMAKE_${lang}_LINK_EXECUTABLE
        "<CMAKE_${lang}_COMPILER> <FLAGS> <CMAKE_${lang}_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET>.exe <LINK_LIBRARIES>"
        "mv -f <TARGET>.exe <TARGET>")
    set(CMAKE_${lang}_CREATE_WIN32_EXE "-mwindows")
    set(CMAKE_${lang}_CREATE_CONSOLE_EXE "-mconsole")
endforeach()

# NOMINMAX: Wine's windef.h would otherwise turn std::min/std::max into macros.
# The bindings header keeps the Linux backend's socket calls on the C library: without it, linking
# ws2_32 makes winebuild resolve socket(), bind(), htons() and the like to their Winsock namesakes.
set(CMAKE_C_FLAGS_INIT "-DNOMINMAX -include ${CMAKE_CURRENT_LIST_DIR}/winelib-glibc-bindings.h")
set(CMAKE_CXX_FLAGS_INIT "-DNOMINMAX -include ${CMAKE_CURRENT_LIST_DIR}/winelib-glibc-bindings.h")
