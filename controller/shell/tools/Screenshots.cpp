// Pictures of the main window for the README: each layout and each display mode, taken from
// a controller connected to the simulators in the given program folder.
//   orvan-screenshots PROGRAM_FOLDER OUTPUT_FOLDER
#include "ProgramFolder.h"
#include "Prompter.h"
#include "Shared.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <cstdio>

using namespace orvan;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvan-screenshots PROGRAM_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  SetProgramFolderForTests(QString::fromLocal8Bit(argv[1]));
  const QDir out(QString::fromLocal8Bit(argv[2]));
  QDir().mkpath(out.path());
  // Nobody is there to answer: every question takes its first button.
  ScriptedPrompter prompter;
  ScopedPrompter scoped(prompter);

  frmMain w;
  w.setStartWait(0);
  if (!w.Form_Load()) return 1;
  w.show();
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
  w.FormSizeChange(10);
  ok &= save("layout-0-mini.png");
  w.FormSizeChange(11);
  w.btnDetail_Click();
  ok &= save("layout-2-setup.png");
  w.close();
  return ok ? 0 : 1;
}
