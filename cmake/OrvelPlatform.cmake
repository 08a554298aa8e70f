# What differs between the four targets: the executable format of the
# modules, and the floating-point and stack settings of 32-bit x86.
if(WIN32)
  set(ORVEL_MODULE_SUFFIX ".rdx")
else()
  set(ORVEL_MODULE_SUFFIX ".so")
endif()

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$")
  set(ORVEL_X86_32 ON)
else()
  set(ORVEL_X86_32 OFF)
endif()

add_compile_options(-Wall -Wextra -Wpedantic)

if(ORVEL_X86_32)
  # Every float is rounded where the operations say it is: SSE2, not x87.
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(ORVEL_SANITIZE)
  # vptr checks cannot see across the module boundary: the modules carry no
  # type information, and host and module each have their own vtables.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
