# Hardening of the ELF programs, each flag where the tool chain has it: code
# that can be loaded anywhere (a static PIE when linking statically, so the
# system can still place it at random), relocations made read-only and bound
# before main, a stack that cannot run code, stack canaries, fortified
# library calls and control-flow protection. Sanitizer builds keep their own
# instrumentation instead, and the Windows linker sets ASLR and DEP itself.
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)

foreach(flag -fPIE -fstack-protector-strong -fcf-protection)
  string(MAKE_C_IDENTIFIER "HAVE${flag}" have)
  check_cxx_compiler_flag(${flag} ${have})
  if(${have})
    target_compile_options(program_compile INTERFACE ${flag})
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
    target_link_options(program_link INTERFACE -static)
  endif()
else()
  check_linker_flag(CXX -pie HAVE_PIE)
  if(HAVE_PIE)
    target_link_options(program_link INTERFACE -pie)
  endif()
endif()
foreach(flag -Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
  string(MAKE_C_IDENTIFIER "HAVE${flag}" have)
  check_linker_flag(CXX ${flag} ${have})
  if(${have})
    target_link_options(program_link INTERFACE ${flag})
  endif()
endforeach()
