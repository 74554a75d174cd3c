// OrvanMirelutility: the observatory's configuration utility.
#include "CommandLine.h"
#include "ProgramFolder.h"
#include "Prompter.h"
#include "ObservatoryApplication.h"
#include "SignalCloser.h"
#include "frmUtility.h"

int main(int argc, char** argv) {
  const orvan::ProgramUsage usage{QStringLiteral("OrvanMirelutility"), QString(),
                                  QStringLiteral("The configuration utility: edits OrvanMirel.ini in the program folder.")};
  if (const auto answered = orvan::AnswerHelpOrVersion(orvan::RawArguments(argc, argv), usage)) return *answered;
  orvan::ObservatoryApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("OrvanMirelutility"));
  if (const auto refused = orvan::TakeNoArguments(app.arguments().mid(1), usage)) return *refused;

  orvan::frmUtility w(orvan::ProgramFolder());
  // kill and Ctrl+C close the window the way the observer would: the dome stops, ports close.
  orvan::SignalCloser closer;
  QObject::connect(&closer, &orvan::SignalCloser::closeRequested, &w, [&w] {
    orvan::Prompter::endAll();
    QMetaObject::invokeMethod(&w, &QWidget::close, Qt::QueuedConnection);
  });
  if (!w.Form_Load()) return 0;
  w.show();
  return app.exec();
}
