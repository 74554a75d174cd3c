#include "frmASCOM.h"

#include "ACal2.h"
#include "ProgramFolder.h"
#include "ParentProcess.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QNetworkDatagram>
#include <QPointer>
#include <QTimer>
#include <cmath>
#include <utility>

namespace orvan {

Q_LOGGING_CATEGORY(lcBridge, "orvan.bridge", QtWarningMsg)

namespace {
constexpr int32_t kArcsecPerTurn = 1296000;

MountTraits BridgeTraits() {
  MountTraits t;
  t.name = QStringLiteral("ASCOM");
  // The bridge reports the position once a second: a goto has ended when two reports differ
  // by less than 10 s of RA and 10" of Dec.
  t.slewWatchLimit = 10;
  t.axisCountsFromSky = true;
  return t;
}
const MountTraits& Traits() {
  static const MountTraits t = BridgeTraits();
  return t;
}
}  // namespace

frmASCOM::frmASCOM(SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath, BridgePorts ports,
                   QObject* parent)
    : CommonMountDriver(Traits(), state, host, cal, iniPath, parent), ports_(std::move(ports)) {
  if (ports_.secret.size() != kBridgeSecretBytes) ports_.secret = NewBridgeSecret();
  frmASCOM::Selected();
  connect(&socket_, &QUdpSocket::readyRead, this, &frmASCOM::ReadDatagrams);
  // The loopback only: no datagram from the network ever reaches this socket.
  if (!socket_.bind(QHostAddress::LocalHost, ports_.controller)) {
    qCWarning(lcBridge) << "bridge: cannot bind 127.0.0.1:" << ports_.controller << socket_.errorString();
    host.ShowBridgeError(tr("ASCOM 通信エラー: ポート%1が使えません (%2)")
                             .arg(ports_.controller)
                             .arg(socket_.errorString()));
  }
}

frmASCOM::~frmASCOM() {
  if (bridge_ && bridge_->state() != QProcess::NotRunning) {
    bridge_->disconnect(this);
    bridge_->terminate();
    if (!bridge_->waitForFinished(2000)) {
      bridge_->kill();
      bridge_->waitForFinished(2000);
    }
  }
}

void frmASCOM::EndBridgeLater() {
  // A bridge told to end that is still there after a while (stuck with a telescope that does
  // not answer) is ended, then killed: a controller whose window stays open after the
  // shutdown would otherwise keep it for the rest of the run.
  QTimer::singleShot(bridgeEndMs_, this, [this, b = QPointer<QProcess>(bridge_)] {
    if (!b || b != bridge_ || !ending_ || b->state() == QProcess::NotRunning) return;
    qCWarning(lcBridge) << "bridge: it did not end when told to; ending it";
    b->terminate();
    QTimer::singleShot(2000, this, [b] {
      if (b && b->state() != QProcess::NotRunning) b->kill();
    });
  });
}

void frmASCOM::Selected() {
  // The bridge reports sky coordinates: one count per arcsecond, no offset of another family.
  MountState& m = mount();
  m.AxisRev[0] = kArcsecPerTurn;
  m.AxisRev[1] = kArcsecPerTurn;
  m.AxisOfs[0] = 0;
  m.AxisOfs[1] = 0;
}

// ---- the bridge program ----------------------------------------------------------------------

bool frmASCOM::StartBridge() {
  if (bridge_ && bridge_->state() != QProcess::NotRunning) return true;
  const QString program = InProgramFolder(QStringLiteral("\\ascomconnect"));
  if (!FileExists(program)) {
    BridgeFailed(tr("ブリッジプログラム ascomconnect がありません"));
    return false;
  }
  if (bridge_) bridge_->deleteLater();
  bridge_ = new QProcess(this);
  bridge_->setProgram(program);
  bridge_->setWorkingDirectory(ProgramFolder());
  // What the bridge prints goes where the controller's own messages go.
  bridge_->setProcessChannelMode(QProcess::ForwardedChannels);
  // The run's secret and this process as the parent the bridge ends with.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(kBridgeSecretVariable), QString::fromLatin1(ports_.secret));
  env.insert(QString::fromLatin1(kParentPidVariable), QString::number(QCoreApplication::applicationPid()));
  bridge_->setProcessEnvironment(env);
  connect(bridge_, &QProcess::finished, this, &frmASCOM::BridgeFinished);
  connect(bridge_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) BridgeFailed(tr("ブリッジプログラム ascomconnect を起動できません"));
  });
  ending_ = false;
  silenceReported_ = false;
  lastHeard_.start();
  bridge_->start();
  return true;
}

