#include "SerialMountDriver.h"

#include "Clock.h"
#include "CommPorts.h"
#include "Cp932.h"
#include "IniFile.h"
#include "PortAccess.h"
#include "Prompter.h"
#include "SerialTrace.h"
#include "Shared.h"
#include "Vb.h"

#include <QElapsedTimer>

namespace orvan {

namespace {
// Polling step of a transaction wait; the wait itself never dispatches events.
constexpr int kPollMs = 20;
// How long a reply that should close with "#" is read on after its first characters.
constexpr int kHashGracePolls = 25;
}  // namespace

SerialMountDriver::SerialMountDriver(const SerialFamily& family, SharedState& state, MountHost& host, ACal2& cal,
                                     std::unique_ptr<SerialLink> link, const QString& iniPath, QObject* parent)
    : CommonMountDriver(family, state, host, cal, iniPath, parent), family_(family), link_(std::move(link)) {
  connect(link_.get(), &SerialLink::commEvent, this, &SerialMountDriver::OnCommEvent);
}

SerialMountDriver::~SerialMountDriver() {
  disconnect(link_.get(), nullptr, this, nullptr);
  if (link_->isOpen()) link_->close();
}

// ---- port ----------------------------------------------------------------------------------

bool SerialMountDriver::OpenPort() {
  if (link_->isOpen()) return true;
  link_->setSettings(family_.settings);
  link_->setCommPort(CommPortNumber(host().SelectedCommPort()));
  link_->setInputLen(0);
  link_->setDTREnable(false);
  link_->setEOFEnable(false);
  link_->setHandshaking(Handshaking::None);
  link_->setInputMode(InputMode::Text);
  link_->setRTSEnable(family_.rtsEnable);
  link_->setRThreshold(family_.rThreshold);
  link_->setSThreshold(family_.sThreshold);
  bool ok = link_->open();
  for (int i = 0; i < 5 && !ok; ++i) {
    link_->close();
    Wait(500);
    ok = link_->open();
  }
  if (ok) return true;
  Prompter::current().ask(family_.openFailTitle + vb::Str(static_cast<long long>(link_->openError())) + u')',
                          OpenFailureText(*link_, family_.openFailText), Buttons::Ok, Icon::Critical);
  ShowSetupLayout();
  return false;
}

void SerialMountDriver::FinishConnect() {
  ds_.Connected = true;
  // A new connection is a new session: a mount given up on (Ignore or Abort to a time-out)
  // that came back is talked to again once the observer reconnects.
  ds_.LastTimeoutAnswer = 0;
  mount().TelStatus[TelItem::CommFailed] = QStringLiteral("0");
  BeforeStartUp();
  cmdStartUP();
  AfterStartUp();
}

bool SerialMountDriver::Connect() {
  if (link_->isOpen()) return true;
  if (!OpenPort()) return false;
  FinishConnect();
  return true;
}

void SerialMountDriver::BeforeStartUp() { Wait(500); }

void SerialMountDriver::ClosePort() {
  WriteEncoderLog();
  link_->close();
  ds_.Connected = false;
}

void SerialMountDriver::OnCommEvent(int code) {
  mount().CommEventCode = code;
  if (code == comm::kEvEOF && !family_.showsErrorEvents) host().Beep();
  if (family_.showsErrorEvents && code > 1000)
    Prompter::current().ask(QString(), CommErrorText(code), Buttons::Ok, Icon::Critical);
}

// ---- the transaction -----------------------------------------------------------------------

bool SerialMountDriver::WantsHash(const QString& cmd, const QByteArray& reply) const {
  if (reply.contains('#')) return false;
  for (const QString& p : family_.hashReplyPrefixes)
    if (cmd.startsWith(p)) return true;
  // A refused LX200 slew is "1", a text and "#"; an accepted one is the single "0".
  return family_.slewRefusalHasText && cmd.startsWith(u":MS") && !reply.isEmpty() && reply[0] != '0';
}

bool SerialMountDriver::NeverRerun(const QString& cmd) const {
  for (const QString& p : family_.noRerunPrefixes)
    if (cmd.startsWith(p)) return true;
  return false;
}

bool SerialMountDriver::NoReplyExpected(const QString& cmd) const {
  for (const QString& p : family_.noReplyPrefixes)
    if (cmd.startsWith(p)) return true;
  return false;
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
  Answer a = Prompter::current().ask(tr("タイムアウト"), text, Buttons::AbortRetryIgnore, Icon::Critical);
  // A box closed without an answer (Escape, the window's close button) is Ignore: an
  // accidental key never ends the observer's program.
  if (a != Answer::Abort && a != Answer::Retry) a = Answer::Ignore;
  ds_.LastTimeoutAnswer = static_cast<int16_t>(a);
  ShowSetupLayout();
  MountState& m = mount();
  if (a == Answer::Retry) {
    if (family_.timeoutRule == SerialFamily::TimeoutRule::StopAndRerun) {
      rerun = !NeverRerun(cmd);
      return rerun ? WaitOutcome::StopWaiting : WaitOutcome::ReturnEmpty;
    }
    start = static_cast<float>(Clock::current().secondsSinceMidnight());
    return WaitOutcome::KeepWaiting;
  }
  // Abort and Ignore give up communication and stop waiting: a mount that is gone would
  // otherwise bring the same question back for ever. Abort also ends the program, but only
  // once this transaction has returned: the port must not close under its wait.
  m.TelStatus[TelItem::CommFailed] = QStringLiteral("1");
  // Nothing will be heard of a goto under way: it is given up and said so.
  if (AbandonGoto()) {
    m.TelState = 1;
    host().TelSlewing(0);
  }
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
  const bool noReply = NoReplyExpected(cmd);

  QByteArray reply;
  bool rerun = false;
  m.CommEventCode = 0;
  link_->discardInput();
  link_->write(cp932::encode(cmd) + family_.ending);
  // An event or error raised during the wait never sends the command again: a relative move
  // sent twice moves the mount twice. A reply spoilt by it does not parse and is taken as none.
  if (!noReply) {
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
    if (returnEmpty) reply.clear();
  }
  link_->discardInput();
  reply.removeIf([](char c) { return c == '\r' || c == '\n'; });
  ds_.PortBusy = false;
  if (ds_.UnloadPending) {
    ds_.UnloadPending = false;
    host().UnloadMainWindow();
  }
  if (rerun) return SendTelescope(cmd);
  return cp932::decode(reply);
}

bool SerialMountDriver::WaitTelescope() {
  // Single-threaded: a transaction still running is below this call on the stack (a handler
  // run while its time-out question is open), so waiting for it would never end. Wait while
  // the events are dispatched, up to the family's time-out, then give the command up.
  QElapsedTimer t;
  t.start();
  while (ds_.PortBusy && t.elapsed() < family_.timeoutSeconds * 1000LL) Wait(10);
  return !ds_.PortBusy;
}

}  // namespace orvan
