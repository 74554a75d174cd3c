#include "SerialMountDriver.h"

#include "ACal2.h"
#include "Clock.h"
#include "CommPorts.h"
#include "Cp932.h"
#include "IniFile.h"
#include "Prompter.h"
#include "SerialTrace.h"
#include "Shared.h"
#include "Vb.h"

#include <cmath>
#include <limits>

namespace orvan {

namespace {
// Polling step of a transaction wait; the wait itself never dispatches events.
constexpr int kPollMs = 20;
// How long a reply that should close with "#" is read on after its first characters.
constexpr int kHashGracePolls = 25;
// A port that reports an error on every attempt would otherwise be written to forever.
constexpr int kMaxResends = 3;

QString NumberText(double v) { return QString::number(v, 'g', 15); }
}  // namespace

SerialMountDriver::SerialMountDriver(const SerialFamily& family, SharedState& state, MountHost& host, ACal2& cal,
                                     std::unique_ptr<SerialLink> link, const QString& iniPath, QObject* parent)
    : MountDriver(parent), family_(family), state_(state), host_(host), cal_(cal), link_(std::move(link)),
      iniPath_(iniPath) {
  connect(link_.get(), &SerialLink::commEvent, this, &SerialMountDriver::OnCommEvent);
  if (family_.slewWatchLimit > 0) {
    slewWatch_.setInterval(1000);
    connect(&slewWatch_, &QTimer::timeout, this, &SerialMountDriver::SlewWatchTick);
    slewWatch_.start();
  }
}

SerialMountDriver::~SerialMountDriver() {
  disconnect(link_.get(), nullptr, this, nullptr);
  if (link_->isOpen()) link_->close();
}

// ---- port ----------------------------------------------------------------------------------

void SerialMountDriver::ShowSetupLayout() {
  WriteIni(iniPath_, QStringLiteral("PUBLIC"), QStringLiteral("FormSizeChange"), QStringLiteral("2"));
  host_.FormSizeChange(2);
}

bool SerialMountDriver::OpenPort() {
  if (link_->isOpen()) return true;
  link_->setSettings(family_.settings);
  link_->setCommPort(CommPortNumber(host_.SelectedCommPort()));
  link_->setInputLen(0);
  link_->setDTREnable(false);
  link_->setEOFEnable(false);
  link_->setHandshaking(Handshaking::None);
  link_->setInputMode(InputMode::Text);
  link_->setRTSEnable(false);
  link_->setRThreshold(family_.rThreshold);
  bool ok = link_->open();
  for (int i = 0; i < 5 && !ok; ++i) {
    link_->close();
    Wait(500);
    ok = link_->open();
  }
  if (ok) return true;
  Prompter::current().ask(family_.openFailTitle + vb::Str(static_cast<long long>(link_->openError())) + u')',
                          family_.openFailText, Buttons::Ok, Icon::Critical);
  ShowSetupLayout();
  return false;
}

void SerialMountDriver::FinishConnect() {
  ds_.Connected = true;
  Wait(500);
  cmdStartUP();
  // The axis counts of where the mount stands now, not of where the last session left it: a
  // reconnect in the same run would otherwise shift every displayed axis, and the dome that
  // follows them, by the way the mount moved since.
  if (ReadPosition()) UpdateAxisPos();
  MountState& m = mount();
  for (int k = 0; k < 2; ++k) {
    const QString key = QStringLiteral("EncOfs") + QString::number(k + 1);
    const double logged = vb::RoundEven(vb::Val(ReadIni(iniPath_, QStringLiteral("EncLog"), key)));
    m.AxisOfs[k] = static_cast<int32_t>(logged) - (family_.axisCountsFromSky ? 0 : m.AxisPos[k]);
  }
}

void SerialMountDriver::ClosePort(int32_t encOfs1, int32_t encOfs2) {
  if (vb::Val(mount().TelStatus[0]) == 0) {
    WriteIni(iniPath_, QStringLiteral("EncLog"), QStringLiteral("EncOfs1"), vb::Str(static_cast<long long>(encOfs1)));
    WriteIni(iniPath_, QStringLiteral("EncLog"), QStringLiteral("EncOfs2"), vb::Str(static_cast<long long>(encOfs2)));
  }
  link_->close();
  ds_.Connected = false;
}

void SerialMountDriver::OnCommEvent(int code) {
  mount().CommEventCode = code;
  if (code == comm::kEvEOF && !family_.showsErrorEvents) host_.Beep();
  if (family_.showsErrorEvents && code > 1000)
    Prompter::current().ask(QString(), CommErrorText(code), Buttons::Ok, Icon::Critical);
}

// ---- the transaction -----------------------------------------------------------------------

bool SerialMountDriver::WantsHash(const QString& cmd, const QByteArray& reply) const {
  if (reply.contains('#')) return false;
  for (const QString& p : family_.hashReplyPrefixes)
    if (cmd.startsWith(p)) return true;
  // A refused LX200 slew is "1", a text and "#"; an accepted one is the single "0".
  return family_.name == u"LX200" && cmd.startsWith(u":MS") && !reply.isEmpty() && reply[0] != '0';
}

bool SerialMountDriver::ReplyComplete(const QByteArray& reply) const {
  switch (family_.replyEnd) {
    case SerialFamily::ReplyEnd::AnyCharacter: return !reply.isEmpty();
    case SerialFamily::ReplyEnd::Hash: return reply.contains('#');
    case SerialFamily::ReplyEnd::CarriageReturn: return reply.contains('\r');
  }
  return false;
}

SerialMountDriver::WaitOutcome SerialMountDriver::HandleTimeout(const QString& cmd, float& start, bool& rerun) {
  if (!family_.emptyOnTimeoutCommand.isEmpty() && cmd == family_.emptyOnTimeoutCommand) return WaitOutcome::ReturnEmpty;
  QString text = family_.timeoutText;
  if (family_.timeoutShowsCommand) text += u'\r' + QStringLiteral("(") + cmd + u')';
  qCDebug(lcSerial).noquote() << family_.name << "no reply to" << cmd;
  Answer a = Prompter::current().ask(QStringLiteral("タイムアウト"), text, Buttons::AbortRetryIgnore, Icon::Critical);
  // A box closed without an answer (Escape, the window's close button) is Ignore: an
  // accidental key never ends the observer's program.
  if (a != Answer::Abort && a != Answer::Retry) a = Answer::Ignore;
  ds_.LastTimeoutAnswer = static_cast<int16_t>(a);
  ShowSetupLayout();
  MountState& m = mount();
  if (a == Answer::Retry) {
    if (family_.timeoutRule == SerialFamily::TimeoutRule::StopAndRerun) {
      rerun = true;
      return WaitOutcome::StopWaiting;
    }
    start = static_cast<float>(Clock::current().secondsSinceMidnight());
    return WaitOutcome::KeepWaiting;
  }
  // Abort and Ignore give up communication and stop waiting: a mount that is gone would
  // otherwise bring the same question back for ever. Abort also ends the program, but only
  // once this transaction has returned: the port must not close under its wait.
  m.TelStatus[0] = QStringLiteral("1");
  if (a == Answer::Abort) ds_.UnloadPending = true;
  return WaitOutcome::StopWaiting;
}

QString SerialMountDriver::SendTelescope(const QString& cmd) {
  // Communication was given up (Abort or Ignore): nothing more is sent.
  if (CommunicationGivenUp()) return QString();
  // A handler that runs while the time-out question is open must not start a second
  // transaction on the same port.
  if (ds_.PortBusy) return QString();
  ds_.PortBusy = true;
  MountState& m = mount();
  bool noReply = false;
  for (const QString& p : family_.noReplyPrefixes)
    if (cmd.startsWith(p)) noReply = true;

  QByteArray reply;
  bool rerun = false;
  for (int attempt = 0;; ++attempt) {
    m.CommEventCode = 0;
    link_->discardInput();
    link_->write(cp932::encode(cmd) + family_.ending);
    reply.clear();
    if (noReply) break;
    float start = static_cast<float>(Clock::current().secondsSinceMidnight());
    int gracePolls = 0;
    bool returnEmpty = false;
    for (;;) {
      if (m.CommEventCode == comm::kEventOverrun) break;
      if (ElapsedSeconds(start) >= family_.timeoutSeconds) {
        const WaitOutcome o = HandleTimeout(cmd, start, rerun);
        if (o == WaitOutcome::ReturnEmpty) returnEmpty = true;
        if (o != WaitOutcome::KeepWaiting) break;
      }
      link_->waitForInput(kPollMs);
      const QByteArray got = link_->readAll();
      reply += got;
      if (ReplyComplete(reply)) {
        if (!WantsHash(cmd, reply)) break;
        if (got.isEmpty() && ++gracePolls > kHashGracePolls) break;
      }
    }
    if (returnEmpty) {
      reply.clear();
      break;
    }
    // An event or error arrived during the wait: send again, unless the observer gave up.
    if (m.CommEventCode != 0 && !CommunicationGivenUp() && !rerun && attempt < kMaxResends) continue;
    break;
  }
  link_->discardInput();
  reply.replace('\r', QByteArray()).replace('\n', QByteArray());
  ds_.PortBusy = false;
  if (ds_.UnloadPending) {
    ds_.UnloadPending = false;
    host_.UnloadMainWindow();
  }
  if (rerun) return SendTelescope(cmd);
  return cp932::decode(reply);
}

// ---- motion state --------------------------------------------------------------------------

void SerialMountDriver::cmdTrucking() {
  if (mount().TelState == 0) {
    cmdStop();
    cmdStandBy(false);
  }
  cmdMove(QString(), 9);
  mount().TelState = 1;
}

void SerialMountDriver::ReadBacklashSettings() {
  ds_.UseBacklash = false;
  ds_.OverRun = 0;
  ds_.DelayTime = 0;
  const auto num = [this](const char* key) {
    return vb::Val(ReadIni(iniPath_, QStringLiteral("TELESCOPE"), QString::fromLatin1(key)));
  };
  if (num("BackLash") != 1) return;
  ds_.UseBacklash = true;
  ds_.OverRun = static_cast<int32_t>(vb::RoundEven(num("OverRun")));
  ds_.DelayTime = static_cast<int32_t>(vb::RoundEven(num("DelayTime")));
  if (ds_.OverRun > 0) ds_.DelayTime = 0;
}

bool SerialMountDriver::PrepareTarget(double& ra, double& dec, const QString& epoch, int32_t& move1) {
  ReadBacklashSettings();
  if (epoch == u"2000") cal_.PrecessRaDec(ra, dec, ra, dec, QStringLiteral("2000EOD"));
  double az = 0, alt = 0;
  cal_.EquatorialToHorizontal(vb::RoundEven(ra), vb::RoundEven(dec), az, alt);
  if (!(alt * ACal2::kDegPerRad > 0)) return false;
  cmdTrucking();
  cmdMove(QString(), 9);
  mount().TelState = 1;
  Wait(500);
  int32_t t1 = 0, t2 = 0, m2 = 0;
  move1 = 0;
  cal_.TargetToAxisCounts(ra, dec, t1, t2, move1, m2);
  return true;
}

void SerialMountDriver::StartSlew(double ra, double dec, int32_t move1) {
  MountState& m = mount();
  m.TelState = 2;
  ds_.SlewDone = false;
  // The hour axis travels negatively: the goto ends after the approach delay.
  ds_.ApproachDelay = move1 > 0 && (!family_.approachNeedsBacklash || ds_.UseBacklash);
  m.GotoRA = ra;
  m.GotoDec = dec;
  // The watch needs two readings taken during this slew before it may call it settled;
  // comparing with a position from before the goto would end the slew at once.
  ds_.PrevRA = std::numeric_limits<double>::quiet_NaN();
  ds_.PrevDec = std::numeric_limits<double>::quiet_NaN();
  ds_.FreshReading = false;
  host_.TelSlewing(1);
}

void SerialMountDriver::SlewWatchTick() {
  MountState& m = mount();
  if (m.TelState != 2) return;
  // Nothing read since the last tick (a slow main loop, a stalled tick, a reply that did not
  // parse): the position on hand was judged already, and judging it again would call a mount
  // that is still slewing settled.
  if (!ds_.FreshReading) return;
  ds_.FreshReading = false;
  const double lim = family_.slewWatchLimit;
  if (std::fabs(ds_.PrevRA - m.TelRA) < lim && std::fabs(ds_.PrevDec - m.TelDec) < lim) {
    m.TelState = 1;
    ds_.SlewDone = true;
  }
  ds_.PrevRA = m.TelRA;
  ds_.PrevDec = m.TelDec;
}

void SerialMountDriver::UpdateAxisPos() {
  MountState& m = mount();
  int32_t c1 = 0, c2 = 0;
  cal_.TargetToAxisPosition(m.TelRA, m.TelDec, c1, c2);
  m.AxisPos[0] = c1;
  m.AxisPos[1] = c2;
}

void SerialMountDriver::PostProcessStatus() {
  MountState& m = mount();
  m.TelStatus[2] = NumberText(m.TelRA);
  m.TelStatus[3] = NumberText(m.TelDec);
  UpdateAxisPos();
  for (int i = 0; i < 2; ++i) {
    m.AxisDisp[i] = m.AxisPos[i] + m.AxisOfs[i];
    if (m.AxisDisp[i] > m.AxisRev[i] / 2.0) m.AxisDisp[i] -= m.AxisRev[i];
  }
  double az = 0, alt = 0;
  cal_.EquatorialToHorizontal(vb::Val(m.TelStatus[2]), vb::Val(m.TelStatus[3]), az, alt);
  const double altDeg = alt * ACal2::kDegPerRad;
  // The status azimuth counts from the south, as the mounts themselves report it; the main
  // window turns it back to the north (the transform gives it from the north).
  double azSouth = std::fmod(az * ACal2::kDegPerRad + 180.0, 360.0);
  if (azSouth < 0) azSouth += 360.0;
  m.TelStatus[4] = vb::Format(azSouth, QStringLiteral("###0.0"));
  m.TelStatus[5] = vb::Format(altDeg, QStringLiteral("###0.0"));

  if (ds_.SlewDone) {
    if (m.StopRequest) {
      cmdStop();
      m.InMissionCall = kTrue;
      host_.Mission(99, QString());
      m.InMissionCall = kFalse;
      ds_.SlewDone = false;
      return;
    }
    // Cleared before the approach delay: a main-loop tick that runs inside the wait must not
    // complete the same goto a second time.
    ds_.SlewDone = false;
    if (ds_.ApproachDelay) Wait(static_cast<long>(ds_.DelayTime) * 1000);
    m.TelState = 1;
    host_.SendLinkOk();
    host_.TelSlewing(2);
  }
  m.TelStatus[15] = altDeg < m.HorizonLimit ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace orvan