void frmASCOM::BridgeFinished(int exitCode, QProcess::ExitStatus status) {
  if (ending_) return;
  qCWarning(lcBridge) << "bridge program ended, code" << exitCode << (status == QProcess::CrashExit ? "(crashed)" : "");
  BridgeFailed(status == QProcess::CrashExit ? tr("ブリッジプログラムが異常終了しました")
                                             : tr("ブリッジプログラムが終了しました (%1)").arg(exitCode));
}

void frmASCOM::BridgeFailed(const QString& text) {
  host().ShowBridgeError(text);
  MountState& m = mount();
  if (m.TelState == 2) {
    // Whatever the telescope does now, nobody reports it: the goto is not waited for, and the
    // dome follows the last position reported instead of the goto's target.
    m.TelState = 1;
    ds_.SlewDone = false;
    host().TelSlewing(0);
  }
  // Whoever asked for the goto is told at once that it will not end.
  AbandonGoto();
}

// ---- datagrams -------------------------------------------------------------------------------

bool frmASCOM::Send(const QByteArray& datagram) {
  if (!socketReady()) return false;
  qCDebug(lcBridge).noquote() << "to bridge:" << QString::fromUtf8(datagram);
  const QByteArray sealed = SealBridgeDatagram(ports_.secret, datagram);
  return socket_.writeDatagram(sealed, QHostAddress::LocalHost, ports_.bridge) == sealed.size();
}

void frmASCOM::SendCmd(const QString& text) {
  if (text == u"cmdEnd") {
    ending_ = true;
    EndBridgeLater();
  }
  // The chooser and the name need the bridge: it is started for them, in the set-up layout,
  // before any connection. A bridge that has only just started names its telescope itself
  // once it is ready.
  else if (text == u"cmdName" || text == u"cmdChoose") {
    const bool running = bridge_ && bridge_->state() != QProcess::NotRunning;
    // A bridge started just now cannot hear it yet: the chooser is asked for again once the
    // bridge has said its first word.
    if (StartBridge() && !running && text == u"cmdChoose") pending_ = text.toUtf8();
  }
  Send(text.toUtf8());
}

void frmASCOM::ReadDatagrams() {
  while (socket_.hasPendingDatagrams()) {
    // One byte more than any datagram of the bridge: a longer one is seen as too long.
    const QNetworkDatagram d = socket_.receiveDatagram(kMaxSealedBridgeDatagram);
    TakeDatagram(d.data(), d.senderAddress(), static_cast<quint16>(d.senderPort()));
  }
}

void frmASCOM::TakeDatagram(const QByteArray& datagram, const QHostAddress& sender, quint16 port) {
  bool isV4 = false;
  const quint32 v4 = sender.toIPv4Address(&isV4);
  if (!isV4 || v4 != QHostAddress(QHostAddress::LocalHost).toIPv4Address() || port != ports_.bridge) {
    ++droppedForeign_;
    qCDebug(lcBridge) << "datagram from" << sender << port << "dropped: not the bridge";
    return;
  }
  // Whoever else sends from the bridge's port (a program that took it while the bridge was
  // down) does not know this run's secret.
  const auto text = OpenBridgeDatagram(ports_.secret, datagram);
  if (!text) {
    ++droppedForeign_;
    // Said now and then, so that a flood cannot fill the log.
    if (droppedForeign_ == 1 || droppedForeign_ % 100 == 0)
      qCWarning(lcBridge) << "datagram without this run's secret dropped; dropped so far:" << droppedForeign_;
    return;
  }
  const auto m = ParseBridgeDatagram(*text);
  if (!m) {
    if (!text->isEmpty()) ++droppedMalformed_;
    qCDebug(lcBridge) << "datagram dropped:" << datagram.left(80);
    return;
  }
  lastHeard_.start();
  silenceReported_ = false;
  if (!pending_.isEmpty()) Send(std::exchange(pending_, QByteArray()));
  Take(*m);
}

