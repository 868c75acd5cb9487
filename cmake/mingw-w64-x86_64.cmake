# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the "posix"
# thread model, so std::thread and std::mutex work). Executables are fully
# static: stanzo.exe and the tests need no DLL beside them, only the system's.
#
#   cmake -S . -B build/windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(STANZO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${STANZO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${STANZO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${STANZO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${STANZO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the cross-built programs under wine: cmake/windows.cmake sets
# the emulator (cmake/wine-run.sh) with a wine prefix inside the build tree.
