# Native Linux programs that sit beside the Winelib build: the capture helper and the launcher.
# wineg++ builds only Winelib modules, so under the Winelib toolchain these are compiled by the
# host's C++ compiler directly; other Linux builds make them ordinary targets.
set(SORVANE_HOST_CXX c++ CACHE STRING "host C++ compiler for the native programs of the Winelib build")
# The capture helper holds CAP_NET_RAW: these programs get the hardening Debian builds its own with.
set(SORVANE_HOST_HARDENING -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wl,-z,relro -Wl,-z,now)

# sorvane_add_host_program(NAME target OUTPUT_NAME file SOURCES file... INCLUDES dir... DEFINES def...
#                          DEPENDS file...)
# The program lands in the build's top directory as OUTPUT_NAME. DEPENDS names the headers a change of which must
# rebuild it under the Winelib toolchain.
function(sorvane_add_host_program)
    cmake_parse_arguments(P "" "NAME;OUTPUT_NAME" "SOURCES;INCLUDES;DEFINES;DEPENDS" ${ARGN})
    if(NOT SORVANE_HOST_PROGRAMS_APART)
        add_executable(${P_NAME} ${P_SOURCES})
        target_include_directories(${P_NAME} PRIVATE ${P_INCLUDES})
        target_compile_definitions(${P_NAME} PRIVATE ${P_DEFINES})
        set_target_properties(${P_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR} OUTPUT_NAME ${P_OUTPUT_NAME})
        return()
    endif()
    set(output ${CMAKE_BINARY_DIR}/${P_OUTPUT_NAME})
    list(TRANSFORM P_INCLUDES PREPEND -I)
    list(TRANSFORM P_DEFINES PREPEND -D)
    add_custom_command(OUTPUT ${output}
        COMMAND ${SORVANE_HOST_CXX} -std=c++17 -O2 -g -Wall -Wextra ${SORVANE_HOST_HARDENING} ${SORVANE_PREFIX_MAPS} ${P_INCLUDES} ${P_DEFINES} -o ${output}
            ${P_SOURCES}
        DEPENDS ${P_SOURCES} ${P_DEPENDS}
        COMMENT "Building the native program ${P_OUTPUT_NAME}"
        VERBATIM)
    add_custom_target(${P_NAME} ALL DEPENDS ${output})
endfunction()
