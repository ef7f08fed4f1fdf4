# GoogleTest from Debian: the prebuilt library on the host, its sources for cross builds.
option(SORVANE_TESTS "build the test suites" ON)
if(NOT SORVANE_TESTS)
    return()
endif()

enable_testing()
include(GoogleTest)

# The platform file says where GoogleTest comes from: sources, package or none.
if(SORVANE_GTEST STREQUAL "sources")
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    # Newer GoogleTest sources define these aliases themselves.
    if(NOT TARGET GTest::gtest)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
    set(SORVANE_HAVE_GTEST ON)
elseif(SORVANE_GTEST STREQUAL "package")
    find_package(GTest REQUIRED)
    set(SORVANE_HAVE_GTEST ON)
endif()

# Each label's time limit in seconds: about ten times the slowest test of the label in any preset, as
# measured (README, "Time limits"), so that a hang fails its test long before ctest's 600 s default
# while a loaded machine does not.
set(SORVANE_TIMEOUT_unit 5)
set(SORVANE_TIMEOUT_capture 60)
set(SORVANE_TIMEOUT_ui 900)
set(SORVANE_TIMEOUT_e2e 800)

# sorvane_test_timeout(OUT label...): the longest limit of the labels.
function(sorvane_test_timeout out)
    set(limit 0)
    foreach(label IN LISTS ARGN)
        if(NOT DEFINED SORVANE_TIMEOUT_${label})
            message(FATAL_ERROR "no time limit for the test label ${label}")
        endif()
        if(SORVANE_TIMEOUT_${label} GREATER limit)
            set(limit ${SORVANE_TIMEOUT_${label}})
        endif()
    endforeach()
    set(${out} ${limit} PARENT_SCOPE)
endfunction()

# sorvane_add_test(NAME name LABELS label... SOURCES file... LIBRARIES lib...)
function(sorvane_add_test)
    cmake_parse_arguments(T "" "NAME" "LABELS;SOURCES;LIBRARIES" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBRARIES} GTest::gtest_main GTest::gtest)
    # FullRun.h: how every suite skips what cannot run here.
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    # Window tests share one display and one Wine desktop, where focus and activation are global:
    # two of them at once would take the focus from each other, so they run one at a time. Without
    # a display they fail at once (scripts/wine-run reads SORVANE_NEEDS_DISPLAY).
    set(lock)
    if("ui" IN_LIST T_LABELS)
        set(lock RESOURCE_LOCK sorvane_desktop ENVIRONMENT SORVANE_NEEDS_DISPLAY=1)
    endif()
    sorvane_test_timeout(timeout ${T_LABELS})
    set_property(GLOBAL APPEND PROPERTY SORVANE_TEST_SUITES ${T_NAME})
    gtest_discover_tests(${T_NAME}
        DISCOVERY_TIMEOUT 120
        PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${timeout} ${lock})
endfunction()

# The GoogleTest suites of this build, one "NAME<tab>EXECUTABLE" a line, in build/PRESET/test-suites.txt:
# a suite whose listing came back empty registers no test at all, so scripts/test needs this list to
# notice that it added nothing to the report (scripts/lib/missing-tests.py).
function(sorvane_write_test_suites)
    get_property(suites GLOBAL PROPERTY SORVANE_TEST_SUITES)
    set(lines)
    foreach(suite IN LISTS suites)
        string(APPEND lines "${suite}\t$<TARGET_FILE:${suite}>\n")
    endforeach()
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/test-suites.txt CONTENT "${lines}")
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL sorvane_write_test_suites)
