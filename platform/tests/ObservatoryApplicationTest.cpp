// The programs' application object: Qt's own event loop, and the environment left as the user
// had it for the programs started from them.
#include "ObservatoryApplication.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

int argc = 1;
char name[] = "application_tests";
char* argv[] = {name, nullptr};

// What a program started from this one sees of QT_NO_GLIB.
QString childSees() {
  QProcess sh;
  sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo \"${QT_NO_GLIB-unset}\"")});
  if (!sh.waitForFinished(10000)) return QStringLiteral("timed out");
  return QString::fromLocal8Bit(sh.readAllStandardOutput()).trimmed();
}

TEST(ObservatoryApplication, RunsOnQtsOwnLoopAndLeavesTheEnvironmentAsItWas) {
  qunsetenv("QT_NO_GLIB");
  {
    orvan::ObservatoryApplication app(argc, argv);
    EXPECT_TRUE(orvan::ObservatoryApplication::onPlainEventLoop());
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_NO_GLIB"));
    EXPECT_EQ(childSees(), QStringLiteral("unset"));
  }
  // The user's own choice wins: an empty QT_NO_GLIB keeps GLib's loop, and stays set.
  qputenv("QT_NO_GLIB", "");
  {
    orvan::ObservatoryApplication app(argc, argv);
    EXPECT_FALSE(orvan::ObservatoryApplication::onPlainEventLoop());
    EXPECT_TRUE(qEnvironmentVariableIsSet("QT_NO_GLIB"));
    EXPECT_EQ(childSees(), QString());
  }
  qunsetenv("QT_NO_GLIB");
}

}  // namespace
