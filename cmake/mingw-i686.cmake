set(CMAKE_SYSTEM_PROCESSOR x86)
set(MR_MINGW_TRIPLE i686-w64-mingw32)
# SSE2 arithmetic instead of the x87 unit's 80-bit intermediates, so that the
# 32-bit build computes exactly what the 64-bit build does (0.6 s × 1000 is
# 600 ms in both, not 599 in one).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
