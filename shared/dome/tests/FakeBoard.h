#pragma once
// A board library that records every call and answers from fields the test sets.
#include "Epx30sc.h"

#include <QString>
#include <QStringList>
#include <array>
#include <map>

namespace orvan::test {

class FakeBoard final : public Epx30sc {
 public:
  QStringList calls;
  std::map<QString, int32_t> failing;  // function name -> result code
  int32_t devices = 1;
  int32_t counter = 0;
  int32_t latchFlag = 0, latchValue = 0;
  std::array<uint8_t, 3> direction{};
  std::array<uint8_t, 3> written{};
  uint8_t input2 = 255;
  // What the driver has set up on the board (-1: never set).
  bool open = false;
  int32_t counterMode = -1, counterDirection = -1, counterControl = -1;

  int32_t result(const char* fn, const QString& args = {}) {
    calls << QString::fromLatin1(fn) + (args.isEmpty() ? QString() : "(" + args + ")");
    auto it = failing.find(QString::fromLatin1(fn));
    return it == failing.end() ? 0 : it->second;
  }
  int32_t EPX30SC_GetNumberOfDevices(int32_t& c) override { c = devices; return result("GetNumberOfDevices"); }
  int32_t EPX30SC_Open(int32_t& h) override {
    h = 77;
    const int32_t r = result("Open");
    open = r == 0;
    return r;
  }
  int32_t EPX30SC_Close(int32_t h) override {
    open = false;
    return result("Close", QString::number(h));
  }
  int32_t EPX30SC_SetCounterMode(int32_t, int32_t m) override {
    counterMode = m;
    return result("SetCounterMode", QString::number(m));
  }
  int32_t EPX30SC_SetCounterDirection(int32_t, int32_t d) override {
    counterDirection = d;
    return result("SetCounterDirection", QString::number(d));
  }
  int32_t EPX30SC_SetCounterControl(int32_t, int32_t c) override {
    counterControl = c;
    return result("SetCounterControl", QString::number(c));
  }
  int32_t EPX30SC_ResetCounter(int32_t) override { counter = 0; return result("ResetCounter"); }
  int32_t EPX30SC_GetCounterValue(int32_t, int32_t& v) override { v = counter; return result("GetCounterValue"); }
  int32_t EPX30SC_GetCounterLatchFlag(int32_t, int32_t& f) override { f = latchFlag; return result("GetCounterLatchFlag"); }
  int32_t EPX30SC_GetCounterLatchValue(int32_t, int32_t& v) override {
    v = latchValue;
    latchFlag = 0;
    return result("GetCounterLatchValue");
  }
  int32_t EPX30SC_SetPortDirection(int32_t, int32_t p, int32_t d) override {
    const int32_t r = result("SetPortDirection", QStringLiteral("%1,%2").arg(p).arg(d));
    if (r == 0) direction[p] = static_cast<uint8_t>(d);
    return r;
  }
  int32_t EPX30SC_GetPortDirection(int32_t, int32_t p, uint8_t& d) override {
    d = direction[p];
    return result("GetPortDirection", QString::number(p));
  }
  int32_t EPX30SC_OutputPort(int32_t, int32_t p, uint8_t v) override {
    written[p] = v;
    return result("OutputPort", QStringLiteral("%1,%2").arg(p).arg(v));
  }
  int32_t EPX30SC_InputPort(int32_t, int32_t p, uint8_t& v) override {
    v = p == 2 ? input2 : 0;
    return result("InputPort", QString::number(p));
  }
  bool isSimulated() const override { return false; }
};

}  // namespace orvan::test
