#pragma once
// The dome driver for the Orvan dome controller: a USB counter and I/O board whose relay
// outputs switch the rotation and slit motors and whose counter reads the dome encoder.
//   port 0: outputs 1..8 (bit 0 = output 1), port 1: outputs 9..16,
//   port 2: weather inputs (low nibble, active low); its direction code is the home memory.
// Any failure of the board library ends the program after naming the failed function.
#include "DomeDriver.h"
#include "Epx30sc.h"

#include <QString>
#include <array>

namespace orvan {

class FrmOrvanOS final : public DomeDriver {
 public:
  FrmOrvanOS(SharedState& state, Epx30sc& board, QString iniPath);

  Flag DomeConnect(Flag connect) override;
  int32_t DomeGetEnc() override;
  Flag DomeGetZFlag() override;
  Flag DomeSetZflag(Flag flag) override;
  Flag DomeZsearch(Flag flag) override;
  QString GetSensor() override;
  void SetRelay(const QString& pattern) override;
  QString simulationNotice() const override;

  // Driver fields, valid while connected.
  int32_t BoardHandle = 0;
  int32_t LastResult = 0;
  int32_t DeviceCount = 0;
  int32_t LatchFlag = 0;
  int32_t LatchValue = 0;
  QString OutputState = QString(24, u'0');
  std::array<int16_t, 5> PortValue{};
  int16_t SensorRepeat = 0;

 private:
  // Closes the board when it was opened, names the failed function, ends the program.
  void fail(const char* function);

  Epx30sc& board_;
  QString iniPath_;
  bool opened_ = false;
};

}  // namespace orvan
