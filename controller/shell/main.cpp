// OrvanMirel: the observatory controller.
#include "frmMain.h"
#include "Parts.h"
#include "ObservatoryApplication.h"
#include "SignalCloser.h"

int main(int argc, char** argv) {
  orvan::ObservatoryApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("OrvanMirel"));
  app.setQuitOnLastWindowClosed(false);

  orvan::frmMain w(orvan::MakeMainWindowParts());
  // kill and Ctrl+C close the window the way the observer would, so the run state is saved.
  orvan::SignalCloser closer;
  QObject::connect(&closer, &orvan::SignalCloser::closeRequested, &w, [&w] { w.close(); });
  if (!w.Form_Load()) return 0;
  w.show();
  return app.exec();
}
