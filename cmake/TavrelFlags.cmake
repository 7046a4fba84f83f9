# Compiler settings shared by every Tavrel target.
#
# Numerics must be deterministic across the three builds: no contraction of
# a*b+c into a fused multiply-add, no fast-math, and (for i686, in the
# toolchain file) SSE2 arithmetic instead of the x87 stack.
add_library(tavrel_flags INTERFACE)
target_compile_options(tavrel_flags INTERFACE -ffp-contract=off -fno-fast-math)
set(TAVREL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)

# Applies the project's warnings to a target (kept private so nothing that
# links it inherits them).
function(tavrel_target_warnings target)
  target_compile_options(${target} PRIVATE ${TAVREL_WARNINGS})
endfunction()

if(TAVREL_SANITIZE)
  target_compile_options(tavrel_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(tavrel_flags INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
  # The Windows binaries carry libgcc and libstdc++ inside them.
  target_link_options(tavrel_flags INTERFACE -static -static-libgcc -static-libstdc++)
  target_compile_definitions(tavrel_flags INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()