void frmASCOM::Take(const BridgeMessage& m) {
  MountState& s = mount();
  switch (m.kind) {
    case BridgeMessage::Kind::Coodinate:
      // Whole seconds of time and whole arcseconds, toward minus infinity.
      s.TelRA = std::floor(m.raHours * 3600.0);
      s.TelDec = std::floor(m.decDeg * 3600.0);
      NoteFreshReading();
      return;
    case BridgeMessage::Kind::Name: {
      const QString name = m.text.trimmed();
      if ((name.isEmpty() || name == u"Please choose") && host().CurrentLayout() != 2) host().FormSizeChange(2);
      host().SetAscomTelescope(m.text);
      return;
    }
    case BridgeMessage::Kind::Error:
      qCWarning(lcBridge).noquote() << "bridge reports:" << m.text;
      BridgeFailed(m.text);
      return;
  }
}

// ---- operations ------------------------------------------------------------------------------

bool frmASCOM::cmdConnect(bool open) {
  if (open) {
    const bool wasRunning = bridge_ && bridge_->state() != QProcess::NotRunning;
    if (!StartBridge()) return false;
    // A bridge that runs already (started for the chooser, or connected before) is asked to
    // connect the telescope; a new one connects it as it starts.
    if (wasRunning) Send(QByteArrayLiteral("cmdConnect"));
    ds_.Connected = true;
    mount().TelState = 1;
    lastHeard_.start();
    return true;
  }
  cmdStop();
  Send(QByteArrayLiteral("cmdDisConnect"));
  ds_.Connected = false;
  return true;
}

bool frmASCOM::PrepareMotion(Purpose p) {
  if (p == Purpose::Sync) return true;
  return CommonMountDriver::PrepareMotion(p);
}

bool frmASCOM::SendGoto(double ra, double& dec, const AxisMove&, bool) {
  return Send(GotoDatagram(ra / 3600.0, dec / 3600.0));
}

bool frmASCOM::SendSync(double ra, double& dec, const AxisMove&) {
  if (!Send(SyncDatagram(ra / 3600.0, dec / 3600.0))) return false;
  // The bridge stops a slew under way before it syncs: that goto is over, unfinished.
  if (AbandonGoto()) host().TelSlewing(0);
  mount().TelState = 1;
  return true;
}

void frmASCOM::cmdStop() {
  Send(QByteArrayLiteral("Stop"));
  MountState& m = mount();
  m.StopRequest = kFalse;
  if (m.TelState == 2) m.TelState = 1;
  else cmdStandBy(true);
  AbandonGoto();
}

void frmASCOM::cmdStatus() {
  // A bridge that runs but has said nothing for a while (hung, or its telescope never
  // connected) is reported once; whatever it says next clears it.
  if (ds_.Connected && bridge_ && bridge_->state() == QProcess::Running && !silenceReported_ &&
      lastHeard_.isValid() && lastHeard_.elapsed() > silenceLimitMs_) {
    silenceReported_ = true;
    BridgeFailed(tr("ブリッジプログラムから応答がありません"));
  }
  PostProcessStatus();
}

bool frmASCOM::SendZsync() {
  double ra = 0, dec = 0;
  cal().HorizontalToEquatorial(2, 90, ra, dec);
  ra = cal().LocalSiderealTime() - 240.0;
  if (ra < 0) ra += 86400.0;
  return cmdSync(ra, dec, QStringLiteral("EOD"));
}

}  // namespace orvan
