# The native Windows build, cross-compiled with mingw-w64 (toolchain file
# cmake/mingw-w64-x86_64.cmake) and tested under wine. Included from the
# top-level CMakeLists.txt instead of the Linux part: there is no Qt here.
#
# What builds on Windows: the platform seam, the GUI-free rules (text and
# settings, link, presentation, extras), the control table and the Win32
# window, with their tests. Test sources that drive POSIX itself (sockets,
# fork, chmod, /dev/full, sh) are left out below, each with its reason;
# the fakes of tests/platform are the same on every system.
set(STANZO_POSIX_ONLY_SOURCES
  tcp_client_test.cpp       # link_tcp_client_test: its peers are POSIX sockets
  dos_test.cpp              # extras_test: starts sh and POSIX programs
)

# Removes the POSIX-only sources from `target`.
function(stanzo_drop_posix_only target)
  get_target_property(sources ${target} SOURCES)
  foreach(posix_only IN LISTS STANZO_POSIX_ONLY_SOURCES)
    list(FILTER sources EXCLUDE REGEX "(^|/)${posix_only}$")
  endforeach()
  set_target_properties(${target} PROPERTIES SOURCES "${sources}")
endfunction()

# GoogleTest from Debian's sources, built with the cross compiler and
# without the project's warning flags.
get_directory_property(stanzo_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${stanzo_options}")
# (It names its targets GTest::gtest, GTest::gmock, ... itself.)

# Every test runs under wine in a prefix of its own inside the build tree,
# headless on a private Xvfb. The fixture boots the prefix and starts a
# wine server and Xvfb once, so no test pays for wine's first start.
set(STANZO_WINE ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${STANZO_WINE})
enable_testing()
add_test(NAME wine_start COMMAND ${STANZO_WINE} --start)
add_test(NAME wine_stop COMMAND ${STANZO_WINE} --stop)
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)

# stanzo_gtest(<name> SOURCES ... LIBS ...): one GoogleTest executable,
# run by ctest as one test (a wine start per test case would cost more than
# the cases themselves).
function(stanzo_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR})
  # GCC 12 at -O3 takes the strings inside the tests' aggregate case tables
  # for uninitialised (a false positive); the code under test keeps it.
  target_compile_options(${name} PRIVATE -Wno-maybe-uninitialized)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
endfunction()

# Every program in one folder: the window test starts stanzo.exe from beside
# itself.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_subdirectory(src/platform)
add_subdirectory(src/text)
add_subdirectory(src/link)
add_subdirectory(src/presentation)
add_subdirectory(src/extras)
include(cmake/pugixml.cmake)
add_subdirectory(src/songs)
# The console core needs the link and the extras.
add_subdirectory(src/console)
add_subdirectory(src/win)

add_subdirectory(tests/text)
add_subdirectory(tests/link)
add_subdirectory(tests/presentation)
add_subdirectory(tests/songs)
add_subdirectory(tests/console)
add_subdirectory(tests/extras)
add_subdirectory(tests/platform)
add_subdirectory(tests/win)
foreach(test IN ITEMS link_tcp_client_test extras_test)
  stanzo_drop_posix_only(${test})
endforeach()
