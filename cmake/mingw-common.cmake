set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Link the C and C++ runtimes in, so the programs run on any Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The tests run the programs under Wine, in a prefix of the build folder's own
# made for WINE_ARCH (win64, or win32 for a 32-bit Windows with no 64-bit
# part), which cmake/wine-fixture.sh creates.
find_program(WINE_PROGRAM wine)
if(WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEARCH=${WINE_ARCH}
    WINEDEBUG=-all ${WINE_PROGRAM})
endif()
