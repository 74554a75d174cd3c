// The main of every test that needs a Qt application: one application for the whole run
// (timers, sockets and windows all want one, and Qt allows only one per process), made before
// GoogleTest reads its options. Built twice: with windows (orvan_test_main) for the window
// tests, and as a core application (orvan_core_test_main) for the logic, which so also shows
// that it needs no widget.
#include <gtest/gtest.h>

#ifdef ORVAN_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
  // Run directly from a shell without a display, a test still needs no window system.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TestApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
