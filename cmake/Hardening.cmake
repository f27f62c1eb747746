# Hardening of the ELF programs, each flag where the tool chain has it: code
# that can be loaded anywhere (a static PIE when linking statically, so the
# system can still place it at random), relocations made read-only and bound
# before main, a stack that cannot run code, stack canaries, fortified
# library calls and control-flow protection. Sanitizer builds keep their own
# instrumentation instead, and the Windows linker sets ASLR and DEP itself.
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)

# A flag the tool chain lacks for this processor is left out, and the
# configure step says so: -fcf-protection exists for x86 only, and the C
# library has static PIE start files (rcrt1.o) for some processors only.
function(hardening_left_out flag why)
  message(STATUS "Hardening: ${flag} left out on ${CMAKE_SYSTEM_PROCESSOR}: ${why}")
endfunction()

foreach(flag -fPIE -fstack-protector-strong -fcf-protection)
  string(MAKE_C_IDENTIFIER "HAVE${flag}" have)
  check_cxx_compiler_flag(${flag} ${have})
  if(${have})
    target_compile_options(program_compile INTERFACE ${flag})
  else()
    hardening_left_out(${flag} "the compiler does not take it")
  endif()
endforeach()
# Fortifying needs the optimiser; some compilers define a level of their own.
target_compile_options(program_compile INTERFACE
  "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=3>")

if(STATIC_LINK)
  check_linker_flag(CXX -static-pie HAVE_STATIC_PIE)
  if(HAVE_STATIC_PIE)
    target_link_options(program_link INTERFACE -static-pie)
  else()
    hardening_left_out(-static-pie "the tool chain cannot link one; a static program at a fixed address instead")
    target_link_options(program_link INTERFACE -static)
  endif()
else()
  check_linker_flag(CXX -pie HAVE_PIE)
  if(HAVE_PIE)
    target_link_options(program_link INTERFACE -pie)
  else()
    hardening_left_out(-pie "the linker does not take it")
  endif()
endif()
foreach(flag -Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
  string(MAKE_C_IDENTIFIER "HAVE${flag}" have)
  check_linker_flag(CXX ${flag} ${have})
  if(${have})
    target_link_options(program_link INTERFACE ${flag})
  else()
    hardening_left_out(${flag} "the linker does not take it")
  endif()
endforeach()
