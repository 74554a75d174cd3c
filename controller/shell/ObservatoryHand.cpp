// The hand controller: direction buttons held to move, the stop button, three rates, and the
// park button with its confirmation and blinking.
#include "Observatory.h"

#include "LinkHandMotion.h"
#include "ObservatoryView.h"
#include "Prompter.h"

namespace orvan {

namespace {
const char* kLetters[4] = {"N", "S", "E", "W"};
}  // namespace

int16_t Observatory::speedCode() const {
  // Button 0 is the fast rate; with several flags set the highest button wins.
  int16_t code = 0;
  if (speedFlags_[0]) code = 3;
  if (speedFlags_[1]) code = 2;
  if (speedFlags_[2]) code = 1;
  return code;
}

void Observatory::optSpeedOn(int index) {
  for (int i = 0; i < 3; ++i) speedFlags_[i] = i == index;
  view_.showSpeed(index);
}

void Observatory::btnNSWE_MouseDown(int i) {
  // The observer's buttons take the mount over from a device program's hand motion.
  if (linkHand_) linkHand_->forget();
  if (i < 4) {
    if (Telescope_) Telescope_->cmdMove(QString::fromLatin1(kLetters[i]), speedCode());
    return;
  }
  BlinkStop();
  if (Telescope_) Telescope_->cmdStop();
  TelSlewing(0);
}

void Observatory::btnNSWE_MouseUp(int i) {
  if (i < 4 && Telescope_) Telescope_->cmdMove(QString::fromLatin1(kLetters[i]), 9);
}

void Observatory::updateParkMode() {
  const bool mountPark = state_.ParkAZ[0] >= 0 && state_.ParkAlt[0] >= 0;
  const bool domePark = state_.dome.DomeInUse && state_.domeSettings.HomePosition >= 0;
  parkMode_ = mountPark ? (domePark ? 3 : 1) : (domePark ? 2 : 0);
  view_.setParkEnabled(parkMode_ != 0);
}

void Observatory::btnP_Click() {
  // Pressing it while it blinks cancels the parking.
  if (BlinkTimer.isActive()) {
    BlinkStop();
    if (Telescope_) Telescope_->cmdStop();
    return;
  }
  QString message;
  switch (parkMode_) {
    case 1: message = tr("赤道儀を指定したパーク位置へ移動します。"); break;
    case 2: message = tr("ドームを指定したパーク位置へ移動します。"); break;
    case 3: message = tr("赤道儀とドームを指定したパーク位置へ移動します。"); break;
    default: return;
  }
  const Answer a = Prompter::current().ask(tr("パーク位置へ移動"),
                                           tr("「OK」で移動を開始します。") + u'\r' + message,
                                           Buttons::OkCancel, Icon::Information);
  if (a != Answer::Ok) return;
  // The park ends with the mount stopped, as a park asked for by a cooperating program does:
  // the stop request stays for the goto's end. The button flashes while something moves.
  if (Park()) BlinkTimer.start(700);
}

}  // namespace orvan
