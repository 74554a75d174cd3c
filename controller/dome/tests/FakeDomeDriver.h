#pragma once
// A dome driver whose relay calls show up as the command numbers of the relay table: the test
// fills entries 21 to 26 with "R21" .. "R26", so `relays` reads like the commands given.
#include "DomeDriver.h"

#include <QStringList>
#include <functional>

namespace orvan::test {

class FakeDomeDriver final : public DomeDriver {
 public:
  explicit FakeDomeDriver(SharedState& s) : DomeDriver(s) {
    for (int k = 21; k <= 26; ++k) s.dome.RelayTable[k] = QStringLiteral("R%1").arg(k).leftJustified(32);
  }
  QStringList relays;  // "R21" .. "R26"
  QStringList calls;   // other operations
  Flag connectResult = kTrue;
  Flag zflagAfterConnect = kFalse;
  uint8_t memoryAfterConnect = 0;
  int32_t count = 0;
  bool indexSeen = false;
  QString sensor = "00";
  bool weatherInputs = true;
  std::function<void()> onGetEnc;

  Flag DomeConnect(Flag c) override {
    calls << QStringLiteral("DomeConnect(%1)").arg(c);
    if (c == kFalse) return kTrue;
    s_.dome.DomeZFlag = zflagAfterConnect;
    s_.dome.DomeZMemory = memoryAfterConnect;
    return connectResult;
  }
  int32_t DomeGetEnc() override {
    if (onGetEnc) onGetEnc();
    s_.mount.AxisDisp[2] = count;
    return count;
  }
  Flag DomeGetZFlag() override {
    calls << "DomeGetZFlag";
    if (s_.dome.DomeZSearching != kFalse && indexSeen) {
      s_.dome.DomeZSearching = kFalse;
      s_.dome.DomeZFlag = kTrue;
    }
    return s_.dome.DomeZFlag;
  }
  Flag DomeSetZflag(Flag f) override {
    calls << QStringLiteral("DomeSetZflag(%1)").arg(f);
    s_.dome.DomeZFlag = f;
    return kFalse;
  }
  Flag DomeZsearch(Flag f) override {
    calls << QStringLiteral("DomeZsearch(%1)").arg(f);
    s_.dome.DomeZSearching = f;
    if (f == kTrue) s_.dome.DomeZFlag = kFalse;
    return kFalse;
  }
  QString GetSensor() override {
    calls << "GetSensor";
    return sensor;
  }
  void SetRelay(const QString& pattern) override { relays << pattern.trimmed(); }
  bool hasWeatherInputs() const override { return weatherInputs; }
};

}  // namespace orvan::test
