# The test framework, built from source for whichever target this is, and
# orvel_add_suite() for the suites that run against the built modules.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

if(WIN32)
  # Test programs carry their runtime, so wine needs no DLLs beside them.
  set(ORVEL_TEST_LINK_OPTIONS -static -static-libgcc -static-libstdc++)
endif()

# A suite that runs under wine needs the build tree's wine prefix. Making one
# takes wine a while, so one test makes it, once per build tree, before the
# first suite runs; every suite requires it as a fixture, which also makes
# "ctest -R <suite>" create the prefix first.
if(WIN32 AND CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR MATCHES "wine-run\\.sh")
  add_test(NAME wine_prefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init)
  set_tests_properties(wine_prefix PROPERTIES
    FIXTURES_SETUP wine_prefix
    TIMEOUT 900
    LABELS setup)
  add_test(NAME wine_server_stop COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --stop)
  set_tests_properties(wine_server_stop PROPERTIES
    FIXTURES_CLEANUP wine_prefix
    LABELS setup)
  set(ORVEL_TEST_FIXTURE wine_prefix)
endif()

# Generous for emulated targets: qemu and wine are many times slower than a
# native run, and a suite that hangs still ends well before CI does.
set(ORVEL_SUITE_TIMEOUT 600)

# orvel_add_suite(NAME SOURCES...): one test program, linked with the host
# layer, run by ctest once (under the target's emulator, if any). The modules
# are found beside the program, or through ORVEL_PINMARK_MODULE and
# ORVEL_TWINFLIP_MODULE.
function(orvel_add_suite name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE orvel_host GTest::gmock GTest::gtest_main)
  target_link_options(${name} PRIVATE ${ORVEL_TEST_LINK_OPTIONS})
  add_dependencies(${name} OrvelPinmark OrvelTwinflip)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ORVEL_SUITE_TIMEOUT} LABELS suite)
  if(ORVEL_TEST_FIXTURE)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${ORVEL_TEST_FIXTURE})
  endif()
  # The i386 build runs every suite a second time, on the shipped .rdx files
  # through the test-only PE loader.
  if(TARGET orvel_shipped_modules)
    add_dependencies(${name} orvel_shipped_modules)
    add_test(NAME ${name}_rdx COMMAND ${name})
    set_tests_properties(${name}_rdx PROPERTIES
      TIMEOUT ${ORVEL_SUITE_TIMEOUT}
      LABELS "suite;rdx"
      ENVIRONMENT "ORVEL_PINMARK_MODULE=${ORVEL_SHIPPED_PINMARK};ORVEL_TWINFLIP_MODULE=${ORVEL_SHIPPED_TWINFLIP}")
  endif()
endfunction()
