# Cross-build for Linux on another processor with Debian's cross compilers.
# CROSS_TRIPLE names the compilers, as Debian's packages do:
#   aarch64-linux-gnu, arm-linux-gnueabihf, i686-linux-gnu,
#   powerpc64le-linux-gnu, riscv64-linux-gnu, s390x-linux-gnu
# (package g++-TRIPLE), for instance
#   cmake -S . -B build/x -DCMAKE_TOOLCHAIN_FILE=cmake/linux-cross.cmake \
#         -DCROSS_TRIPLE=aarch64-linux-gnu
# Tests run the programs under qemu-user (package qemu-user), unless this
# machine runs them itself.
if(NOT CROSS_TRIPLE)
  message(FATAL_ERROR "linux-cross.cmake needs CROSS_TRIPLE, such as aarch64-linux-gnu")
endif()
# A try_compile reads this file again, in a project of its own: the triple
# and the choice of emulator go with it.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CROSS_TRIPLE CROSS_EMULATOR)

set(CMAKE_SYSTEM_NAME Linux)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${CROSS_TRIPLE}")
set(CMAKE_C_COMPILER ${CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${CROSS_TRIPLE}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# How the tests run the programs, decided once per build folder: a tiny
# static program for the processor is built and run. If it runs, this
# machine runs such programs itself (i386 programs on an x86-64 kernel with
# its 32-bit support on, or a machine of that processor) and no emulator is
# used. If it does not (an x86-64 kernel built or booted without 32-bit
# support says "Exec format error"), every program runs under qemu-user,
# which finds the processor's shared libraries below -L.
if(NOT DEFINED CROSS_EMULATOR)
  set(probe ${CMAKE_BINARY_DIR}/CMakeFiles/cross-probe)
  file(WRITE ${probe}.cpp "int main() { return 0; }\n")
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -static -o ${probe} ${probe}.cpp
    RESULT_VARIABLE built OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND ${probe} RESULT_VARIABLE ran OUTPUT_QUIET ERROR_QUIET)
  if(NOT built EQUAL 0)
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} cannot build a program: is g++-${CROSS_TRIPLE} installed?")
  endif()
  if(ran EQUAL 0)
    set(emulator "")
  else()
    # qemu's names for the processors whose name differs from the triple's.
    set(qemu_i686 i386)
    set(qemu_powerpc64le ppc64le)
    set(qemu ${CMAKE_SYSTEM_PROCESSOR})
    if(DEFINED qemu_${qemu})
      set(qemu ${qemu_${qemu}})
    endif()
    find_program(QEMU_PROGRAM qemu-${qemu} NO_CACHE)
    if(NOT QEMU_PROGRAM)
      message(FATAL_ERROR "This machine cannot run ${CMAKE_SYSTEM_PROCESSOR} programs and "
        "qemu-${qemu} is not installed (package qemu-user)")
    endif()
    set(emulator ${QEMU_PROGRAM} -L /usr/${CROSS_TRIPLE})
  endif()
  set(CROSS_EMULATOR "${emulator}" CACHE STRING
    "What the tests run ${CMAKE_SYSTEM_PROCESSOR} programs with; empty to run them directly")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${CROSS_EMULATOR})
