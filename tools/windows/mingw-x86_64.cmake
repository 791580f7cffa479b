# 64-bit Windows, cross-built with MinGW-w64 (SSE2 is the baseline here).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VORN_MINGW_TRIPLE x86_64-w64-mingw32)
set(VORN_ARCH_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
