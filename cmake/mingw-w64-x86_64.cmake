# Cross-builds the Windows x86-64 programs with Debian's mingw-w64 (the POSIX-threads flavour, GCC
# 12). Libraries are looked for only in the Windows prefix the dependency script builds and in the
# mingw-w64 sysroot, never among the Linux ones.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_AR x86_64-w64-mingw32-gcc-ar-posix CACHE FILEPATH "archiver")
set(CMAKE_RANLIB x86_64-w64-mingw32-gcc-ranlib-posix CACHE FILEPATH "ranlib")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Only Windows' own DLLs at run time: the C++ runtime, libgcc and winpthread go into each program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The dependency script's Windows prefix is searched as a root of its own.
set(SV_WINDOWS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build-windows/deps/prefix")
get_filename_component(SV_WINDOWS_PREFIX "${SV_WINDOWS_PREFIX}" ABSOLUTE)
list(APPEND CMAKE_FIND_ROOT_PATH "${SV_WINDOWS_PREFIX}")
