#include "FrmQuarn.h"

#include "PortAccess.h"

#include "Clock.h"
#include "IniFile.h"
#include "Prompter.h"
#include "QtSerialLink.h"
#include "SerialTrace.h"
#include "Shared.h"
#include "Vb.h"

#include <cstdlib>
#include <utility>
#include <QCoreApplication>

namespace orvan {

namespace {
// The texts of this file for the translation (the Japanese is the source).
struct Texts {
  Q_DECLARE_TR_FUNCTIONS(FrmQuarn)
};

constexpr int kPollMs = 20;
// A port that reports an event on every attempt would otherwise be written to for ever.
constexpr int kMaxResends = 3;
constexpr int32_t kOffset = 0x800000;
const QString kHomeOn = QString(31, u'*') + u'1';
const QString kHomeOff = QString(31, u'*') + u'0';

bool isHex(const QString& t) {
  for (QChar c : t)
    if (!c.isDigit() && !(c >= u'a' && c <= u'f') && !(c >= u'A' && c <= u'F')) return false;
  return !t.isEmpty();
}

// A 16-bit group as 16 characters "0"/"1", most significant bit first: the controller sends
// output 1 as the top bit of the first group.
QString Num2Bin(unsigned value) {
  QString out(16, u'0');
  for (int i = 0; i < 16; ++i)
    if (value & (0x8000u >> i)) out[i] = u'1';
  return out;
}
}  // namespace

FrmQuarn::FrmQuarn(SharedState& state, QString iniPath, QuarnHost host, std::unique_ptr<SerialLink> link,
                   const QString& programFolder)
    : DomeDriver(state), iniPath_(std::move(iniPath)), host_(std::move(host)),
      link_(link ? std::move(link) : std::make_unique<QtSerialLink>(programFolder)) {
  DomePort = static_cast<int16_t>(state.domeSettings.CommPort);
  QObject::connect(link_.get(), &SerialLink::commEvent, [this](int code) { CommEventCode = code; });
}

FrmQuarn::~FrmQuarn() {
  QObject::disconnect(link_.get(), nullptr, nullptr, nullptr);
  if (link_->isOpen()) link_->close();
}

int32_t FrmQuarn::B2D(const QString& hex6) { return static_cast<int32_t>(hex6.toUInt(nullptr, 16)) - kOffset; }

QString FrmQuarn::D2B(int32_t count) {
  const int64_t v = static_cast<int64_t>(count) + kOffset;
  return QString::number(static_cast<qulonglong>(v) & 0xFFFFFFFFull, 16).toUpper().rightJustified(6, u'0').right(6);
}

bool FrmQuarn::ParseCount(const QString& reply, int32_t& count) {
  if (!reply.startsWith(u"$11") || reply.size() < 24) return false;
  const QString digits = reply.mid(18, 6);
  // A garbled or cut count is no count: the spaces or noise it holds would read as a position.
  if (!isHex(digits)) return false;
  count = B2D(digits);
  return true;
}

// ---- the exchange ----------------------------------------------------------------------------

bool FrmQuarn::askAfterTimeout(const QString& command, float& start) {
  qCDebug(lcSerial).noquote() << "Quarn: no reply to" << command;
  stopMotorsBlind();
  Answer a = Prompter::current().ask(Texts::tr("タイムアウト"),
                                     Texts::tr("Quarnからの応答がありません（受信）") + command,
                                     Buttons::AbortRetryIgnore, Icon::Critical);
  // Escape or the box's close button is Ignore: an accidental key never ends the program.
  if (a != Answer::Abort && a != Answer::Retry) a = Answer::Ignore;
  LastAnswer = static_cast<int16_t>(a);
  WriteIni(iniPath_, "PUBLIC", "FormSizeChange", "2");
  if (a == Answer::Retry) {
    start = static_cast<float>(Clock::current().secondsSinceMidnight());
    return true;
  }
  if (a == Answer::Abort) {
    WriteIni(iniPath_, "PUBLIC", "FormSizeChange", "2");
    abortPending_ = true;
  }
  return false;
}

QString FrmQuarn::SendQuarn(const QString& command) {
  if (DomePort == 0 || givenUp()) return QString();
  // A button pressed while the time-out question is open must not start a second exchange on
  // the same port.
  if (busy_) return QString();
  busy_ = true;
  QByteArray buffer;
  for (int attempt = 0;; ++attempt) {
    link_->discardInput();
    CommEventCode = 0;
    link_->write(command.toLatin1() + '\r');
    qCDebug(lcSerial).noquote() << "Quarn ->" << command;
    buffer.clear();
    float start = static_cast<float>(Clock::current().secondsSinceMidnight());
    while (CommEventCode != comm::kEventOverrun) {
      if (ElapsedSeconds(start) >= kTimeoutSeconds && !askAfterTimeout(command, start)) break;
      link_->waitForInput(kPollMs);
      buffer += link_->readAll();
      dropBlindReplies(buffer, command);
      if (buffer.contains('\r')) break;
    }
    if (CommEventCode != 0 && !givenUp() && attempt < kMaxResends) continue;
    break;
  }
  link_->discardInput();
  busy_ = false;
  qCDebug(lcSerial).noquote() << "Quarn <-" << TraceBytes(buffer);
  const qsizetype dollar = buffer.indexOf('$');
  const QString reply = QString::fromLatin1(dollar >= 0 ? buffer.mid(dollar) : buffer);
  sendPendingStops(buffer.contains('\r'));
  if (givenUp()) {
    if (abortPending_) {
      abortPending_ = false;
      if (host_.abort) host_.abort();
    }
  }
  return reply;
}

void FrmQuarn::sendBlind(const QString& command) {
  if (busy_) return;
  link_->discardInput();
  writeBlind(command);
}

void FrmQuarn::dropBlindReplies(QByteArray& buffer, const QString& command) {
  // The stops written without waiting are answered too, perhaps before the reply the
  // exchange waits for: taken for it, a "$12" would read as an empty relay report (the home
  // lost) or no count.
  if (command.startsWith(u"$12")) return;
  while (blindReplies_ > 0) {
    const qsizetype end = buffer.indexOf('\r');
    if (end < 0) return;
    const qsizetype dollar = buffer.left(end).indexOf('$');
    if (dollar < 0 || buffer.mid(dollar, 3) != "$12") return;
    buffer.remove(0, end + 1);
    --blindReplies_;
  }
}

void FrmQuarn::writeBlind(const QString& command) {
  if (DomePort == 0 || !link_->isOpen()) return;
  ++blindReplies_;
  link_->write(command.toLatin1() + '\r');
  qCDebug(lcSerial).noquote() << "Quarn -> (no wait)" << command;
}

void FrmQuarn::stopMotorsBlind() {
  bool sent = false;
  for (int entry : {23, 26}) {
    if (!isStopPattern(s_.dome.RelayTable[entry])) continue;
    writeBlind(QStringLiteral("$12") + s_.dome.RelayTable[entry] + u'#');
    sent = true;
  }
  if (!sent) return;
  motorsStopped_ = true;
  qCDebug(lcSerial).noquote() << "Quarn: motors stopped without waiting for a reply before asking";
}

void FrmQuarn::sendPendingStops(bool lineAnswered) {
  if (pendingStops_.isEmpty()) return;
  // Given up, the stops still go out once; otherwise they wait for a line that answers.
  if (!givenUp() && !lineAnswered) return;
  const QStringList stops = std::exchange(pendingStops_, {});
  for (const QString& pattern : stops) {
    qCDebug(lcSerial).noquote() << "Quarn: a stop held back during the question goes out now";
    if (givenUp()) sendBlind(QStringLiteral("$12") + pattern + u'#');
    else SendQuarn(QStringLiteral("$12") + pattern + u'#');
  }
}

bool FrmQuarn::isStopPattern(const QString& pattern) const {
  if (!pattern.contains(u'0') && !pattern.contains(u'1')) return false;
  return pattern == s_.dome.RelayTable[23] || pattern == s_.dome.RelayTable[26];
}

// ---- the operations --------------------------------------------------------------------------

Flag FrmQuarn::DomeConnect(Flag connect) {
  if (connect == kFalse) {
    if (link_->isOpen()) link_->close();
    return kTrue;
  }
  if (DomePort == 0 || link_->isOpen()) return kTrue;
  link_->setCommPort(DomePort);
  link_->setSettings(QStringLiteral("9600,n,8,1"));
  link_->setInputLen(0);
  link_->setDTREnable(false);
  link_->setEOFEnable(false);
  link_->setHandshaking(Handshaking::None);
  link_->setInputMode(InputMode::Text);
  link_->setRTSEnable(true);
  if (!link_->open()) {
    Prompter::current().ask(Texts::tr("COMポートオープンエラー(") + vb::Str(static_cast<long long>(link_->openError())) + u')',
                            OpenFailureText(*link_, Texts::tr("Quarn側のCOMポートがOPENできません")), Buttons::Ok,
                            Icon::Critical);
    WriteIni(iniPath_, "PUBLIC", "FormSizeChange", "2");
    return kFalse;
  }
  countRead_ = false;
  countReadLast_ = true;
  pendingStops_.clear();
  blindReplies_ = 0;
  // A controller fresh from power-up reports every output on; it is cleared first.
  if (GetRelay() == QString(32, u'1')) {
    QuarnWait();
    SendQuarn(QStringLiteral("$00"));
  }
  // The relays are latched: a motor a killed program left running runs on until told.
  qCDebug(lcSerial).noquote() << "Quarn: every motor output switched off at connect";
  StopMotors();
  const QString r = GetRelay();
  s_.dome.DomeZMemory = 1;
  s_.dome.DomeZFlag = toFlag(r.size() == 32 && r[31] == u'1');
  return kTrue;
}

int32_t FrmQuarn::DomeGetEnc() {
  QuarnWait();
  LastReply = SendQuarn(QStringLiteral("$11#"));
  int32_t e = s_.mount.AxisDisp[2];
  int32_t raw = 0;
  countReadLast_ = ParseCount(LastReply, raw);
  if (countReadLast_) {
    if (!s_.domeSettings.UpDown) raw = -raw;
    // A dome turns a few degrees a second: a count a quarter turn away from the last one is
    // believed only when the next reading confirms it (a preset or the home mark does).
    const int64_t quarter = std::llabs(static_cast<int64_t>(s_.mount.AxisRev[2])) / 4;
    const auto far = [quarter](int64_t a, int64_t b) { return quarter > 0 && std::llabs(a - b) > quarter; };
    if (!countRead_ || !far(raw, lastRaw_) || (haveSuspect_ && !far(raw, suspect_))) {
      e = raw;
      lastRaw_ = raw;
      countRead_ = true;
      haveSuspect_ = false;
    } else {
      qCDebug(lcSerial).noquote() << "Quarn: count" << raw << "set aside, last" << lastRaw_;
      suspect_ = raw;
      haveSuspect_ = true;
    }
  }
  s_.mount.AxisDisp[2] = e;
  return e;
}

void FrmQuarn::SetRelay(const QString& pattern) {
  QuarnWait();
  if (givenUp() && isStopPattern(pattern)) {
    sendBlind(QStringLiteral("$12") + pattern + u'#');
    return;
  }
  // A stop that falls due while the time-out question is open (the slit's timer) must not be
  // lost with the exchange that is refused: it goes out after the one under way.
  if (busy_ && isStopPattern(pattern)) {
    if (!pendingStops_.contains(pattern)) pendingStops_ << pattern;
    return;
  }
  LastReply = SendQuarn(QStringLiteral("$12") + pattern + u'#');
}

QString FrmQuarn::GetRelay() {
  QuarnWait();
  const QString reply = SendQuarn(QStringLiteral("$13#"));
  if (reply.isEmpty()) return QString();
  const QString w1 = reply.mid(3, 4), w2 = reply.mid(7, 4);
  // A cut or garbled report says nothing about the outputs.
  if (w1.size() != 4 || w2.size() != 4 || !isHex(w1) || !isHex(w2)) return QString();
  return Num2Bin(w1.toUInt(nullptr, 16)) + Num2Bin(w2.toUInt(nullptr, 16));
}

Flag FrmQuarn::DomeSetZflag(Flag flag) {
  if (flag != kTrue && flag != kFalse) return kFalse;
  SendQuarn(QStringLiteral("$090000#"));
  SetRelay(flag == kTrue ? kHomeOn : kHomeOff);
  s_.dome.DomeZFlag = flag;
  return kFalse;
}

Flag FrmQuarn::DomeZsearch(Flag flag) {
  s_.dome.DomeZSearching = flag;
  if (flag == kTrue) {
    SetEnc(3, 4194304);
    SendQuarn(QStringLiteral("$07800000#"));
    SendQuarn(QStringLiteral("$090010#"));
    SetRelay(kHomeOff);
    s_.dome.DomeZFlag = kFalse;
  } else if (flag == kFalse) {
    SendQuarn(QStringLiteral("$090000#"));
  }
  return kFalse;
}

Flag FrmQuarn::DomeGetZFlag() {
  const QString r = GetRelay();
  LastReply = r;
  if (r.size() == 32 && r[31] == u'1') {
    s_.dome.DomeZFlag = kTrue;
    return kTrue;
  }
  s_.dome.DomeZFlag = kFalse;
  if (s_.dome.DomeZSearching != kFalse) {
    LastReply = SendQuarn(QStringLiteral("$0A#"));
    if (LastReply.size() >= 6 && LastReply[5] == u'0') {
      // The counter was preset to 0 at the mark: a jump the next count need not confirm.
      countRead_ = false;
      DomeSetZflag(kTrue);
      s_.dome.DomeZSearching = kFalse;
      s_.dome.DomeZFlag = kTrue;
    }
  }
  return s_.dome.DomeZFlag;
}

void FrmQuarn::SetEnc(int16_t encoder, int32_t value) {
  if (host_.negatePresetForNegativePulses && s_.mount.AxisRev[2] < 0) value = -value;
  QuarnWait();
  SendQuarn(QStringLiteral("$") + QString::number(encoder).rightJustified(2, u'0') + D2B(value));
  countRead_ = false;  // the count starts again from the preset
}

}  // namespace orvan
