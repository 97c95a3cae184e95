# 32-bit Windows: runs on every Windows of the NT family the program
# supports, 32-bit ones included.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CALVORA_MINGW_PREFIX i686-w64-mingw32)
set(CALVORA_MINGW_FLAGS "-msse2 -mfpmath=sse")
set(CALVORA_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
