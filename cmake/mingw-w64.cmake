# Cross-build for Windows with mingw-w64; the per-architecture toolchain
# files set CALVORA_MINGW_PREFIX (the target triple) and include this one.
# Test programs run under Wine through cmake/wine-run.sh, which picks the
# 32-bit or the 64-bit loader from the target. The posix-thread compilers
# are used because GoogleTest needs std::mutex, which the win32-thread
# runtime of GCC 12 lacks; with -static the thread library is linked in and
# needs no DLL.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${CALVORA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CALVORA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CALVORA_MINGW_PREFIX}-windres)
set(CMAKE_AR ${CALVORA_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${CALVORA_MINGW_PREFIX}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${CALVORA_MINGW_PREFIX}-strip CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${CALVORA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The x87 unit carries only the long double intermediates; doubles live in
# SSE2 (always so on x86-64, by these flags on 32-bit x86). Every executable
# is self-contained: the C++ runtime and libgcc are linked in, so only
# system DLLs are needed.
set(CMAKE_C_FLAGS_INIT "${CALVORA_MINGW_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${CALVORA_MINGW_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CALVORA_WINE_ARCH})
