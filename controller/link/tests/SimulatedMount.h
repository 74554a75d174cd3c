#pragma once
// The controller's own driver on a simulator program (the LX200GPS, or the RST-400 with its
// HUBO-i controller): a mount that really slews, reached through a real pseudo-terminal, as on
// an observing night without hardware.
#include "ACal2.h"
#include "IniFile.h"
#include "RecordingMountHost.h"
#include "State.h"
#include "frmEVexil.h"
#include "frmLX200.h"
#include "frmRST400.h"
#include "frmTemma2M.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <memory>

namespace orvan {

class SimulatedMount {
 public:
  static QString program() {
    const QString bin = qEnvironmentVariable("ORVAN_BIN_DIR", QCoreApplication::applicationDirPath());
    return bin + "/orvan-sim";
  }

  // `family` is the simulator's: "lx200gps", "rst400", "evexil" or "temma2m".
  SimulatedMount(SharedState& state, const QString& folder, int com, const QString& family = "lx200gps")
      : state_(state), cal_(state.site, state.mount), folder_(folder), com_(com), family_(family) {}
  ~SimulatedMount() {
    driver_.reset();
    if (sim_.state() != QProcess::NotRunning) {
      sim_.terminate();
      if (!sim_.waitForFinished(3000)) sim_.kill();
    }
  }

  // Starts the simulator, connects the driver; `why` names what is missing.
  bool start(QString& why) {
    if (!QFileInfo(program()).isExecutable()) {
      why = "the simulator program is not built: " + program();
      return false;
    }
    const QString ini = folder_ + "/OrvanMirel.ini";
    WriteIni(ini, "LOCATION", "LATITUDE", "+35:40:00");
    WriteIni(ini, "LOCATION", "LONGITUDE", "E139:44:00");
    WriteIni(ini, "LOCATION", "TIMEZONE", "9.0");
    sim_.setStandardErrorFile(QProcess::nullDevice());
    sim_.start(program(), QStringList{family_, "--dir", folder_, "--com", QString::number(com_), "--log", logPath()} + rates);
    QDeadlineTimer guard(10000);
    while (!sim_.canReadLine() && !guard.hasExpired() && sim_.state() != QProcess::NotRunning)
      sim_.waitForReadyRead(100);
    if (!sim_.readLine().startsWith("ready")) {
      why = "the simulator did not start";
      return false;
    }
    host_.commPort = "COM" + QString::number(com_);
    if (family_ == "rst400") {
      driver_ = std::make_unique<frmRST400>(state_, host_, cal_, ini);
    } else if (family_ == "evexil") {
      driver_ = std::make_unique<frmEVexil>(state_, host_, cal_, ini);
    } else if (family_ == "temma2m") {
      driver_ = std::make_unique<frmTemma2M>(state_, host_, cal_, ini);
    } else {
      auto lx = std::make_unique<frmLX200>(state_, host_, cal_, ini);
      lx->setModelText("LX200GPS");
      driver_ = std::move(lx);
    }
    if (!driver_->cmdConnect(true)) {
      why = "the driver could not connect to the simulator";
      return false;
    }
    return true;
  }

  // The mount's pace: fast slews, so a goto across the sky is over in a few seconds while
  // every poll still sees it move and settle.
  QStringList rates{"--slew-rate", "30", "--settle", "0.3"};

  SerialMountDriver* driver() { return driver_.get(); }
  RecordingMountHost& host() { return host_; }
  QString logPath() const { return folder_ + "/sim.log"; }
  QByteArray log() const {
    QFile f(logPath());
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }

 private:
  SharedState& state_;
  ACal2 cal_;
  RecordingMountHost host_;
  QString folder_;
  int com_;
  QString family_;
  QProcess sim_;
  std::unique_ptr<SerialMountDriver> driver_;
};

}  // namespace orvan
