// The main of every test that needs the Qt application: one QApplication for the whole run
// (windows, timers and sockets all want one, and Qt allows only one per process), made
// before GoogleTest reads its options.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Run directly from a shell without a display, a test still needs no window system.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
