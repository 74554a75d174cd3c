// Pictures of the utility's tabs for the README, taken in the given program folder: the
// E-Vexil tab connected to the simulator on COM<EVEXIL_COM>, the dome test panel connected to
// the simulated dome board after a short turn.
//   orvan-utility-screenshots PROGRAM_FOLDER OUTPUT_FOLDER EVEXIL_COM
#include "DomeTestPanel.h"
#include "EventLoop.h"
#include "ObservatoryApplication.h"
#include "frmUtility.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

using namespace orvan;

int main(int argc, char** argv) {
  // The programs' own event loop, so the pictures are taken as the observer sees them.
  ObservatoryApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: orvan-utility-screenshots PROGRAM_FOLDER OUTPUT_FOLDER EVEXIL_COM\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QDir out(QString::fromLocal8Bit(argv[2]));
  const QString evexil = QStringLiteral("COM") + QString::fromLocal8Bit(argv[3]);

  frmUtility w(folder);
  if (!w.Form_Load()) return 1;
  w.show();
  Wait(500);
  bool ok = true;
  const auto save = [&](int tab, const char* name) {
    w.tabs->setCurrentIndex(tab);
    Wait(300);
    const bool saved = w.grab().save(out.filePath(QString::fromLatin1(name)));
    if (!saved) std::fprintf(stderr, "could not write %s\n", name);
    ok &= saved;
  };
  save(0, "utility-0-site-mount.png");

  // The dome panel connected, after a short turn by hand.
  w.tabs->setCurrentIndex(1);
  DomeTestPanel& p = *w.domePanel();
  p.btnCounter[0]->click();
  emit p.btnCounter[3]->pressed();
  Wait(1500);
  emit p.btnCounter[3]->released();
  Wait(1500);
  save(1, "utility-1-dome.png");
  p.btnCounter[0]->click();

  // The E-Vexil's parameters read from the simulator; the port choice is not saved.
  w.cmbCommPort->setCurrentIndex(w.cmbCommPort->findText(evexil));
  w.btnConnect->click();
  save(2, "utility-2-evexil.png");
  w.btnConnect->click();
  save(3, "utility-3-other.png");

  // Mistyped site fields: Write refuses, and each message stands below its field.
  w.txtLocation[0]->setText(QStringLiteral("95"));
  w.txtLocation[4]->setText(QStringLiteral("x"));
  w.btnOK_Click(1);
  save(0, "utility-4-messages.png");
  w.btnOK[2]->click();
  return ok ? 0 : 1;
}
