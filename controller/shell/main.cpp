// OrvanMirel: the observatory controller.
#include "CommandLine.h"
#include "frmMain.h"
#include "Parts.h"
#include "ObservatoryApplication.h"
#include "Prompter.h"
#include "SignalCloser.h"

int main(int argc, char** argv) {
  const orvan::ProgramUsage usage{QStringLiteral("OrvanMirel"), QString(),
                                  QStringLiteral("The observatory controller. Settings: OrvanMirel.ini in the program folder.")};
  if (const auto answered = orvan::AnswerHelpOrVersion(orvan::RawArguments(argc, argv), usage)) return *answered;
  orvan::ObservatoryApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("OrvanMirel"));
  // Qt's own options (-platform and the like) are taken out by now.
  if (const auto refused = orvan::TakeNoArguments(app.arguments().mid(1), usage)) return *refused;
  app.setQuitOnLastWindowClosed(false);

  orvan::frmMain w(orvan::MakeMainWindowParts());
  // kill and Ctrl+C close the window the way the observer would, so the run state is saved.
  orvan::SignalCloser closer;
  // An open message box or question is closed first: the window's end runs once the code that
  // asked has returned, whatever the box was waiting for.
  QObject::connect(&closer, &orvan::SignalCloser::closeRequested, &w, [&w] {
    orvan::Prompter::endAll();
    QMetaObject::invokeMethod(&w, &QWidget::close, Qt::QueuedConnection);
  });
  if (!w.Form_Load()) return 0;
  w.show();
  return app.exec();
}
