#include "IndiLink.h"

#include <QMetaObject>
#include <baseclient.h>
#include <basedevice.h>
#include <indiproperty.h>
#include <indipropertynumber.h>
#include <indipropertyswitch.h>
#include <indipropertytext.h>

#include <atomic>
#include <cstdlib>

namespace orvan::bridge {

class IndiLink::Client : public INDI::BaseClient {
 public:
  explicit Client(IndiLink& link) : link_(link) {}
  // A client being let go says nothing more.
  std::atomic<bool> quiet{false};

 protected:
  // Listener thread: copy out, queue to the Qt thread.
  void newDevice(INDI::BaseDevice) override {}
  void removeDevice(INDI::BaseDevice d) override {
    if (quiet) return;
    const QString name = QString::fromUtf8(d.getDeviceName());
    QMetaObject::invokeMethod(&link_, [l = &link_, name] { emit l->deviceGone(name); }, Qt::QueuedConnection);
  }
  void newProperty(INDI::Property p) override { take(p); }
  void updateProperty(INDI::Property p) override { take(p); }
  void removeProperty(INDI::Property) override {}
  void newMessage(INDI::BaseDevice, int) override {}
  void serverConnected() override {}
  void serverDisconnected(int exitCode) override {
    if (quiet) return;
    // 0: the bridge itself disconnected; anything else: the server went away.
    if (exitCode == 0) return;
    QMetaObject::invokeMethod(
        &link_,
        [l = &link_] {
          // A connection attempt that failed says so too: only a server that was up is lost.
          if (!l->up_) return;
          l->up_ = false;
          emit l->serverLost();
        },
        Qt::QueuedConnection);
  }

 private:
  void take(INDI::Property p) {
    if (quiet) return;
    const QString device = QString::fromUtf8(p.getDeviceName());
    const QString name = QString::fromUtf8(p.getName());
    IndiLink* l = &link_;
    if (name == u"DRIVER_INFO") {
      INDI::PropertyText t(p);
      const auto* w = t.findWidgetByName("DRIVER_INTERFACE");
      if (!w || !w->getText()) return;
      const long iface = std::strtol(w->getText(), nullptr, 10);
      if (iface & INDI::BaseDevice::TELESCOPE_INTERFACE)
        QMetaObject::invokeMethod(l, [l, device] { emit l->telescopeSeen(device); }, Qt::QueuedConnection);
    } else if (name == u"CONNECTION") {
      INDI::PropertySwitch s(p);
      const auto* w = s.findWidgetByName("CONNECT");
      const bool on = w && w->getState() == ISS_ON && p.getState() == IPS_OK;
      QMetaObject::invokeMethod(l, [l, device, on] { emit l->connectionChanged(device, on); }, Qt::QueuedConnection);
    } else if (name == u"EQUATORIAL_EOD_COORD") {
      INDI::PropertyNumber n(p);
      const auto* ra = n.findWidgetByName("RA");
      const auto* dec = n.findWidgetByName("DEC");
      if (!ra || !dec) return;
      const double r = ra->getValue(), d = dec->getValue();
      const int state = static_cast<int>(p.getState());
      QMetaObject::invokeMethod(l, [l, device, r, d, state] { emit l->positionChanged(device, r, d, state); },
                                Qt::QueuedConnection);
    } else if (name == u"TELESCOPE_PARK") {
      INDI::PropertySwitch s(p);
      const auto* w = s.findWidgetByName("PARK");
      const bool parked = w && w->getState() == ISS_ON;
      QMetaObject::invokeMethod(l, [l, device, parked] { emit l->parkChanged(device, parked); }, Qt::QueuedConnection);
    }
  }

  IndiLink& link_;
};

IndiLink::IndiLink(QObject* parent) : QObject(parent), client_(std::make_unique<Client>(*this)) {}

IndiLink::~IndiLink() { disconnectServer(); }

bool IndiLink::connectServer(const QString& host, quint16 port) {
  // INDI's client still calls itself connected after the server went away, and would never
  // connect again: a fresh one takes its place.
  if (client_->isServerConnected()) {
    client_->quiet = true;
    client_->disconnectServer();
    client_ = std::make_unique<Client>(*this);
  }
  client_->setServer(host.toUtf8().constData(), port);
  client_->setConnectionTimeout(2, 0);
  up_ = client_->connectServer();
  return up_;
}

void IndiLink::disconnectServer() {
  client_->quiet = true;
  if (client_->isServerConnected()) client_->disconnectServer();
  client_ = std::make_unique<Client>(*this);
  up_ = false;
}

bool IndiLink::serverConnected() const { return up_; }

void IndiLink::connectDevice(const QString& device) { client_->connectDevice(device.toUtf8().constData()); }
void IndiLink::disconnectDevice(const QString& device) { client_->disconnectDevice(device.toUtf8().constData()); }

bool IndiLink::slewOrSync(const QString& device, bool sync, double raHours, double decDeg) {
  const QByteArray dev = device.toUtf8();
  INDI::BaseDevice d = client_->getDevice(dev.constData());
  if (!d.isValid()) return false;
  INDI::PropertySwitch how = d.getSwitch("ON_COORD_SET");
  INDI::PropertyNumber coord = d.getNumber("EQUATORIAL_EOD_COORD");
  if (!how.isValid() || !coord.isValid()) return false;
  auto* want = how.findWidgetByName(sync ? "SYNC" : "TRACK");
  auto* ra = coord.findWidgetByName("RA");
  auto* dec = coord.findWidgetByName("DEC");
  if (!want || !ra || !dec) return false;
  how.reset();
  want->setState(ISS_ON);
  client_->sendNewSwitch(how);
  ra->setValue(raHours);
  dec->setValue(decDeg);
  client_->sendNewNumber(coord);
  return true;
}

void IndiLink::abort(const QString& device) {
  client_->sendNewSwitch(device.toUtf8().constData(), "TELESCOPE_ABORT_MOTION", "ABORT");
}

void IndiLink::trackOn(const QString& device) {
  client_->sendNewSwitch(device.toUtf8().constData(), "TELESCOPE_TRACK_STATE", "TRACK_ON");
}

void IndiLink::unpark(const QString& device) {
  client_->sendNewSwitch(device.toUtf8().constData(), "TELESCOPE_PARK", "UNPARK");
}

}  // namespace orvan::bridge
