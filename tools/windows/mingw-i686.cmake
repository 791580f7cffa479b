# 32-bit Windows (the reference platform), cross-built with MinGW-w64.
#
# The x87 unit is the classic trap of 32-bit x86: intermediate results kept in
# 80-bit registers round differently from the 32-bit floats the engine is
# written for. -mfpmath=sse keeps every float operation in SSE registers, so
# the DLL computes what the x86_64 builds compute, and the MXCSR (flush to zero,
# rounding mode) governs all of it. GCC realigns the stack in functions that
# spill SSE values on this target, since hosts may call with 4-byte alignment.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VORN_MINGW_TRIPLE i686-w64-mingw32)
set(VORN_ARCH_FLAGS "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
