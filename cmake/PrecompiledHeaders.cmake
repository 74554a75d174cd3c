# Precompiled headers (GCC): the Qt Core headers nearly every file includes, and GoogleTest for
# the tests, are parsed once per build instead of once per file.
#
# Two headers are precompiled: one for the static libraries (-fPIC) and one for the test
# programs (-fPIE); every target of a kind reuses its kind's (REUSE_FROM), since the compiler
# flags of a build are the same for all of them. Only Qt Core goes in: a logic file that uses a
# widget without including its header must still fail to build. Programs other than the tests
# and loadable modules are left as they are (a handful of files).

set(ORVAN_PCH_CORE
  <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QElapsedTimer> <QFile> <QFileInfo> <QHash>
  <QList> <QObject> <QProcess> <QRegularExpression> <QString> <QStringList> <QTimer> <QVariant>
  <algorithm> <array> <cmath> <functional> <memory> <optional> <vector>)

# Gives every static library and every test under the source tree its kind's precompiled header.
function(orvan_precompile_headers)
  get_property(tests GLOBAL PROPERTY ORVAN_TEST_TARGETS)
  set(dirs ${CMAKE_SOURCE_DIR})
  set(libs)
  while(dirs)
    list(POP_FRONT dirs d)
    get_property(sub DIRECTORY ${d} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${sub})
    get_property(targets DIRECTORY ${d} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(t ${targets})
      get_target_property(type ${t} TYPE)
      if(type STREQUAL "STATIC_LIBRARY")
        list(APPEND libs ${t})
      endif()
    endforeach()
  endwhile()

  if(libs)
    add_library(orvan_pch_lib STATIC ${CMAKE_SOURCE_DIR}/cmake/pch.cpp)
    target_link_libraries(orvan_pch_lib PRIVATE Qt6::Core)
    target_precompile_headers(orvan_pch_lib PRIVATE ${ORVAN_PCH_CORE})
    foreach(t ${libs})
      target_precompile_headers(${t} REUSE_FROM orvan_pch_lib)
    endforeach()
  endif()
  if(tests)
    add_executable(orvan_pch_test ${CMAKE_SOURCE_DIR}/cmake/pch.cpp)
    target_link_libraries(orvan_pch_test PRIVATE Qt6::Core GTest::gtest GTest::gmock GTest::gtest_main)
    target_precompile_headers(orvan_pch_test PRIVATE ${ORVAN_PCH_CORE} <gtest/gtest.h>)
    foreach(t ${tests})
      target_precompile_headers(${t} REUSE_FROM orvan_pch_test)
    endforeach()
  endif()
endfunction()
