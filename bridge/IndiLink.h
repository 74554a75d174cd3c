#pragma once
// The INDI side of the bridge: one client of an INDI server. INDI's client library calls back
// from its own listener thread; everything the bridge needs is copied out there into plain
// values and handed to the Qt thread as queued signals, so no INDI object is touched from two
// threads by the bridge's own logic.
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

namespace orvan::bridge {

// The states INDI gives a property: 0 idle, 1 ok, 2 busy, 3 alert.
enum class IndiState { Idle = 0, Ok = 1, Busy = 2, Alert = 3 };

class IndiLink : public QObject {
  Q_OBJECT
 public:
  explicit IndiLink(QObject* parent = nullptr);
  ~IndiLink() override;

  // Connects to the server (a short blocking attempt); false when it refused or is absent.
  bool connectServer(const QString& host, quint16 port);
  void disconnectServer();
  bool serverConnected() const;

  void connectDevice(const QString& device);
  void disconnectDevice(const QString& device);
  // A goto or sync: ON_COORD_SET first, then EQUATORIAL_EOD_COORD (hours, degrees).
  // False when the device has no such properties.
  bool slewOrSync(const QString& device, bool sync, double raHours, double decDeg);
  void abort(const QString& device);
  // Sidereal tracking on (an abort switches it off).
  void trackOn(const QString& device);
  void unpark(const QString& device);

 signals:
  // A device that says it is a telescope (its driver interface has the telescope bit).
  void telescopeSeen(const QString& device);
  void deviceGone(const QString& device);
  void connectionChanged(const QString& device, bool connected);
  void positionChanged(const QString& device, double raHours, double decDeg, int state);
  void parkChanged(const QString& device, bool parked);
  void serverLost();

 private:
  class Client;
  std::unique_ptr<Client> client_;
  bool up_ = false;  // connected, as far as the server's own end has not said otherwise
};

}  // namespace orvan::bridge
