// Pictures of the main window for the README: each layout and each display mode, taken from
// a controller connected to the simulators in the given program folder. With --homing, the
// folder's mount is an RST-400: its homing window is shown after a home search.
//   orvan-screenshots [--homing] PROGRAM_FOLDER OUTPUT_FOLDER
#include "ObservatoryApplication.h"
#include "frmRST400Homing.h"
#include "ProgramFolder.h"
#include "Prompter.h"
#include "Shared.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <cstdio>

using namespace orvan;

namespace {
// The RST-400's homing window once its home search has found the home.
bool HomingPicture(const QDir& out) {
  QWidget* homing = nullptr;
  for (QWidget* t : QApplication::topLevelWidgets())
    if (t->objectName() == u"frmRST400Homing") homing = t;
  auto* button = homing ? homing->findChild<QPushButton*>(QStringLiteral("btnHOME")) : nullptr;
  auto* state = homing ? homing->findChild<QLabel*>(QStringLiteral("lblHOME")) : nullptr;
  if (!button || !state) return false;
  button->click();
  for (int i = 0; i < 200 && state->text() != orvan::frmRST400Homing::tr("検出済み"); ++i) Wait(100);
  Wait(600);
  const bool ok = homing->grab().save(out.filePath(QStringLiteral("rst400-homing.png")));
  std::printf("%s rst400-homing.png\n", ok ? "wrote" : "FAILED");
  return ok;
}
}  // namespace

int main(int argc, char** argv) {
  // The programs' own event loop, so the pictures are taken as the observer sees them.
  ObservatoryApplication app(argc, argv);
  const bool homing = argc == 4 && QByteArray(argv[1]) == "--homing";
  if (argc != 3 && !homing) {
    std::fprintf(stderr, "usage: orvan-screenshots [--homing] PROGRAM_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  if (homing) ++argv;
  SetProgramFolderForTests(QString::fromLocal8Bit(argv[1]));
  const QDir out(QString::fromLocal8Bit(argv[2]));
  QDir().mkpath(out.path());
  // Nobody is there to answer: every question takes its first button.
  ScriptedPrompter prompter;
  ScopedPrompter scoped(prompter);

  frmMain w;
  w.observatory().setStartWait(0);
  if (!w.Form_Load()) return 1;
  w.show();
  if (homing) {
    if (!w.observatory().Telescope() || !w.observatory().Telescope()->isConnected()) {
      std::fprintf(stderr, "the RST-400 simulator did not answer\n");
      return 1;
    }
    const bool ok = HomingPicture(out);
    w.close();
    return ok ? 0 : 1;
  }
  const auto save = [&](const char* name) {
    Wait(1500);  // a few main-loop and dome ticks
    const bool ok = w.grab().save(out.filePath(QString::fromLatin1(name)));
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", name);
    return ok;
  };
  bool ok = true;
  const char* modes[4] = {"mode-0-j2000.png", "mode-1-apparent.png", "mode-2-altaz.png", "mode-3-time.png"};
  for (int m = 0; m < 4; ++m) {
    w.setDisplayMode(m);
    ok &= save(modes[m]);
  }
  w.setDisplayMode(0);
  ok &= save("layout-1-hand.png");
  w.observatory().FormSizeChange(10);
  ok &= save("layout-0-mini.png");
  w.observatory().FormSizeChange(11);
  w.btnDetail_Click();
  ok &= save("layout-2-setup.png");
  w.close();
  return ok ? 0 : 1;
}
