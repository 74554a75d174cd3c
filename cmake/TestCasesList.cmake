# Run by ctest when it starts (see TestCases.cmake): enters each case of test program ${exe}
# as "${name}.Suite.Case". Set by the caller: name, exe, env (the tests' environment), slow
# (the cases to start first), cmake (the cmake program).
set(cases)
if(EXISTS "${exe}")
  execute_process(COMMAND "${cmake}" -E env ${env} "${exe}" --gtest_list_tests
                  OUTPUT_VARIABLE listing RESULT_VARIABLE listed ERROR_QUIET TIMEOUT 120)
  if(listed EQUAL 0)
    # "Suite." lines, each followed by its "  Case" lines; parameterised ones carry a
    # "  # GetParam() = ..." remark, which may hold any character.
    string(REGEX REPLACE "  #[^\n]*" "" listing "${listing}")
    string(REPLACE ";" "" listing "${listing}")
    string(REPLACE "\n" ";" lines "${listing}")
    set(suite)
    foreach(line IN LISTS lines)
      if(line MATCHES "^([A-Za-z0-9_/]+\\.)$")
        set(suite "${CMAKE_MATCH_1}")
      elseif(suite AND line MATCHES "^  ([A-Za-z0-9_/]+)$")
        list(APPEND cases "${suite}${CMAKE_MATCH_1}")
      endif()
    endforeach()
  endif()
endif()

if(NOT cases)
  # Not built, or it cannot list its cases: entered whole, so the failure shows.
  add_test("${name}" "${exe}")
  set_tests_properties("${name}" PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endif()
foreach(case IN LISTS cases)
  add_test("${name}.${case}" "${exe}" "--gtest_filter=${case}")
  # A case its program skips (INDI not installed) is reported as skipped, not passed.
  set_tests_properties("${name}.${case}" PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600
                       SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  list(FIND slow "${case}" at)
  if(at GREATER -1)
    set_tests_properties("${name}.${case}" PROPERTIES COST 1000)
  endif()
endforeach()
