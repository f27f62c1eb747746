# Cross-build for 32-bit Windows, the platform the programs were first made for.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_PREFIX i686-w64-mingw32)
# Tested as on a 32-bit Windows: everything in the prefix, cmd included, is
# 32-bit, which needs 32-bit Wine (Debian's wine32:i386) and a kernel that
# runs i386 programs.
set(WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Every Windows since 8 requires SSE2, so the programs may use it throughout.
set(CMAKE_CXX_FLAGS_INIT "-msse2")
