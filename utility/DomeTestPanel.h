#pragma once
// The dome test panel ("ドームモータ・カウンターテスト"): the installer connects to the chosen
// dome controller, turns the dome with two hold-to-run buttons, runs the slit while a button
// is held, watches the encoder count (with a zero of their own), checks that the Z mark is
// seen, and reads the raw weather code. It keeps its own copy of the dome state: the
// controller's, if it runs at the same time, is another process's.
#include "DomeDriverBinding.h"
#include "State.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <functional>

namespace orvan {

class DomeTestPanel : public QGroupBox {
  Q_OBJECT
 public:
  // Binds the driver for a controller choice on the panel's state (tests give a fast dome).
  using Binder = std::function<BoundDome(int controller, SharedState& state)>;

  DomeTestPanel(QString iniPath, QString programFolder, QWidget* parent = nullptr);
  ~DomeTestPanel() override;
  void setBinder(Binder binder) { binder_ = std::move(binder); }

  // From the settings tab: the controller choice (0 USB board, 1 serial, 2 none) enables the
  // panel; the port, the count direction, the relay patterns and the polling interval are
  // taken when the panel connects.
  void ControllerSelect(int index);
  void setPort(int port) { port_ = port; }
  void setUpDown(bool up) { upDown_ = up; state_.domeSettings.UpDown = up; }
  void setRelayTable(const std::array<QString, 27>& relay) { relay_ = relay; }
  void setLoopTimer(int ms) { loopMs_ = ms; }

  // Stops both motors and lets the controller go (closing the utility).
  void Disconnect();
  bool PanelConnected() const { return connected_; }
  int32_t CounterZero() const { return counterZero_; }
  const SharedState& state() const { return state_; }
  DomeDriver* driver() const { return bound_.driver.get(); }

  // Controls, named as the panel has always named them.
  std::array<QPushButton*, 4> btnCounter{};   // 0 connect, 1 reset, 2 towards -azimuth, 3 towards +azimuth
  std::array<QPushButton*, 2> btnOpenClose{}; // 0 OPEN, 1 CLOSE
  QLabel* lblCounter = nullptr;
  QCheckBox* chkZ = nullptr;
  QLabel* Label11 = nullptr;  // weather code
  QTimer LoopTimer;

 signals:
  // The controller choice may not change while the panel is connected.
  void connectedChanged(bool connected);

 private:
  void connectClicked();
  void rotationDown(int16_t direction);
  void rotationUp();
  void chkZClicked();
  void tick();
  void Zcolor();
  void WaitTime1(int ms);
  void enableMotorButtons(bool on);

  QString iniPath_, programFolder_;
  Binder binder_;
  SharedState state_;
  BoundDome bound_;
  int controller_ = -1;
  int port_ = 0;
  bool upDown_ = false;
  int loopMs_ = 200;
  std::array<QString, 27> relay_{};
  bool connected_ = false;
  int32_t counterZero_ = 0;
  bool ticking_ = false;
};

}  // namespace orvan
