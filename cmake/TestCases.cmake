# How ctest runs the test programs.
#
# Most of the suite's time is spent waiting on simulated mechanics and on drivers' time-outs,
# not computing. A long program is therefore entered in ctest once per case
# ("shell_night_tests.Night.SerialDomeFollows..."), so `ctest -j` spreads its cases over as
# many jobs as it is given instead of running them one after another; `ctest -R
# shell_night_tests` still selects all of them. The other programs stay one entry each: their
# cases are short, and a process per case would only add start-ups.
#
# The cases are listed when ctest starts (the program's --gtest_list_tests), so a case added
# to a source file needs no CMake run. A program that cannot list its cases is entered whole,
# and fails there.

set(ORVAN_CASE_TESTS
  shell_night_tests shell_alpaca_night_tests shell_process_tests shell_bridge_night_tests shell_window_tests shell_startup_tests
  night_rehearsal night_park_rehearsal fault_matrix_tests motion_end_sim_tests lx200_sim_tests
  rst400_driver_sim_tests temma_driver_sim_tests quarn_sim_tests dome_line_tests mount_tests
  link_sim_interop_tests link_interop_tests utility_settings_tests utility_device_tests bridge_program_tests
  shell_dome_controller_tests)

# Cases that take half a minute or more: ctest starts them first (without the timings of an
# earlier run, as in a fresh clone, it goes by this cost), so none is left running alone at
# the end. A name here that no longer exists costs nothing.
set(ORVAN_SLOW_CASES
  BridgeNight.ChooseConnectGotoSyncStopTheServerKilledMidGotoAndPark
  ControllerProcess.LinkClientsHearTheirOwnGotosAndSyncInTheFrameOfThePosition
  FaultMatrix/1.EveryFaultKeepsThePositionAndMovesNothingUnasked
  RehearsedNight.PlanetariumGotoDomeFollowsShutdownKeepsTheAlignment
  Night.DomeFollowsParksAndKeepsItsAlignmentOverARestart
  RehearsedNight.ParkSendsMountAndDomeToTheirParkPositionsAndARestartKnowsTheDome
  LossyTemma.AGotoWhoseFinishIsLostStillEnds
  Night.SerialDomeFollowsAGotoAcrossTheMeridianAndRunsTheSlit)

# Enters test program `name` in ctest with the environment every test runs in.
function(orvan_register_test name)
  # The tests read the Japanese texts whatever the locale of the one who runs them.
  set(env "QT_QPA_PLATFORM=offscreen" "ORVAN_BIN_DIR=${CMAKE_BINARY_DIR}/bin" "LANG=C.UTF-8" "LANGUAGE=" "LC_ALL="
          "LC_MESSAGES="
          "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/scripts/lsan.supp"
          "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0")
  if(NOT name IN_LIST ORVAN_CASE_TESTS)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
    return()
  endif()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_cases.cmake)
  file(GENERATE OUTPUT ${script} CONTENT "\
set(name ${name})
set(exe [==[$<TARGET_FILE:${name}>]==])
set(env [==[${env}]==])
set(slow [==[${ORVAN_SLOW_CASES}]==])
set(cmake [==[${CMAKE_COMMAND}]==])
include([==[${CMAKE_SOURCE_DIR}/cmake/TestCasesList.cmake]==])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

if(ORVAN_TESTS)
  add_test(NAME test_case_listing COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
           -DWORK_DIR=${CMAKE_BINARY_DIR}/test_case_listing -P ${CMAKE_SOURCE_DIR}/cmake/tests/TestCasesListTest.cmake)
endif()
