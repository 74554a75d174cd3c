# cmake -P: the ctest entries TestCasesList.cmake makes from a program's case listing. A case
# the listing names but no entry runs would be a test silently dropped from the suite.
# -DSOURCE_DIR=<the source tree> -DWORK_DIR=<a scratch folder>
set(entries)
set(props)
function(add_test name)
  set(entries ${entries} "${name}|${ARGN}" PARENT_SCOPE)
endfunction()
function(set_tests_properties name)
  string(JOIN " " args ${ARGN})
  set(props ${props} "${name}|${args}" PARENT_SCOPE)
endfunction()

function(expect what got want)
  if(NOT "${got}" STREQUAL "${want}")
    message(FATAL_ERROR "${what}:\n  got  ${got}\n  want ${want}")
  endif()
endfunction()

file(MAKE_DIRECTORY "${WORK_DIR}")
set(cmake "${CMAKE_COMMAND}")
set(env "ORVAN_T=1;OTHER=a:b")
set(slow "Night.Long")
set(name night)

# A program's listing: plain cases, parameterised ones with remarks holding ';', '[' and '#',
# and its environment checked (the listing runs in the tests' environment).
set(exe "${WORK_DIR}/lister.sh")
file(WRITE "${exe}" [=[#!/bin/sh
[ "$ORVAN_T" = 1 ] && [ "$OTHER" = a:b ] || exit 3
[ "$1" = --gtest_list_tests ] || exit 4
echo "Running main() from somewhere"
printf 'Night.\n  Short\n  Long\nDrivers/Indi.\n  Goto/lx200generic  # GetParam() = {"a;b", [x]}\n'
printf 'FaultMatrix/1.  # TypeParam = int\n  Every\n'
]=])
file(CHMOD "${exe}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
include("${SOURCE_DIR}/cmake/TestCasesList.cmake")
expect("entries" "${entries}"
  "night.Night.Short|${exe};--gtest_filter=Night.Short;night.Night.Long|${exe};--gtest_filter=Night.Long;night.Drivers/Indi.Goto/lx200generic|${exe};--gtest_filter=Drivers/Indi.Goto/lx200generic;night.FaultMatrix/1.Every|${exe};--gtest_filter=FaultMatrix/1.Every")
list(FILTER props INCLUDE REGEX "COST")
expect("cost" "${props}" "night.Night.Long|PROPERTIES COST 1000")

# A program that fails to list, and one not built: entered whole, so the failure shows.
foreach(exe "${WORK_DIR}/missing" "${CMAKE_COMMAND}")
  set(entries)
  include("${SOURCE_DIR}/cmake/TestCasesList.cmake")
  expect("whole" "${entries}" "night|${exe}")
endforeach()
