# Flags shared by every target. The chain's written evaluation order is its
# behaviour, so floating point must stay strict IEEE double everywhere:
# no contraction into fused multiply-add, no fast-math reassociation, and SSE2
# instead of x87 extended precision on 32-bit x86.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

add_compile_options(-Wall -Wextra -ffp-contract=off -fno-fast-math)
# The engine's vector types (GCC vector extensions) pass only between inline
# functions of one translation unit, never across a library boundary, so
# GCC's note that their calling convention depends on the target is noise.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-psabi)
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86|X86|AMD64|x86_64)$")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

option(KORVANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(KORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
