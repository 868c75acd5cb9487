# The native Windows build, cross-compiled with mingw-w64 (toolchain file
# cmake/mingw-w64-x86_64.cmake) and tested under wine. Included from the
# top-level CMakeLists.txt in place of Qt and Debian's GoogleTest package:
# the libraries, windows and tests themselves are the one list there.

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
# headless on a private Xvfb (stanzo_gtest in tests/CMakeLists.txt makes
# STANZO_WINE each test's emulator). The fixture boots the prefix and
# starts a wine server and Xvfb once, so no test pays for wine's first
# start.
set(STANZO_WINE ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
add_test(NAME wine_start COMMAND ${STANZO_WINE} --start)
add_test(NAME wine_stop COMMAND ${STANZO_WINE} --stop)
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)

# Every program in one folder: the window test starts stanzo.exe from beside
# itself.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# pugixml, for the song reader (src/songs), from Debian's source.
include(cmake/pugixml.cmake)
