#include "Bridge.h"

#include "IniFile.h"
#include "Vb.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QNetworkDatagram>
#include <algorithm>
#include <cmath>

namespace orvan::bridge {

Q_LOGGING_CATEGORY(lcAscomconnect, "orvan.ascomconnect", QtInfoMsg)

namespace {
const QString kSection = QStringLiteral("ASCOM");
// Longest a goto may take to show that the telescope moves before positions flow again.
constexpr int kHoldMs = 5000;
}  // namespace

BridgeSettings ReadBridgeSettings(const QString& iniPath) {
  BridgeSettings s;
  s.iniPath = iniPath;
  const QString host = ReadIni(iniPath, kSection, QStringLiteral("IndiHost")).trimmed();
  if (!host.isEmpty()) s.indiHost = host;
  bool ok = false;
  const uint port = ReadIni(iniPath, kSection, QStringLiteral("IndiPort")).trimmed().toUInt(&ok);
  if (ok && port > 0 && port < 65536) s.indiPort = static_cast<quint16>(port);
  s.telescope = ReadIni(iniPath, kSection, QStringLiteral("Telescope")).trimmed();
  return s;
}

Bridge::Bridge(BridgeSettings settings, BridgePorts ports, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), ports_(std::move(ports)), horizon_(settings_.iniPath) {
  connect(&socket_, &QUdpSocket::readyRead, this, &Bridge::ReadDatagrams);
  tick_.setInterval(1000);
  connect(&tick_, &QTimer::timeout, this, &Bridge::Tick);
  retry_.setInterval(3000);
  connect(&retry_, &QTimer::timeout, this, &Bridge::TryServer);

  connect(&indi_, &IndiLink::telescopeSeen, this, [this](const QString& d) {
    if (telescopes_.contains(d)) return;
    telescopes_.insert(d);
    qCInfo(lcAscomconnect).noquote() << "telescope offered:" << d;
    if (d == settings_.telescope) {
      if (wantConnected_) indi_.connectDevice(d);
      SendName();
    }
  });
  connect(&indi_, &IndiLink::deviceGone, this, [this](const QString& d) {
    telescopes_.remove(d);
    if (d != settings_.telescope) return;
    connected_ = false;
    havePosition_ = false;
    Error(tr("望遠鏡 %1 がINDIサーバーから消えました").arg(d));
  });
  connect(&indi_, &IndiLink::connectionChanged, this, [this](const QString& d, bool on) {
    if (d != settings_.telescope || on == connected_) return;
    connected_ = on;
    if (!on) havePosition_ = false;
    qCInfo(lcAscomconnect).noquote() << d << (on ? "connected" : "disconnected");
    if (on) SendName();
  });
  connect(&indi_, &IndiLink::positionChanged, this, [this](const QString& d, double ra, double dec, int state) {
    if (d != settings_.telescope) return;
    if (!std::isfinite(ra) || !std::isfinite(dec)) return;
    raHours_ = std::fmod(ra, 24.0);
    if (raHours_ < 0) raHours_ += 24.0;
    decDeg_ = std::clamp(dec, -90.0, 90.0);
    havePosition_ = true;
    slewing_ = state == static_cast<int>(IndiState::Busy);
    if (!holding_) return;
    if (state == static_cast<int>(IndiState::Busy)) holding_ = false;
    else if (state == static_cast<int>(IndiState::Alert)) {
      holding_ = false;
      Error(tr("望遠鏡 %1 が移動を受け付けません").arg(d));
    }
  });
  connect(&indi_, &IndiLink::parkChanged, this, [this](const QString& d, bool parked) {
    if (d == settings_.telescope) parked_ = parked;
  });
  connect(&indi_, &IndiLink::serverLost, this, [this] {
    telescopes_.clear();
    connected_ = false;
    havePosition_ = false;
    holding_ = false;
    Error(tr("INDIサーバー %1:%2 との接続が切れました").arg(settings_.indiHost).arg(settings_.indiPort));
    serverErrorShown_ = true;
    retry_.start();
  });
}

bool Bridge::start() {
  if (!socket_.bind(QHostAddress::LocalHost, ports_.bridge)) {
    qCCritical(lcAscomconnect) << "cannot bind 127.0.0.1:" << ports_.bridge << socket_.errorString();
    return false;
  }
  tick_.start();
  TryServer();
  return true;
}

void Bridge::TryServer() {
  qCDebug(lcAscomconnect) << "trying the server; connected:" << indi_.serverConnected();
  if (indi_.serverConnected()) {
    retry_.stop();
    return;
  }
  if (indi_.connectServer(settings_.indiHost, settings_.indiPort)) {
    qCInfo(lcAscomconnect).noquote() << "INDI server" << settings_.indiHost << settings_.indiPort << "connected";
    serverErrorShown_ = false;
    retry_.stop();
    if (settings_.telescope.isEmpty()) SendName();
    return;
  }
  // Said once; the attempts go on quietly until the server answers.
  if (!serverErrorShown_)
    Error(tr("INDIサーバー %1:%2 に接続できません").arg(settings_.indiHost).arg(settings_.indiPort));
  serverErrorShown_ = true;
  retry_.start();
}

// ---- datagrams -------------------------------------------------------------------------------

void Bridge::Send(const QString& text) {
  socket_.writeDatagram(SealBridgeDatagram(ports_.secret, text.toUtf8()), QHostAddress::LocalHost, ports_.controller);
}

void Bridge::SendName() {
  const bool known = !settings_.telescope.isEmpty() && telescopes_.contains(settings_.telescope);
  Send(QStringLiteral("Name,") + (known ? settings_.telescope : QStringLiteral("Please choose")));
}

void Bridge::Error(const QString& text) {
  qCWarning(lcAscomconnect).noquote() << text;
  problem_ = text;
  Send(QStringLiteral("Error,") + text);
}

void Bridge::ReadDatagrams() {
  while (socket_.hasPendingDatagrams()) {
    const QNetworkDatagram d = socket_.receiveDatagram(kMaxSealedBridgeDatagram);
    bool v4 = false;
    const quint32 a = d.senderAddress().toIPv4Address(&v4);
    // The controller's own port on the loopback, and this run's secret: a program that took
    // the controller's port after it ended knows the port but not the secret.
    const auto text = OpenBridgeDatagram(ports_.secret, d.data());
    if (!v4 || a != QHostAddress(QHostAddress::LocalHost).toIPv4Address() || d.senderPort() != ports_.controller ||
        !text) {
      ++dropped_;
      if (dropped_ == 1 || dropped_ % 100 == 0)
        qCWarning(lcAscomconnect) << "datagram not from the controller dropped; dropped so far:" << dropped_;
      continue;
    }
    if (text->isEmpty() || text->size() > kMaxBridgeDatagram) continue;
    // Whole printable texts only: a command with a line feed or a stray byte is no command.
    if (std::any_of(text->cbegin(), text->cend(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
      continue;
    Command(QString::fromUtf8(*text));
  }
}

void Bridge::Command(const QString& text) {
  const QStringList f = text.split(u',');
  const QString& word = f[0];
  if (word == u"cmdGoto" || word == u"cmdSync") {
    Target(word == u"cmdSync", f);
  } else if (word == u"Stop" && f.size() == 1) {
    holding_ = false;
    if (TelescopeReady()) indi_.abort(settings_.telescope);
  } else if (word == u"cmdName" && f.size() == 1) {
    SendName();
  } else if (word == u"cmdChoose" && f.size() == 1) {
    const QStringList list(telescopes_.begin(), telescopes_.end());
    if (chooser) chooser(list, settings_.telescope, [this](const QString& d) { Choose(d); });
  } else if (word == u"cmdConnect" && f.size() == 1) {
    wantConnected_ = true;
    if (!indi_.serverConnected()) TryServer();
    else if (!settings_.telescope.isEmpty()) indi_.connectDevice(settings_.telescope);
  } else if (word == u"cmdDisConnect" && f.size() == 1) {
    wantConnected_ = false;
    holding_ = false;
    if (!settings_.telescope.isEmpty() && indi_.serverConnected()) indi_.disconnectDevice(settings_.telescope);
  } else if (word == u"cmdEnd" && f.size() == 1) {
    qCInfo(lcAscomconnect) << "asked to end";
    indi_.disconnectServer();
    QCoreApplication::quit();
  } else {
    qCDebug(lcAscomconnect).noquote() << "datagram not understood:" << text.left(80);
  }
}

void Bridge::Target(bool sync, const QStringList& f) {
  const auto ra = f.size() == 3 ? ParseBridgeNumber(f[1]) : std::nullopt;
  const auto dec = f.size() == 3 ? ParseBridgeNumber(f[2]) : std::nullopt;
  if (!ra || !dec || *ra < 0 || *ra >= 24 || *dec < -90 || *dec > 90) {
    qCWarning(lcAscomconnect).noquote() << "target not understood:" << f.join(u',').left(80);
    return;
  }
  if (!TelescopeReady()) {
    Error(tr("望遠鏡が接続されていません"));
    return;
  }
  if (!sync && !horizon_.above(*ra, *dec)) {
    Error(tr("目標が地平線の下です"));
    return;
  }
  // A parked telescope refuses to move; the controller asked for this motion.
  if (parked_) indi_.unpark(settings_.telescope);
  // A sync while the telescope is on its way (or about to start) would tell it that the
  // target is where it is now, and the goto would then go on elsewhere: the slew is stopped
  // first, as a serial mount is, and tracking (which the stop switches off) is on again after.
  const bool stopped = sync && (slewing_ || holding_);
  if (stopped) {
    qCInfo(lcAscomconnect) << "slew stopped for a sync";
    indi_.abort(settings_.telescope);
    holding_ = slewing_ = false;
  }
  if (!indi_.slewOrSync(settings_.telescope, sync, *ra, *dec)) {
    Error(tr("望遠鏡 %1 は座標を受け付けません").arg(settings_.telescope));
    return;
  }
  if (stopped) indi_.trackOn(settings_.telescope);
  qCInfo(lcAscomconnect).noquote() << (sync ? "sync" : "goto") << *ra << *dec;
  if (!sync) {
    holding_ = true;
    holdSince_.start();
  }
}

void Bridge::Choose(const QString& device) {
  if (device.isEmpty() || device == settings_.telescope) {
    SendName();
    return;
  }
  if (!settings_.telescope.isEmpty() && connected_) indi_.disconnectDevice(settings_.telescope);
  connected_ = false;
  havePosition_ = false;
  parked_ = false;
  settings_.telescope = device;
  WriteIni(settings_.iniPath, kSection, QStringLiteral("Telescope"), device);
  if (wantConnected_) indi_.connectDevice(device);
  SendName();
}

void Bridge::Tick() {
  if (holding_ && holdSince_.elapsed() > kHoldMs) holding_ = false;
  if (TelescopeReady()) problem_.clear();
  // While the telescope cannot be reached the controller hears why every few seconds, so it
  // knows the bridge itself is alive.
  if (!TelescopeReady() && wantConnected_ && !problem_.isEmpty() && ++quietTicks_ % 3 == 0)
    Send(QStringLiteral("Error,") + problem_);
  if (!TelescopeReady() || !havePosition_ || holding_) return;
  QString ra = QString::number(raHours_, 'f', 7);
  // 23.99999999 h is 0 h, not 24.
  if (ra.toDouble() >= 24.0) ra = QStringLiteral("0.0000000");
  Send(QStringLiteral("Coodinate,") + ra + u',' + QString::number(decDeg_, 'f', 6));
}

}  // namespace orvan::bridge
