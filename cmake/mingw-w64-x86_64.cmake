# Cross-compiling for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64-posix).
# Usage: cmake -S win32 -B build-win -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RUZ_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX threads flavour: std::thread and std::mutex (GoogleTest needs them); with -static the
# programs still need only system DLLs.
set(CMAKE_C_COMPILER ${RUZ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RUZ_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${RUZ_MINGW_PREFIX}-windres)

# Headers and libraries come from the cross sysroot only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${RUZ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
