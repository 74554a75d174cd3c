// Start-up and shutdown of the main window in this process (offscreen), on a program folder
// of its own.
#include "frmMain.h"

#include "IniFile.h"
#include "ProcessLauncher.h"
#include "ProgramFolder.h"
#include "Prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

QByteArray slurp(const QString& p) {
  QFile f(p);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void spit(const QString& p, const QByteArray& b, bool executable = false) {
  QFile f(p);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(b);
  f.close();
  if (executable) f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Closing the main window ends the application's event loops; the next test starts afresh the
// way a new program run would.
void resetEventLoops() {
  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

class Startup : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  RecordingLauncher launcher;
  ScriptedPrompter prompter;
  void SetUp() override {
    SetProgramFolderForTests(dir.path());
    ProcessLauncher::install(&launcher);
    Prompter::install(&prompter);
  }
  void TearDown() override {
    resetEventLoops();
    ProcessLauncher::install(nullptr);
    Prompter::install(nullptr);
    SetProgramFolderForTests({});
  }
  QString ini() const { return dir.filePath("OrvanMirel.ini"); }
};

}  // namespace

TEST_F(Startup, EmptyFolderShowsTheTitleWritesUseAndShutsDownCleanly) {
  frmMain w;
  // Look at the screen a moment into the start wait.
  QString titleSeen;
  bool titleVisibleAfterWait = true;
  QTimer::singleShot(300, [&] {
    for (QWidget* tl : QApplication::topLevelWidgets())
      if (tl->objectName() == "frmTitle" && tl->isVisible())
        titleSeen = tl->findChild<QLabel*>("lblVersion")->text();
  });
  QTimer::singleShot(2500, [&] {
    titleVisibleAfterWait = false;
    for (QWidget* tl : QApplication::topLevelWidgets())
      if (tl->objectName() == "frmTitle" && tl->isVisible()) titleVisibleAfterWait = true;
  });
  ASSERT_TRUE(w.Form_Load());
  EXPECT_EQ(titleSeen, QString::fromUtf8("   ﾊﾞｰｼﾞｮﾝ 1.0 (Build: 1)"));
  EXPECT_FALSE(titleVisibleAfterWait);  // it closes at its first one-second tick
  EXPECT_EQ(slurp(ini()), "[ASCOM]\nUse=False\n");
  EXPECT_EQ(w.findChild<QComboBox*>("cmbTelescope")->count(), 7);
  EXPECT_EQ(w.windowLayout(), 0);  // FormSizeChange absent: the mini layout, not connected
  EXPECT_FALSE(w.observatory().loopTimer()->isActive());

  w.show();
  EXPECT_TRUE(w.close());
  // The mini layout is stored as the hand layout; nothing else is written.
  EXPECT_EQ(slurp(ini()), "[ASCOM]\nUse=False\n[PUBLIC]\nFormSizeChange= 1\n");
  EXPECT_TRUE(launcher.started.empty());
}

TEST_F(Startup, ExitOptionKeepsTheWindowButStillSavesAndRunsExec) {
  const QString follow = dir.filePath("after-night.sh");
  spit(follow, "#!/bin/sh\n", true);
  spit(ini(), ("[Option]\nExitOption=1\nExec=" + follow + " --park now\n[PUBLIC]\nFormSizeChange=2\n").toUtf8());
  frmMain w;
  ASSERT_TRUE(w.Form_Load());
  EXPECT_EQ(w.windowLayout(), 2);
  w.show();
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(ReadIni(ini(), "PUBLIC", "FormSizeChange"), "2");
  ASSERT_EQ(launcher.started.size(), 1u);
  EXPECT_EQ(launcher.started[0].program, follow);
  EXPECT_EQ(launcher.started[0].args, QStringList({"--park", "now"}));
  // A second close request does the same work again and still keeps the window.
  EXPECT_FALSE(w.close());
  EXPECT_EQ(launcher.started.size(), 2u);
}

TEST_F(Startup, ExecNamingAMissingFileStartsNothing) {
  spit(ini(), ("[Option]\nExec=" + dir.filePath("no-such-program") + " -x\n").toUtf8());
  frmMain w;
  ASSERT_TRUE(w.Form_Load());
  w.show();
  EXPECT_TRUE(w.close());
  EXPECT_TRUE(launcher.started.empty());
}

TEST_F(Startup, AscomEntryOnlyWhenEnabledAndInstalled) {
  spit(ini(), "[ASCOM]\nUse=True\n");
  {
    frmMain w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(w.findChild<QComboBox*>("cmbTelescope")->count(), 7);  // no driver program
    w.show();
    w.close();
  }
  resetEventLoops();
  spit(dir.filePath("OrvanforASCOM"), "#!/bin/sh\nsleep 30\n", true);
  frmMain w;
  ASSERT_TRUE(w.Form_Load());
  auto* list = w.findChild<QComboBox*>("cmbTelescope");
  ASSERT_EQ(list->count(), 8);
  EXPECT_EQ(list->itemText(7), "ASCOM");
  w.show();
  w.close();
}

TEST_F(Startup, UtilityButtonStartsTheUtilityUnlessAnswered) {
  frmMain w;
  ASSERT_TRUE(w.Form_Load());
  w.btnUtility_Click();
  ASSERT_EQ(launcher.started.size(), 1u);
  EXPECT_EQ(launcher.started[0].program, dir.filePath("OrvanMirelutility"));
  // A cooperating program answers within the half second: nothing more is started.
  QTimer::singleShot(100, [&] { w.observatory().UtilityAnswered(); });
  w.btnUtility_Click();
  EXPECT_EQ(launcher.started.size(), 1u);
  w.show();
  w.close();
}

