# How the tests are registered with ctest: every one of them through the two
# functions below, so that every test has a time limit. A test that hangs
# then fails after it rather than after ctest's default of 25 minutes. The
# slowest test takes under 10 s with three running at once; the limit leaves
# room for a slower machine.
set(ZEK_TEST_TIMEOUT 120 CACHE STRING "Seconds a test may run before ctest fails it")

include(GoogleTest)

# Each test of a GoogleTest executable, listed when the tests run.
# PROPERTIES: further test properties, such as ENVIRONMENT.
function(zek_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PROPERTIES")
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                       PROPERTIES TIMEOUT ${ZEK_TEST_TIMEOUT} ${arg_PROPERTIES})
endfunction()

# One test, NAME, that runs COMMAND. PROPERTIES: further test properties.
function(zek_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "COMMAND;PROPERTIES")
  add_test(NAME ${name} COMMAND ${arg_COMMAND})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ZEK_TEST_TIMEOUT} ${arg_PROPERTIES})
endfunction()
