#include "DomeTestPanel.h"

#include "Shared.h"
#include "Vb.h"

#include <QGridLayout>

namespace orvan {

DomeTestPanel::DomeTestPanel(QString iniPath, QString programFolder, QWidget* parent)
    : QGroupBox(tr("ドームモータ・カウンターテスト"), parent), iniPath_(std::move(iniPath)),
      programFolder_(std::move(programFolder)) {
  setObjectName(QStringLiteral("Frame5"));
  auto* grid = new QGridLayout(this);
  const char* captions[4] = {QT_TR_NOOP("接続"), QT_TR_NOOP("リセット"), QT_TR_NOOP("◀ 左回転"), QT_TR_NOOP("右回転 ▶")};
  for (int k = 0; k < 4; ++k) {
    btnCounter[k] = new QPushButton(tr(captions[k]), this);
    btnCounter[k]->setObjectName(QStringLiteral("btnCounter%1").arg(k));
  }
  btnOpenClose[0] = new QPushButton(QStringLiteral("OPEN"), this);
  btnOpenClose[1] = new QPushButton(QStringLiteral("CLOSE"), this);
  btnOpenClose[0]->setObjectName(QStringLiteral("btnOpenClose0"));
  btnOpenClose[1]->setObjectName(QStringLiteral("btnOpenClose1"));
  lblCounter = new QLabel(QStringLiteral("0"), this);
  lblCounter->setObjectName(QStringLiteral("lblCounter"));
  lblCounter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblCounter->setMinimumWidth(120);
  lblCounter->setFrameShape(QFrame::Panel);
  lblCounter->setFrameShadow(QFrame::Sunken);
  lblCounter->setAutoFillBackground(true);
  chkZ = new QCheckBox(tr("Z相確認"), this);
  chkZ->setObjectName(QStringLiteral("chkZ"));
  Label11 = new QLabel(this);
  Label11->setObjectName(QStringLiteral("Label11"));
  Label11->setMinimumWidth(40);

  grid->addWidget(btnCounter[0], 0, 0);
  grid->addWidget(lblCounter, 0, 1);
  grid->addWidget(btnCounter[1], 0, 2);
  grid->addWidget(btnCounter[2], 1, 0);
  grid->addWidget(chkZ, 1, 1, Qt::AlignCenter);
  grid->addWidget(btnCounter[3], 1, 2);
  grid->addWidget(new QLabel(tr("スリット"), this), 2, 0);
  grid->addWidget(btnOpenClose[0], 2, 1);
  grid->addWidget(btnOpenClose[1], 2, 2);
  grid->addWidget(new QLabel(tr("気象センサ"), this), 3, 0);
  grid->addWidget(Label11, 3, 1);

  // The start of the panel: motors off, the count hidden until connected.
  enableMotorButtons(false);
  lblCounter->setVisible(false);

  connect(btnCounter[0], &QPushButton::clicked, this, &DomeTestPanel::connectClicked);
  connect(btnCounter[1], &QPushButton::clicked, this, [this] { counterZero_ = state_.mount.AxisDisp[2]; });
  // Hold to run: the motor runs only while the button is held down.
  connect(btnCounter[2], &QPushButton::pressed, this, [this] { rotationDown(-1); });
  connect(btnCounter[3], &QPushButton::pressed, this, [this] { rotationDown(1); });
  connect(btnCounter[2], &QPushButton::released, this, &DomeTestPanel::rotationUp);
  connect(btnCounter[3], &QPushButton::released, this, &DomeTestPanel::rotationUp);
  for (int k = 0; k < 2; ++k) {
    connect(btnOpenClose[k], &QPushButton::pressed, this, [this, k] {
      if (bound_.driver) bound_.driver->DomeSlit(k == 0 ? 1 : -1);
    });
    connect(btnOpenClose[k], &QPushButton::released, this, [this] {
      if (bound_.driver) bound_.driver->DomeSlit(0);
    });
  }
  connect(chkZ, &QCheckBox::clicked, this, &DomeTestPanel::chkZClicked);
  connect(&LoopTimer, &QTimer::timeout, this, &DomeTestPanel::tick);
}

DomeTestPanel::~DomeTestPanel() { Disconnect(); }

void DomeTestPanel::enableMotorButtons(bool on) {
  btnCounter[2]->setEnabled(on);
  btnCounter[3]->setEnabled(on);
  btnOpenClose[0]->setEnabled(on);
  btnOpenClose[1]->setEnabled(on);
  chkZ->setEnabled(on);
}

void DomeTestPanel::ControllerSelect(int index) {
  if (index < 0 || index > 2 || connected_) return;
  controller_ = index;
  // Without a dome controller there is nothing to test.
  setEnabled(index != 2);
}

void DomeTestPanel::WaitTime1(int ms) { Wait(ms); }

void DomeTestPanel::connectClicked() {
  if (!connected_) {
    if (controller_ != 0 && controller_ != 1) return;
    // The panel's own dome state, from what the settings tab shows now.
    state_ = SharedState{};
    for (int n = 0; n < 27; ++n) state_.dome.RelayTable[n] = relay_[n].left(32).leftJustified(32, u' ');
    state_.domeSettings.UpDown = upDown_;
    state_.domeSettings.Controller = controller_;
    state_.domeSettings.CommPort = controller_ == 1 ? port_ : 0;
    QuarnHost host;
    host.negatePresetForNegativePulses = false;  // the utility keeps no pulse counts
    bound_ = binder_ ? binder_(controller_, state_)
                     : BindDomeDriver(controller_, state_, programFolder_, iniPath_, nullptr, host);
    if (!bound_.driver) return;
    // A controller that cannot be reached leaves the panel disconnected (the driver has said why).
    if (bound_.driver->DomeConnect(kTrue) == kFalse) {
      bound_ = BoundDome{};
      Zcolor();
      return;
    }
    connected_ = true;
    // The driver switched every motor output off as it connected: a motor left running by a
    // program that was killed stops before the installer touches anything.
    btnCounter[0]->setText(tr("切断"));
    enableMotorButtons(true);
    lblCounter->setVisible(true);
    counterZero_ = 0;
    LoopTimer.setInterval(loopMs_ > 0 ? loopMs_ : 200);
    LoopTimer.start();
    emit connectedChanged(true);
    tick();
  } else {
    Disconnect();
  }
  Zcolor();
}

void DomeTestPanel::Disconnect() {
  LoopTimer.stop();
  if (bound_.driver && connected_) {
    // Nothing keeps running once nobody holds a button.
    bound_.driver->DomeRotation(0);
    bound_.driver->DomeSlit(0);
    bound_.driver->DomeConnect(kFalse);
  }
  bound_ = BoundDome{};
  const bool was = connected_;
  connected_ = false;
  btnCounter[0]->setText(tr("接続"));
  enableMotorButtons(false);
  lblCounter->setVisible(false);
  if (was) emit connectedChanged(false);
}

void DomeTestPanel::rotationDown(int16_t direction) {
  if (!bound_.driver) return;
  bound_.driver->DomeRotation(direction);
  if (chkZ->isChecked()) {
    // Arm the Z detection only once the motor has started.
    WaitTime1(100);
    if (bound_.driver) bound_.driver->DomeZsearch(kTrue);
  }
}

void DomeTestPanel::rotationUp() {
  if (!bound_.driver) return;
  if (chkZ->isChecked()) bound_.driver->DomeZsearch(kFalse);
  bound_.driver->DomeRotation(0);
  if (chkZ->isChecked()) {
    WaitTime1(100);
    if (bound_.driver) bound_.driver->DomeZsearch(kTrue);
  }
}

void DomeTestPanel::chkZClicked() {
  if (chkZ->isChecked() && bound_.driver) {
    // Clears the home state and any latch still pending: the next detection is a fresh one.
    bound_.driver->DomeZsearch(kTrue);
    bound_.driver->DomeZsearch(kFalse);
  }
  Zcolor();
}

void DomeTestPanel::tick() {
  if (!bound_.driver || ticking_) return;
  ticking_ = true;
  state_.mount.AxisDisp[2] = bound_.driver->DomeGetEnc();
  lblCounter->setText(vb::Str(static_cast<long long>(state_.mount.AxisDisp[2]) - counterZero_));
  if (bound_.driver && chkZ->isChecked() && bound_.driver->DomeGetZFlag() == kTrue) {
    chkZ->setChecked(false);
    Zcolor();
  }
  // The board reports its inputs only every so many reads and "nothing to report" between:
  // the last code stays in view. A controller without inputs says so rather than nothing.
  if (bound_.driver && !bound_.driver->hasWeatherInputs()) {
    Label11->setText(tr("気象入力なし"));
  } else if (bound_.driver) {
    const QString code = bound_.driver->GetSensor();
    if (!code.isEmpty()) Label11->setText(code);
  }
  ticking_ = false;
}

void DomeTestPanel::Zcolor() {
  QColor c;
  if (state_.dome.DomeZFlag == kTrue) c = QColor(255, 192, 128);
  else if (state_.dome.DomeZFlag == kFalse) c = QColor(128, 255, 255);
  else return;
  QPalette p = lblCounter->palette();
  p.setColor(QPalette::Window, c);
  lblCounter->setPalette(p);
}

}  // namespace orvan
