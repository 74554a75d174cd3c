#pragma once
// The telescope bridge driver: any telescope the bridge program `ascomconnect` can reach,
// driven through short text datagrams on the loopback (this end on port 3010, the bridge on
// 3011). The bridge reports the position on its own ("Coodinate" about once a second); the
// driver turns the contract's operations into datagrams and the position into TelRA/TelDec.
//
// Only datagrams from the bridge's own address and port are read, and only whole ones that
// parse exactly: nothing from the network or another local program can move the mount.
#include "BridgeDatagram.h"
#include "CommonMountDriver.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QUdpSocket>

namespace orvan {

class frmASCOM : public CommonMountDriver {
  Q_OBJECT
 public:
  frmASCOM(SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
           BridgePorts ports = BridgePortsFromEnvironment(), QObject* parent = nullptr);
  ~frmASCOM() override;

  // Starts the bridge program (or asks the running one to connect the telescope again).
  bool cmdConnect(bool open) override;
  void cmdStartUP() override {}
  int16_t cmdStandBy(bool) override { return 0; }
  void SendIdo() override {}
  void SendStime() override {}
  QString SendTelescope(const QString&) override { return {}; }
  // Hand motion is not available through the bridge.
  void cmdMove(const QString&, int16_t) override {}
  void cmdStatus() override;
  void cmdStop() override;
  void cmdTrucking() override {}
  bool SendZsync() override;
  void Selected() override;
  // "cmdName", "cmdChoose", "cmdEnd" from the main window, and every datagram of the driver.
  void SendCmd(const QString& text) override;

  // The socket is bound to the controller's loopback port.
  bool socketReady() const { return socket_.state() == QAbstractSocket::BoundState; }
  quint16 localPort() const { return socket_.localPort(); }
  // Datagrams dropped: from anyone but the bridge, or not one the bridge sends.
  int droppedForeign() const { return droppedForeign_; }
  int droppedMalformed() const { return droppedMalformed_; }
  // The bridge program as started (for tests).
  QProcess* bridgeProcess() const { return bridge_; }
  // Reads one datagram as if it had arrived from `port` of 127.0.0.1 (tests, fuzzing).
  void TakeDatagram(const QByteArray& datagram, const QHostAddress& sender, quint16 port);
  // Silence from a running bridge longer than this is reported (milliseconds).
  void setSilenceLimit(int ms) { silenceLimitMs_ = ms; }
  // How long a bridge told to end may take before it is ended.
  void setBridgeEndTime(int ms) { bridgeEndMs_ = ms; }

 protected:
  bool HorizonTestFor(Purpose p) const override { return p == Purpose::Goto; }
  bool PrepareMotion(Purpose p) override;
  // Somebody to hear it: the bridge connected and the socket bound.
  bool CanMove() const override { return ds_.Connected && socketReady(); }
  bool SendGoto(double ra, double& dec, const AxisMove& move, bool approach) override;
  // Below the horizon too: the telescope's own driver judges a sync.
  bool SendSync(double ra, double& dec, const AxisMove& move) override;

 private:
  void ReadDatagrams();
  void Take(const BridgeMessage& m);
  // Starts `ascomconnect` from the program folder unless it runs; true when it runs (or was
  // just started).
  bool StartBridge();
  void BridgeFinished(int exitCode, QProcess::ExitStatus status);
  void EndBridgeLater();
  // A failure of the bridge or of the telescope behind it: shown on the window, and a goto
  // in progress is given up (the dome stops aiming at its target).
  void BridgeFailed(const QString& text);
  bool Send(const QByteArray& datagram);

  BridgePorts ports_;
  QUdpSocket socket_;
  QPointer<QProcess> bridge_;
  bool ending_ = false;
  QByteArray pending_;  // a request the bridge was started for, sent again once it is up
  bool silenceReported_ = false;
  int silenceLimitMs_ = 5000;
  int bridgeEndMs_ = 5000;
  QElapsedTimer lastHeard_;
  int droppedForeign_ = 0;
  int droppedMalformed_ = 0;
};

}  // namespace orvan
