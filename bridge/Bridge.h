#pragma once
// The bridge program's heart: the controller's datagrams on one side (127.0.0.1, the bridge's
// port), one INDI telescope on the other. The telescope's position goes to the controller once
// a second as "Coodinate"; gotos, syncs, stops and the connection come back as INDI commands.
// Whatever fails on the INDI side is told to the controller as an "Error" datagram.
#include "BridgeDatagram.h"
#include "Horizon.h"
#include "IndiLink.h"

#include <QElapsedTimer>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QUdpSocket>
#include <functional>

namespace orvan::bridge {

struct BridgeSettings {
  QString iniPath;        // OrvanMirel.ini beside the program
  QString indiHost = QStringLiteral("127.0.0.1");
  quint16 indiPort = 7624;
  QString telescope;      // the INDI device chosen; empty: none yet
};
// [ASCOM] IndiHost, IndiPort, Telescope of the settings file.
BridgeSettings ReadBridgeSettings(const QString& iniPath);

class Bridge : public QObject {
  Q_OBJECT
 public:
  Bridge(BridgeSettings settings, BridgePorts ports, QObject* parent = nullptr);

  // Binds the loopback port and starts talking to the INDI server. False when the port is taken.
  bool start();

  // Shows the list of telescopes and calls back with the one picked (empty: none). The program
  // sets a dialog; without one the configured or the only telescope is taken.
  std::function<void(const QStringList& telescopes, const QString& current,
                     std::function<void(const QString&)> picked)>
      chooser;

 private:
  void ReadDatagrams();
  void Command(const QString& text);
  void Send(const QString& text);
  void SendName();
  void Error(const QString& text);
  void TryServer();
  void Tick();
  void Choose(const QString& device);
  bool TelescopeReady() const { return !settings_.telescope.isEmpty() && connected_; }
  void Target(bool sync, const QStringList& fields);

  BridgeSettings settings_;
  BridgePorts ports_;
  Horizon horizon_;
  int dropped_ = 0;  // datagrams not from the controller
  QUdpSocket socket_;
  IndiLink indi_;
  QTimer tick_;
  QTimer retry_;
  QSet<QString> telescopes_;
  bool wantConnected_ = true;
  bool connected_ = false;
  bool parked_ = false;
  bool havePosition_ = false;
  bool slewing_ = false;  // the position's state is busy: the telescope is on its way
  double raHours_ = 0, decDeg_ = 0;
  // After a goto the position is held back until the telescope says it moves, so that two
  // reports from before the start never look like a slew that has ended.
  bool holding_ = false;
  QElapsedTimer holdSince_;
  bool serverErrorShown_ = false;
  QString problem_;  // what keeps the telescope out of reach, said again every few seconds
  int quietTicks_ = 0;
};

}  // namespace orvan::bridge
