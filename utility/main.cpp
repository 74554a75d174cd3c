// OrvanMirelutility: the observatory's configuration utility.
#include "ProgramFolder.h"
#include "ObservatoryApplication.h"
#include "SignalCloser.h"
#include "frmUtility.h"

int main(int argc, char** argv) {
  orvan::ObservatoryApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("OrvanMirelutility"));

  orvan::frmUtility w(orvan::ProgramFolder());
  // kill and Ctrl+C close the window the way the observer would: the dome stops, ports close.
  orvan::SignalCloser closer;
  QObject::connect(&closer, &orvan::SignalCloser::closeRequested, &w, [&w] { w.close(); });
  if (!w.Form_Load()) return 0;
  w.show();
  return app.exec();
}
