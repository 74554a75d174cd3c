// Start-up and shutdown of the controller, in the order the observatory relies on: the
// single-instance guard before anything touches the settings, the title during the start
// wait, the stored layout (which connects), and on closing the run state saved before the
// devices are let go.
#include "Observatory.h"

#include "Epx30sc.h"

#include "CommPorts.h"
#include "DomeLoop.h"
#include "IniFile.h"
#include "MountCatalog.h"
#include "ObservatoryView.h"
#include "ParentProcess.h"
#include "ProcessLauncher.h"
#include "ProgramFolder.h"
#include "Shared.h"
#include "SingleInstance.h"
#include "Vb.h"
#include "frmVSP6.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>

namespace orvan {

namespace {
const QString kProgramTitle = QStringLiteral("OrvanMirel");
}

bool Observatory::Form_Load() {
  // 1. Topmost: the hand controller stays above the planetarium program.
  view_.setTopmost();

  // 2. One controller per program folder.
  instance_ = std::make_unique<SingleInstance>(InProgramFolder(QStringLiteral("\\OrvanMirel.lock")));
  if (!instance_->acquire()) {
    view_.showAlreadyRunning(kProgramTitle);
    return false;
  }
  // From here a close (SIGTERM, Ctrl+C) is kept for the start-up to act on, wherever it
  // arrives: one taken as an ordinary close before the start wait would run the shutdown on a
  // window that never loaded, and the start would then carry on into a running controller.
  starting_ = true;
  loadBegun_ = true;

  // 4. (before 3, which reads the file) The settings path; the dome is available until a
  // connection fails.
  iniPath_ = InProgramFolder(QStringLiteral("\\OrvanMirel.ini"));
  state_.dome.DomeInUse = true;

  // A controller that was killed while the dome turned left the board's relays on: they go
  // off now, before the title's wait, whatever layout this run opens in.
  if (ReadIni(iniPath_, QStringLiteral("DOME"), QStringLiteral("Controller")).trimmed() == u"0")
    SwitchBoardOutputsOff(*OpenBoardLibrary(ProgramFolder(), iniPath_));

  // 3. Window position.
  view_.restorePosition();

  // 5, 6. Mount list, and the ASCOM entry when the bridge is enabled and installed.
  // Either program of the bridge makes the entry: the driver program, or the bridge program
  // that the ASCOM driver starts itself.
  const bool ascomUse = ReadAscomUse(iniPath_);
  const bool driverProgram = FileExists(InProgramFolder(QStringLiteral("\\OrvanforASCOM")));
  const bool ascom = ascomUse && (driverProgram || FileExists(InProgramFolder(QStringLiteral("\\ascomconnect"))));
  fields_.mountList = MountCatalog::entries(ascom);
  view_.showMountList(fields_.mountList);
  // The Alpaca device only when the observer asked for it: it steers the mount for any caller.
  if (ReadAlpacaUse(iniPath_) && driverProgram) OrvanforASCOMstartup(true);

  // 7, 8. Title window during the start wait.
  view_.showTitle(InProgramFolder(QStringLiteral("\\OrvanMirel.bmp")));
  // The start wait ends early when the program is asked to end (SIGTERM, Ctrl+C).
  QElapsedTimer waited;
  waited.start();
  while (!closeAsked_ && waited.elapsed() < startWaitMs_) Wait(std::min<qint64>(100, startWaitMs_ - waited.elapsed()));
  // Asked to end before anything was read: end without touching the settings.
  if (closeAsked_) {
    starting_ = false;
    view_.closeTitle();
    return false;
  }

  // 9, 10. Port lists, settings.
  CommPortSet();
  // The virtual port exists before the settings name its port.
  vsp_ = std::make_unique<frmVSP6>(*this);
  orvan::IniRead(iniPath_, state_, fields_);
  fieldsToView();
  vsp_->strPort1 = fields_.vcommName;
  cmbTelescope_Click(false);

  // 11, 12. Dome driver from DOME/Controller, and its picture.
  DomeDriverBind();

  // 13. Stored layout; the ASCOM bridge always opens in the set-up layout.
  int startLayout = static_cast<int>(vb::RoundEven(vb::Val(ReadIni(iniPath_, QStringLiteral("PUBLIC"), QStringLiteral("FormSizeChange")))));
  if (bridgeInUse_) startLayout = 2;
  FormSizeChange(startLayout);
  view_.setPierSide(QString());
  optSpeedOn(2);

  // 14. The virtual serial port for planetarium programs.
  Wait(500);
  if (vsp_) vsp_->cmdCreatePort();

  // 15. Sensors fitted.
  state_.SensorFitted[0] = vb::Val(ReadIni(iniPath_, QStringLiteral("Option"), QStringLiteral("Sensor0"))) == 1;
  state_.SensorFitted[1] = vb::Val(ReadIni(iniPath_, QStringLiteral("Option"), QStringLiteral("Sensor1"))) == 1;

  // The application link: cooperating programs reach the controller from here on.
  StartAppLink();

  // 16. The first main-loop tick repaints the state lamp.
  lastShownState_ = -1;
  starting_ = false;
  // Asked to end while the devices were being connected: the whole shutdown runs now, so the
  // ports, the planetarium port and the run state are let go as on any close.
  if (closeAsked_) {
    shutdownRequested_ = true;
    bool cancel = false;
    Form_QueryUnload(cancel);
    vsp_.reset();  // the planetarium port goes with the window that never opened
    return false;
  }
  return true;
}

bool Observatory::CloseRequested() {
  // Refused as a second instance: nothing of this run was loaded, nothing is to be saved.
  if (!loadBegun_) return true;
  // During the start-up a close (SIGTERM, Ctrl+C) is kept for the start-up to act on as soon
  // as the step in progress has returned.
  if (starting_) {
    closeAsked_ = true;
    return false;
  }
  bool cancel = false;
  Form_QueryUnload(cancel);
  return !cancel;
}

void Observatory::stopLoops() {
  LoopTimer.stop();
  DomeLoopTimer.stop();
  OneSecTimer.stop();
  Wait(500);
  // A mount that never connected is not "closed": that would stop it and write its encoder
  // log from positions never read.
  if (Telescope_ && Telescope_->isConnected()) Telescope_->cmdConnect(false);
}

void Observatory::Form_QueryUnload(bool& cancel) {
  if (shuttingDown_) return;
  shuttingDown_ = true;
  // 1. Option/ExitOption = 1 keeps the window open; the rest of the work still runs.
  const bool keepOpen =
      !shutdownRequested_ && vb::Val(ReadIni(iniPath_, QStringLiteral("Option"), QStringLiteral("ExitOption"))) == 1;
  cancel = keepOpen;

  // 2. The layout to open with next time (the mini layout opens as the hand layout).
  if (layout_ == 0) layout_ = 1;
  WriteIni(iniPath_, QStringLiteral("PUBLIC"), QStringLiteral("FormSizeChange"), vb::Str(static_cast<long long>(layout_)));

  // 3-5. Timers; mount and dome let go, the dome keeping its alignment (LastEnc, DOME_Z_CW)
  // for the next start as it disconnects, once it stands still.
  stopLoops();
  if (state_.dome.DomeInUse && domeLoop_) domeLoop_->Disconnect();

  // 6. Window position.
  view_.savePosition();

  // 7, 8. The ASCOM bridge and driver program.
  if (bridgeInUse_ && parts_.ascomSendCmd) {
    parts_.ascomSendCmd(QStringLiteral("cmdEnd"));
    Wait(1000);
  }
  if (FileExists(InProgramFolder(QStringLiteral("\\OrvanforASCOM")))) OrvanforASCOMstartup(false);

  // 9. The follow-up program, when its first word names a file that exists.
  const QString exec = ReadIni(iniPath_, QStringLiteral("Option"), QStringLiteral("Exec"));
  const QStringList words = SplitCommandLine(exec);
  if (!words.isEmpty() && FileExists(words.first()))
    ProcessLauncher::current().startDetached(words.first(), words.mid(1));

  // 10. End, unless the window must stay.
  if (keepOpen) {
    shuttingDown_ = false;
    return;
  }
  view_.unloadAllWindows();
}

// After Abort to a reply time-out. The close waits for the event loop: the driver that asked
// is still unwinding its transaction, and the shutdown closes that driver's port.
void Observatory::UnloadMainWindow() { view_.closeWindowLater(); }

void Observatory::DomeDriverBind() {
  // 0 the USB counter board, 1 and 2 the serial dome controller, anything else none.
  // The serial controller ends the program on Abort to a time-out, once the exchange returned.
  QuarnHost quarn;
  quarn.abort = [this] { UnloadMainWindow(); };
  boundDome_ = BindDomeDriver(state_.domeSettings.Controller, state_, ProgramFolder(), iniPath_, nullptr, quarn);
  // Controller 2 says there is no dome, and an unknown value binds no driver: the run does
  // without a dome from the start, so no dome panel, dome park or dome command is offered.
  const int controller = state_.domeSettings.Controller;
  if (!boundDome_.driver || (controller != 0 && controller != 1)) state_.dome.DomeInUse = false;
  domeLoop_ = std::make_unique<DomeLoop>(state_, acal_, view_.domeView(), iniPath_);
  domeLoop_->setDriver(boundDome_.driver.get());
  view_.attachDomeLoop(*domeLoop_, boundDome_.driver ? boundDome_.driver->simulationNotice() : QString());
  if (state_.dome.DomeInUse) domeLoop_->DrawReferenceLines();
}

void Observatory::btnUtility_Click() {
  // A cooperating program that already runs the utility answers within the wait.
  utilityAnswer_ = false;
  LinkAsk(90, QStringLiteral("Utility"));
  Wait(500);
  if (!utilityAnswer_)
    ProcessLauncher::current().startDetached(InProgramFolder(QStringLiteral("\\OrvanMirelutility")), {});
}

void Observatory::OrvanforASCOMstartup(bool start) {
  if (start) {
    if (ascomProcess_) return;
    ascomProcess_ = new QProcess(this);
    ascomProcess_->setProgram(InProgramFolder(QStringLiteral("\\OrvanforASCOM")));
    ascomProcess_->setWorkingDirectory(ProgramFolder());
    // It ends with this process, also when this one is killed.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kParentPidVariable), QString::number(QCoreApplication::applicationPid()));
    ascomProcess_->setProcessEnvironment(env);
    ascomProcess_->start();
    return;
  }
  if (!ascomProcess_) return;
  ascomProcess_->kill();
  ascomProcess_->waitForFinished(2000);
  delete ascomProcess_;
  ascomProcess_ = nullptr;
}

void Observatory::CommPortSet() {
  fields_.portList.clear();
  for (const CommPortEntry& p : ListCommPorts(ProgramFolder())) fields_.portList << QStringLiteral("COM%1").arg(p.number);
  view_.showPortList(fields_.portList);
}

}  // namespace orvan
