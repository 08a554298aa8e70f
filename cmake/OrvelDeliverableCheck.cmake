# The check that a built module offers the host what the loader sees of it:
# the right machine, the three undecorated entry points and nothing else, and
# no library that the host process cannot be expected to have. It runs as a
# ctest test in every build, also where the suites are not built (win32, whose
# files are the deliverables).
enable_testing()

set(ORVEL_CHECK_DIR "${CMAKE_CURRENT_LIST_DIR}/../tools/check_deliverables")

if(WIN32 AND ORVEL_X86_32)
  set(ORVEL_MODULE_FORMAT pei-i386)
elseif(WIN32)
  set(ORVEL_MODULE_FORMAT pei-x86-64)
elseif(ORVEL_X86_32)
  set(ORVEL_MODULE_FORMAT elf32-i386)
else()
  set(ORVEL_MODULE_FORMAT elf64-x86-64)
endif()

add_test(NAME check_module_selftest COMMAND bash "${ORVEL_CHECK_DIR}/selftest.sh")
set_tests_properties(check_module_selftest PROPERTIES LABELS deliverables)

# orvel_add_module_check(TARGET): a test named <TARGET>_module_check.
function(orvel_add_module_check target)
  set(options --format ${ORVEL_MODULE_FORMAT} --objdump "${CMAKE_OBJDUMP}" --nm "${CMAKE_NM}")
  if(ORVEL_SANITIZE)
    list(APPEND options --sanitized)
  endif()
  add_test(NAME ${target}_module_check
    COMMAND bash "${ORVEL_CHECK_DIR}/check_module.sh" ${options} "$<TARGET_FILE:${target}>")
  set_tests_properties(${target}_module_check PROPERTIES LABELS deliverables)
endfunction()
