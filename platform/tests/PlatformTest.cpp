#include "Clock.h"
#include "EventLoop.h"
#include "ProcessLauncher.h"
#include "ProgramFolder.h"
#include "Prompter.h"
#include "SignalCloser.h"
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvan;

namespace {
int argc = 1;
char arg0[] = "platform_tests";
char* argv[] = {arg0, nullptr};
QCoreApplication& app() {
  static QCoreApplication a(argc, argv);
  return a;
}
}  // namespace

TEST(Wait, OtherHandlersRunInsideTheWait) {
  app();
  int ticks = 0;
  QTimer t;
  QObject::connect(&t, &QTimer::timeout, [&] { ++ticks; });
  t.start(10);
  QElapsedTimer e;
  e.start();
  Wait(120);
  EXPECT_GE(e.elapsed(), 119);
  EXPECT_GE(ticks, 3);
  // A handler may itself wait: the nested waits both end.
  bool innerDone = false;
  QTimer::singleShot(5, [&] { Wait(30); innerDone = true; });
  Wait(80);
  EXPECT_TRUE(innerDone);
}

TEST(ElapsedSeconds, RoundsAndWrapsAtMidnight) {
  ManualClock c(QDate(2026, 12, 7), 100.6);
  ScopedClock use(c);
  EXPECT_EQ(ElapsedSeconds(50.f), 51);
  c.set(QDate(2026, 12, 8), 10.0);
  EXPECT_EQ(ElapsedSeconds(86390.f), 20);
}

TEST(ManualClock, AdvanceRollsTheDate) {
  ManualClock c(QDate(2026, 12, 31), 86399.5);
  c.advance(1.0);
  EXPECT_EQ(c.localDate(), QDate(2027, 1, 1));
  EXPECT_NEAR(c.secondsSinceMidnight(), 0.5, 1e-9);
}

TEST(SystemClock, ReadsTheLocalTimeOfTheZoneSetAtStart) {
  // The clock reads the C library's local time; Qt's own reading is the reference, in a
  // zone whose offset is not a whole hour and in one with summer time.
  const QByteArray oldTz = qgetenv("TZ");
  for (const char* zone : {"JST-9", "UTC0", "ACST-9:30", "America/New_York"}) {
    qputenv("TZ", zone);
    tzset();
    SystemClock clock;
    for (int attempt = 0; attempt < 3; ++attempt) {
      const QDateTime before = QDateTime::currentDateTime();
      const double s = clock.secondsSinceMidnight();
      const QDate d = clock.localDate();
      if (before.date() != QDateTime::currentDateTime().date()) continue;  // midnight passed
      EXPECT_EQ(d, before.date()) << zone;
      EXPECT_NEAR(s, before.time().msecsSinceStartOfDay() / 1000.0, 0.5) << zone;
      EXPECT_GE(s, 0);
      EXPECT_LT(s, 86400);
      break;
    }
  }
  if (oldTz.isNull()) qunsetenv("TZ");
  else qputenv("TZ", oldTz);
  tzset();
}

TEST(ScriptedPrompter, AnswersInOrderThenTheFirstButton) {
  ScriptedPrompter p;
  p.push(Answer::Retry);
  EXPECT_EQ(p.ask("t", "x", Buttons::AbortRetryIgnore, Icon::Critical), Answer::Retry);
  EXPECT_EQ(p.ask("t", "y", Buttons::AbortRetryIgnore, Icon::Critical), Answer::Abort);
  ASSERT_EQ(p.asked().size(), 2u);
  EXPECT_EQ(p.asked()[1].text, "y");
}

TEST(SplitCommandLine, BlanksAndQuotes) {
  EXPECT_EQ(SplitCommandLine("  /usr/bin/foo  -a  b "), QStringList({"/usr/bin/foo", "-a", "b"}));
  EXPECT_EQ(SplitCommandLine("\"/opt/my prog\" x"), QStringList({"/opt/my prog", "x"}));
  EXPECT_TRUE(SplitCommandLine("   ").isEmpty());
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstIsGone) {
  QTemporaryDir d;
  auto first = std::make_unique<SingleInstance>(d.filePath("OrvanMirel.lock"));
  EXPECT_TRUE(first->acquire());
  SingleInstance second(d.filePath("OrvanMirel.lock"));
  EXPECT_FALSE(second.acquire());
  first.reset();
  EXPECT_TRUE(second.acquire());
}

TEST(FileExists, FilesOnly) {
  QTemporaryDir d;
  EXPECT_FALSE(FileExists(d.path()));
  EXPECT_FALSE(FileExists(d.filePath("none")));
}

// SIGTERM asks for the close once; a second signal ends the program at once, for a shutdown
// that hangs on a device. Runs in a child process, since the second signal ends it.
TEST(SignalCloser, FirstSignalAsksToCloseSecondEndsAtOnce) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    app();
    SignalCloser closer;
    int asked = 0;
    QObject::connect(&closer, &SignalCloser::closeRequested, [&](int sig) {
      if (sig == SIGTERM) ++asked;
      ::raise(SIGTERM);  // the second one: must not come back here
    });
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    QTimer::singleShot(5000, [] { ::_exit(3); });  // never asked: fail visibly
    QCoreApplication::exec();
    ::_exit(asked == 1 ? 4 : 5);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
}
