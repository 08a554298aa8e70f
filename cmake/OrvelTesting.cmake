# The test framework, built from source for whichever target this is, and
# orvel_add_suite() for the suites that run against the built modules.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

if(WIN32)
  # Test programs carry their runtime, so wine needs no DLLs beside them.
  set(ORVEL_TEST_LINK_OPTIONS -static -static-libgcc -static-libstdc++)
endif()

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
  set_tests_properties(${name} PROPERTIES TIMEOUT 1500)
  if(ORVEL_TEST_FIXTURE)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${ORVEL_TEST_FIXTURE})
  endif()
endfunction()
