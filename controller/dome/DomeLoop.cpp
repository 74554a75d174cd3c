#include "DomeLoop.h"

#include "Clock.h"
#include "IniFile.h"
#include "Prompter.h"
#include "Shared.h"
#include "Vb.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

Q_LOGGING_CATEGORY(lcDome, "orvan.dome", QtInfoMsg)

namespace orvan {

namespace {
const QString kSection = QStringLiteral("DOME");

bool sameShape(const DomeShape& a, const DomeShape& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}
}  // namespace

DomeLoop::DomeLoop(SharedState& state, ACal2& acal, DomeView& view, QString iniPath, QObject* parent)
    : QObject(parent), s_(state), d_(state.dome), acal_(acal), view_(view), iniPath_(std::move(iniPath)),
      wait_([](long ms) { Wait(ms); }) {
  connect(&nagaoshi_, &QTimer::timeout, this, &DomeLoop::NagaoshiTimer_Timer);
}

DomeLoop::~DomeLoop() = default;

int DomeLoop::LoopInterval() const {
  const double ms = vb::Val(ReadIni(iniPath_, kSection, "LoopTimer"));
  return ms >= 1 && ms <= 3600000 ? static_cast<int>(ms) : 200;
}

int32_t DomeLoop::readSettingCount(const char* key) const {
  const double v = vb::RoundEven(vb::Val(ReadIni(iniPath_, kSection, key)));
  return std::isfinite(v) && std::fabs(v) < 2147483647.0 ? static_cast<int32_t>(v) : 0;
}

// Dome_Auto is inverted: "0" (or nothing) means the dome follows from the start.
bool DomeLoop::readDomeAutoSetting() const { return vb::Val(ReadIni(iniPath_, kSection, "Dome_Auto")) == 0; }

void DomeLoop::DrawReferenceLines() {
  const DomeShape shape = view_.domeShape();
  for (int i = 0; i < 6; ++i) view_.placeReferenceLine(i, DomePicture::Lin(shape, DomePicture::kReferenceAngles[i]));
}

// ---- start-up and disconnection ----------------------------------------------------------

void DomeLoop::StartUp() {
  const int controller = s_.domeSettings.Controller;
  if (!d_.DomeInUse || (controller != 0 && controller != 1) || Dome_ == nullptr || connected_) return;

  // Without pulses per turn no azimuth can be computed; the dome is left alone for this run.
  if (s_.mount.AxisRev[2] == 0) {
    Prompter::current().ask(tr("ドーム設定エラー"),
                            tr("ドームエンコーダのパルス数(ENC3_PULSES)が0です\nドームを使わずに続けます"),
                            Buttons::Ok, Icon::Critical);
    d_.DomeInUse = false;
    view_.setDomePanelsEnabled(false);
    return;
  }

  const int32_t L = readSettingCount("LastEnc");
  if (Dome_->DomeConnect(kTrue) == kFalse) {
    d_.DomeInUse = false;
    view_.setDomePanelsEnabled(false);
    return;
  }
  connected_ = true;
  // The driver switched every motor output off as it connected.
  d_.DomeMotion = 0;
  Dome_->takeMotorsStopped();
  countsLost_ = false;
  unreadCounts_ = 0;
  brake_ = FollowBrake{};
  rainClose_ = vb::Val(ReadIni(iniPath_, QStringLiteral("Option"), QStringLiteral("RainClose"))) == 1;

  if (!Dome_->hasPort()) {
    // Connected with nothing behind it (no port for the dome controller): there is no home
    // to look for and nothing to follow, and the stored alignment stays as it is.
    view_.showHomeFound(false);
    view_.showHomeSearchNotice(false, QString());
    view_.setDomePanelsEnabled(false);
    return;
  }

  if (s_.domeSettings.Dome_LimitSWC) {
    if (d_.DomeZFlag != kFalse) {
      view_.showHomeFound(true);
      view_.showHomeSearchNotice(false, QString());
      s_.mount.AxisOfs[2] = readSettingCount("DOME_Z_CW");
    } else {
      view_.showHomeFound(false);
      view_.closeStartupWaitWindow();
      const Answer a = Prompter::current().ask(
          tr("ドーム原点"),
          tr("ドームの原点検出を行いますか？\nOKボタンで右回転して原点を検出します。"),
          Buttons::OkCancel, Icon::Question);
      if (a == Answer::Ok) {
        view_.showHomeSearchNotice(true, tr("\nドーム原点を検索中"));
        searchElapsedMs_ = 0;
        Mission(MissionCode::DomeRotateIncreasing);
        wait_(100);
        if (!connected_) return;
        Dome_->DomeZsearch(kTrue);
      } else {
        view_.showHomeFound(true);
        // Declined: the dome keeps the alignment it had when it was last put away, taken
        // against the count the board kept, rather than an offset of 0 that would aim it
        // anywhere.
        s_.mount.AxisOfs[2] = static_cast<int32_t>(static_cast<int64_t>(L) - Dome_->DomeGetEnc());
        Dome_->DomeSetZflag(kTrue);
        view_.showHomeSearchNotice(false, QString());
      }
    }
  } else {
    if (d_.DomeZMemory == 0) {
      // The count the board kept (0 after a power cycle) is read first, so a restart without
      // a power cycle lands on the same azimuth.
      const int32_t e = Dome_->DomeGetEnc();
      s_.mount.AxisOfs[2] = static_cast<int32_t>(static_cast<int64_t>(L) - e);
    } else if (d_.DomeZMemory == 1) {
      s_.mount.AxisOfs[2] = readSettingCount("DOME_Z_CW");
    }
    view_.showHomeFound(true);
    Dome_->DomeSetZflag(kTrue);
    view_.showHomeSearchNotice(false, QString());
  }

  view_.setDomePanelsEnabled(true);
  if (readDomeAutoSetting() && d_.DomeZFlag != kFalse) switchFollowingOn();
}

void DomeLoop::Disconnect() {
  nagaoshi_.stop();
  if (!connected_ || Dome_ == nullptr) return;
  noteDriverStop();
  const bool wasTurning = d_.DomeMotion != 0 || reversing_;
  Mission(MissionCode::DomeStop);
  // Whatever the loop believes, nothing may run on once the program has let the dome go: the
  // relays hold what they were last told. The slit's timer has stopped with the window's.
  if (connected_ && !wasTurning) Dome_->DomeRotation(0);
  if (connected_) Mission(MissionCode::SlitStop);
  // Let the run-on finish so the alignment kept is where the dome really stands.
  if (wasTurning && connected_) {
    d_.DomePrevAngle = d_.DomeAngle;
    DomeWait();
  }
  if (!connected_) return;
  Dome_->DomeGetEnc();
  // Only an aligned dome has an alignment worth keeping; an unfinished home search would
  // overwrite the stored one with nonsense.
  // Nor is one taken from a count the controller stopped giving.
  if (d_.DomeZFlag != kFalse && Dome_->countReadLast()) WriteAlignment();
  connected_ = false;
  reversing_ = false;
  Dome_->DomeConnect(kFalse);
}

void DomeLoop::WriteAlignment() {
  const int64_t rev = s_.mount.AxisRev[2];
  // Without a count read from the controller (a silent one, or a preset not yet read back)
  // the stored alignment stays as it is.
  if (rev == 0 || (Dome_ && !Dome_->hasCount())) return;
  const int64_t ofs = s_.mount.AxisOfs[2];
  const int64_t lastEnc = (static_cast<int64_t>(s_.mount.AxisDisp[2]) + ofs) % rev;
  WriteIni(iniPath_, kSection, "LastEnc", vb::Str(static_cast<long long>(lastEnc)));
  WriteIni(iniPath_, kSection, "DOME_Z_CW", vb::Str(static_cast<long long>(ofs % rev)));
}

// ---- the loop ------------------------------------------------------------------------------

DomeGeometry DomeLoop::geometry() const {
  DomeGeometry g;
  g.rev0 = s_.mount.AxisRev[0];
  g.rev1 = s_.mount.AxisRev[1];
  g.SiteLatitude = s_.site.SiteLatitude;
  g.DOME_RADIUS = s_.domeSettings.DOME_RADIUS;
  g.CENTER_OF_G_EW = s_.domeSettings.CENTER_OF_G_EW;
  g.CENTER_OF_G_SN = s_.domeSettings.CENTER_OF_G_SN;
  g.CENTER_OF_G_UD = s_.domeSettings.CENTER_OF_G_UD;
  g.CENTER_OF_G_COLLMATION = s_.domeSettings.CENTER_OF_G_COLLMATION;
  return g;
}

void DomeLoop::selectTarget() {
  // Where there is no answer (see DomeSlaveAzimuth) the previous target stays.
  switch (d_.DomeTargetMode) {
    case 0:
      DomeSlaveAzimuth(geometry(), s_.mount.AxisDisp[0], s_.mount.AxisDisp[1], d_.DomeTarget);
      break;
    case 1: {
      int32_t t1 = 0, t2 = 0, m1 = 0, m2 = 0;
      acal_.TargetToAxisCounts(vb::RoundEven(s_.mount.GotoRA), vb::RoundEven(s_.mount.GotoDec), t1, t2, m1, m2);
      DomeSlaveAzimuth(geometry(), t1, t2, d_.DomeTarget);
      break;
    }
    case 2:
      d_.DomeTarget = static_cast<float>(s_.domeSettings.HomePosition);
      break;
    default:
      break;
  }
}

void DomeLoop::DomeLoopTimer_Timer() {
  if (!d_.DomeInUse || !connected_ || tickRunning_) return;
  tickRunning_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{tickRunning_};

  noteDriverStop();
  if (d_.DomeZFlag != kFalse) {
    readAngle();
    if (!connected_) return;
    selectTarget();
    // An idle dome under a tracking telescope shows the same two numbers for minutes: the
    // captions and marks are worked out again only when a number or the picture changed.
    const DomeShape shape = view_.domeShape();
    // Without a count the last angle would pass for the dome's: it shows none.
    if (countsLost_) {
      shown_.valid = false;
    } else if (!shown_.valid || shown_.angle != d_.DomeAngle || shown_.target != d_.DomeTarget || !sameShape(shown_.shape, shape)) {
      captions_[0] = vb::Format(d_.DomeAngle, "#0.0");
      view_.setDomeAzimuthCaption(0, captions_[0]);
      captions_[1] = vb::Format(d_.DomeTarget, "#0.0");
      view_.setDomeAzimuthCaption(1, captions_[1]);
      DomeReCalc();
      shown_ = {true, d_.DomeAngle, d_.DomeTarget, shape};
    }
  }

  // Following needs a known home and a count: without them the angle means nothing.
  if (d_.DomeAuto && d_.DomeZFlag != kFalse && !countsLost_) {
    d_.DomeError = DomeAngleError(d_.DomeAngle, d_.DomeTarget);
    if (d_.DomeAutoRun) {
      // A telescope at or below the horizon (or one that reports no altitude) is not followed,
      // and the home search waits; the weather is still read, or a parked telescope would
      // hide a power failure or rain from the observer.
      if (s_.mount.TelAltitude <= 0) {
        PollSensors();
        return;
      }
      follow();
      if (!connected_) return;
    }
  }

  if (d_.DomeZSearching != kFalse) {
    if (Dome_->DomeGetZFlag() != kFalse) {
      homeFound();
    } else if ((searchElapsedMs_ += LoopInterval()) > kHomeSearchLimitMs) {
      // The Z mark never came: stop rather than turn the dome for ever.
      Mission(MissionCode::DomeStop);
      Dome_->DomeZsearch(kFalse);
      view_.showHomeSearchNotice(false, QString());
      Prompter::current().ask(tr("ドーム原点"),
                              tr("ドームの原点が見つかりません\nドームを止めました"),
                              Buttons::Ok, Icon::Critical);
    }
    if (!connected_) return;
  }

  PollSensors();
}

void DomeLoop::readAngle() {
  // The program's clock, so a rehearsal on a clock of its own sees its own speeds.
  const double asked = Clock::current().secondsSinceMidnight();
  const float angle = Dome_->DomeGetAngle();
  const double at = Clock::current().secondsSinceMidnight();
  noteDriverStop();
  if (!Dome_->countReadLast()) {
    countsUnread();
    return;
  }
  d_.DomeAngle = angle;
  brake_.reading(angle, d_.DomeMotion, at, at - asked);
  countsBack();
}

void DomeLoop::countsUnread() {
  brake_.forget();
  if (countsLost_ || ++unreadCounts_ < kUnreadCountLimit) return;
  // Turning toward a target it cannot see, the dome would wind itself into its cables.
  countsLost_ = true;
  qCWarning(lcDome) << "no count from the dome controller" << unreadCounts_ << "times in a row: dome stopped";
  Mission(MissionCode::DomeStop);
  view_.setDomeAzimuthCaption(0, QStringLiteral("---.-"));
  view_.showHomeSearchNotice(true, tr("\nドームの位置が読めません\nドームを止めました"));
}

void DomeLoop::countsBack() {
  unreadCounts_ = 0;
  if (!countsLost_) return;
  countsLost_ = false;
  qCInfo(lcDome) << "counts from the dome controller again: following resumes";
  if (d_.DomeZSearching != kFalse)
    view_.showHomeSearchNotice(true, tr("\nドーム原点を検索中"));
  else
    view_.showHomeSearchNotice(false, QString());
}

void DomeLoop::noteDriverStop() {
  if (Dome_ == nullptr || !Dome_->takeMotorsStopped()) return;
  d_.DomeMotion = 0;
  view_.setRotationLamp(0, Lamp::Idle);
  view_.setRotationLamp(1, Lamp::Idle);
  if (d_.SlitState == 1 || d_.SlitState == -1) {
    // Stopped part-way: neither open nor closed.
    d_.SlitState = 0;
    d_.SlitCountdown = 0;
    view_.setSlitLamp(0, Lamp::Idle);
    view_.setSlitLamp(1, Lamp::Idle);
  }
}

void DomeLoop::follow() {
  switch (brake_.decide(d_.DomeError, d_.DomeMotion, s_.domeSettings.DOME_REVOLVE)) {
    case 0: Mission(MissionCode::DomeStop); break;
    case 1: Mission(MissionCode::DomeRotateIncreasing); break;
    case -1: Mission(MissionCode::DomeRotateDecreasing); break;
    default: break;
  }
}

void DomeLoop::PollSensors() {
  if (!s_.SensorFitted[0] && !s_.SensorFitted[1]) return;
  // A controller without weather inputs knows nothing of the weather: unknown, never clear.
  QString code = Dome_->hasWeatherInputs() ? Dome_->GetSensor() : QStringLiteral("??");
  if (code.isEmpty()) return;  // nothing new this tick
  if (code.size() != 2) code = QStringLiteral("??");
  // An input with no sensor on it reads as anything: it is shown as not fitted and never acts.
  for (int i = 0; i < 2; ++i)
    if (!s_.SensorFitted[i]) code[i] = u'-';
  view_.reportWeather(code);
  // Beyond reporting, only when Option/RainClose is 1: an unattended dome shuts its slit
  // while rain or snow is reported. A slit already closed or closing is left alone.
  if (rainClose_ && connected_ && code[1] == u'1' && d_.SlitState != -2 && d_.SlitState != -1) Mission(MissionCode::SlitClose);
}

void DomeLoop::homeFound() {
  Mission(MissionCode::DomeStop);
  view_.showHomeFound(true);
  s_.mount.AxisOfs[2] = readSettingCount("DOME_Z_CW");
  view_.showHomeSearchNotice(false, QString());
  if (readDomeAutoSetting()) switchFollowingOn();
}

void DomeLoop::DomeReCalc() {
  const DomeShape shape = view_.domeShape();
  view_.placeDomeMark(0, DomePicture::Mark(shape, captions_[0], DomePicture::kDomeMarkLength));
  view_.placeDomeMark(1, DomePicture::Mark(shape, captions_[1], DomePicture::kTargetMarkLength));
}

void DomeLoop::OneSecTimer_Timer() {
  noteDriverStop();
  if (!d_.DomeInUse || d_.SlitState == 0 || d_.SlitCountdown <= 0) return;
  --d_.SlitCountdown;
  if (d_.SlitCountdown >= 1) return;
  // There is no end switch: after SLIT_TIMER seconds the slit counts as fully moved.
  if (d_.SlitState == -1) {
    d_.SlitState = -2;
    view_.setSlitLamp(1, Lamp::Done);
    Mission(MissionCode::SlitStop);
  } else if (d_.SlitState == 1) {
    d_.SlitState = 2;
    view_.setSlitLamp(0, Lamp::Done);
    Mission(MissionCode::SlitStop);
  }
}

// ---- dispatcher commands --------------------------------------------------------------------

void DomeLoop::Mission(int code) {
  Mission(static_cast<MissionCode>(code));
}

void DomeLoop::Mission(MissionCode code) {
  switch (code) {
    case MissionCode::DomeRotateDecreasing: rotate(-1); break;
    case MissionCode::DomeRotateIncreasing: rotate(1); break;
    case MissionCode::DomeStop: stopRotation(); break;
    case MissionCode::SlitOpen: openSlit(1); break;
    case MissionCode::SlitClose: openSlit(-1); break;
    case MissionCode::SlitStop: stopSlit(); break;
    default: break;
  }
}

void DomeLoop::rotate(int16_t direction) {
  if (!connected_) return;  // no dome: nothing to show either
  noteDriverStop();
  view_.setRotationLamp(direction < 0 ? 0 : 1, Lamp::Active);
  view_.setRotationLamp(direction < 0 ? 1 : 0, Lamp::Idle);
  if (reversing_) {
    pendingMotion_ = direction;  // the reversal under way will start this way
    return;
  }
  if (d_.DomeMotion == direction) return;
  if (d_.DomeMotion == -direction) {
    // A reversal stops, waits until the dome stands still, then starts the other way.
    Dome_->DomeRotation(0);
    d_.DomeMotion = 0;
    d_.DomePrevAngle = d_.DomeAngle;
    reversing_ = true;
    pendingMotion_ = direction;
    const bool still = DomeWait();
    reversing_ = false;
    if (!still || !connected_ || pendingMotion_ == 0) return;
    direction = pendingMotion_;
  }
  Dome_->DomeRotation(direction);
  d_.DomeMotion = direction;
}

void DomeLoop::stopRotation() {
  if (!connected_) return;
  view_.setRotationLamp(0, Lamp::Idle);
  view_.setRotationLamp(1, Lamp::Idle);
  if (reversing_) pendingMotion_ = 0;
  if (d_.DomeMotion == 0) return;
  Dome_->DomeRotation(0);
  d_.DomeMotion = 0;
}

bool DomeLoop::DomeWait() {
  for (int checks = 0;; ++checks) {
    if (!connected_) return false;
    d_.DomeAngle = Dome_->DomeGetAngle();
    if (d_.DomeAngle == d_.DomePrevAngle) return true;
    if (checks >= kDomeWaitChecks) {
      reportDomeStillMoving();
      return false;
    }
    wait_(1000);
    d_.DomePrevAngle = d_.DomeAngle;
  }
}

void DomeLoop::reportDomeStillMoving() {
  // The encoder keeps changing with the motor switched off: the observer must look at the
  // dome. It is left stopped and following is switched off until they switch it on again.
  Dome_->DomeRotation(0);
  d_.DomeMotion = 0;
  pendingMotion_ = 0;
  d_.DomeAuto = false;
  d_.DomeAutoRun = false;
  view_.setRotationLamp(0, Lamp::Idle);
  view_.setRotationLamp(1, Lamp::Idle);
  view_.setRotationLamp(2, Lamp::Idle);
  Prompter::current().ask(tr("ドーム"),
                          tr("ドームが停止しません\nドームの追尾を止めました"),
                          Buttons::Ok, Icon::Critical);
}

// The one-second tick runs on its own phase, so its first count may come at once after the
// start: counting SLIT_TIMER ticks would stop the motor up to a second early and call a slit
// "closed" that is still open a hand's width. One tick more lets the motor run at least
// SLIT_TIMER seconds (and at most one more, which the slit's own end stops take).
// SLIT_TIMER 0 keeps the slit running until the observer stops it.
int16_t DomeLoop::slitTicks(int32_t slitTimer) {
  if (slitTimer <= 0) return 0;
  return static_cast<int16_t>(std::min<int32_t>(slitTimer, INT16_MAX - 1) + 1);
}

void DomeLoop::openSlit(int16_t direction) {
  if (!connected_) return;
  noteDriverStop();
  const int16_t done = direction > 0 ? 2 : -2;
  if (d_.SlitState == done) return;
  ++slitCommands_;
  if (d_.SlitState == -direction) {
    Mission(MissionCode::SlitStop);
    const unsigned mine = slitCommands_;
    wait_(1000);
    // Another slit command during the pause is the later wish of the observer: it wins.
    if (mine != slitCommands_ || !connected_) return;
  }
  d_.SlitState = direction;
  d_.SlitCountdown = slitTicks(s_.domeSettings.SLIT_TIMER);
  view_.setSlitLamp(direction > 0 ? 0 : 1, Lamp::Active);
  view_.setSlitLamp(direction > 0 ? 1 : 0, Lamp::Idle);
  Dome_->DomeSlit(direction);
}

void DomeLoop::stopSlit() {
  if (!connected_) return;
  ++slitCommands_;
  if (d_.SlitState == 1 || d_.SlitState == -1) {
    d_.SlitState = 0;
    view_.setSlitLamp(0, Lamp::Idle);
    view_.setSlitLamp(1, Lamp::Idle);
  }
  Dome_->DomeSlit(0);
}

void DomeLoop::TelSlewing(int code) {
  if (!d_.DomeInUse) return;
  if (code == 1) {
    d_.DomeTargetMode = 1;
    return;
  }
  if (code != 0 && code != 2) return;
  Mission(MissionCode::DomeStop);
  // A completed goto leaves a parked dome at its home; hand motion or a stop hands the dome
  // back to the telescope.
  if (!(code == 2 && d_.DomeTargetMode == 2)) d_.DomeTargetMode = 0;
  d_.DomeAutoRun = d_.DomeAuto;
}

// ---- buttons --------------------------------------------------------------------------------

void DomeLoop::BtnDomeLR_MouseDown(int index) {
  if (index == 0 || index == 1) {
    d_.DomeAutoRun = false;
    Mission(index == 0 ? MissionCode::DomeRotateDecreasing : MissionCode::DomeRotateIncreasing);
  } else if (index == 2) {
    nagaoshi_.start(kLongPressMs);
  }
}

void DomeLoop::BtnDomeLR_MouseUp(int index) {
  if (index == 2) {
    nagaoshi_.stop();
    return;
  }
  if (index != 0 && index != 1) return;
  Mission(MissionCode::DomeStop);
  if (d_.DomeAuto && connected_) {
    // The operator turned the dome until the slit framed the telescope: that is the target.
    d_.DomeAngle = Dome_->DomeGetAngle();
    alignToTarget();
    WriteAlignment();
    d_.DomeAutoRun = true;
  }
}

void DomeLoop::alignToTarget() {
  const double counts = static_cast<double>(d_.DomeTarget) * s_.mount.AxisRev[2] / 360.0 - s_.mount.AxisDisp[2];
  s_.mount.AxisOfs[2] = static_cast<int32_t>(vb::RoundEven(counts));
}

void DomeLoop::BtnDomeLR_Click(int index) {
  if (index != 2) return;
  d_.DomeAuto = !d_.DomeAuto;
  d_.DomeAutoRun = d_.DomeAuto;
  if (d_.DomeAuto) {
    view_.setRotationLamp(2, Lamp::Active);
  } else {
    view_.setRotationLamp(2, Lamp::Idle);
    Mission(MissionCode::DomeStop);
  }
}

void DomeLoop::switchFollowingOn() {
  if (!d_.DomeAuto) BtnDomeLR_Click(2);
}

void DomeLoop::NagaoshiTimer_Timer() {
  nagaoshi_.stop();
  Mission(MissionCode::DomeStop);
  if (connected_) {
    d_.DomeAngle = Dome_->DomeGetAngle();
    alignToTarget();
  }
  // Following goes off here; the click that comes with the release turns it on again, now
  // from the aligned position.
  d_.DomeAuto = false;
  d_.DomeAutoRun = false;
  view_.setRotationLamp(2, Lamp::Active);
  if (connected_) WriteAlignment();
}

void DomeLoop::btnDomeSlit_MouseDown(int index) {
  if (index == 0) Mission(d_.SlitState == 1 ? MissionCode::SlitStop : MissionCode::SlitOpen);
  else if (index == 1) Mission(d_.SlitState == -1 ? MissionCode::SlitStop : MissionCode::SlitClose);
}

}  // namespace orvan
