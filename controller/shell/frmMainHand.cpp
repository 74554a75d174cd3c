// The hand controller: direction buttons held to move, the stop button, three speeds, the
// park button with its confirmation and blinking, and the sync button.
#include "frmMain.h"

#include "Prompter.h"

#include <QGroupBox>
#include <QPushButton>

namespace orvan {

namespace {
const char* kLetters[4] = {"N", "S", "E", "W"};
const QString kNormal = QStringLiteral("background: rgb(64,64,0); color: white;");
const QString kPressed = QStringLiteral("background: rgb(255,255,0); color: black;");
}  // namespace

int16_t frmMain::speedCode() const {
  // Button 0 is the fast rate; with several flags set the highest button wins.
  int16_t code = 0;
  if (speedFlags_[0]) code = 3;
  if (speedFlags_[1]) code = 2;
  if (speedFlags_[2]) code = 1;
  return code;
}

void frmMain::optSpeedOn(int index) {
  for (int i = 0; i < 3; ++i) {
    speedFlags_[i] = i == index;
    optSpeed[i]->setStyleSheet(i == index ? QStringLiteral("background: rgb(255,255,0); color: black;")
                                          : QStringLiteral("background: rgb(64,64,0); color: rgb(192,192,192);"));
  }
}

void frmMain::btnNSWE_MouseDown(int i) {
  btnNSWE[i]->setStyleSheet(kPressed);
  if (i < 4) {
    if (Telescope_) Telescope_->cmdMove(QString::fromLatin1(kLetters[i]), speedCode());
    return;
  }
  BlinkStop();
  if (Telescope_) Telescope_->cmdStop();
  TelSlewing(0);
}

void frmMain::btnNSWE_MouseUp(int i) {
  btnNSWE[i]->setDown(false);
  btnNSWE[i]->setStyleSheet(kNormal);
  if (i < 4 && Telescope_) Telescope_->cmdMove(QString::fromLatin1(kLetters[i]), 9);
}

void frmMain::updateParkMode() {
  const bool mountPark = state_.ParkAZ[0] >= 0 && state_.ParkAlt[0] >= 0;
  const bool domePark = state_.dome.DomeInUse && state_.domeSettings.HomePosition >= 0;
  parkMode_ = mountPark ? (domePark ? 3 : 1) : (domePark ? 2 : 0);
  btnP->setEnabled(parkMode_ != 0);
}

void frmMain::btnP_Click() {
  // Pressing it while it blinks cancels the parking.
  if (BlinkTimer.isActive()) {
    BlinkStop();
    if (Telescope_) Telescope_->cmdStop();
    return;
  }
  QString message;
  switch (parkMode_) {
    case 1: message = QStringLiteral("赤道儀を指定したパーク位置へ移動します。"); break;
    case 2: message = QStringLiteral("ドームを指定したパーク位置へ移動します。"); break;
    case 3: message = QStringLiteral("赤道儀とドームを指定したパーク位置へ移動します。"); break;
    default: return;
  }
  const Answer a = Prompter::current().ask(QStringLiteral("パーク位置へ移動"),
                                           QStringLiteral("「OK」で移動を開始します。\r") + message,
                                           Buttons::OkCancel, Icon::Information);
  if (a != Answer::Ok) return;
  // The park ends with the mount stopped, as a park asked for by a cooperating program does:
  // the stop request stays for the goto's end. The button flashes while something moves.
  if (Park()) BlinkTimer.start(700);
}

}  // namespace orvan
