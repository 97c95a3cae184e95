# 64-bit Windows: the native build for today's 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CALVORA_MINGW_PREFIX x86_64-w64-mingw32)
set(CALVORA_MINGW_FLAGS "")
set(CALVORA_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
