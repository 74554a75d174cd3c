#include "DomeDriver.h"

#include <cmath>
#include <cstdlib>

namespace orvan {

float DomeAngleFromCount(int32_t count, int32_t offset, int32_t rev) {
  const int64_t turn = std::llabs(static_cast<int64_t>(rev));
  if (turn == 0) return 0.0f;
  const double x = static_cast<double>(count) + static_cast<double>(offset);
  // Remainders keep the sign of the dividend, as the integer division of the controller does.
  const int64_t m = static_cast<int64_t>(std::nearbyint(x)) % turn;
  const double t = static_cast<double>(m) * 3600.0 / static_cast<double>(turn);
  int64_t u = static_cast<int64_t>(std::nearbyint(t)) % 3600;
  if (u < 0) u += 3600;
  return static_cast<float>(static_cast<double>(u) / 10.0);
}

float DomeDriver::DomeGetAngle() {
  const int32_t e = DomeGetEnc();
  s_.mount.AxisDisp[2] = e;
  return DomeAngleFromCount(e, s_.mount.AxisOfs[2], s_.mount.AxisRev[2]);
}

Flag DomeDriver::DomeRotation(int16_t direction) {
  switch (direction) {
    case -1: SetRelay(s_.dome.RelayTable[21]); break;
    case 1: SetRelay(s_.dome.RelayTable[22]); break;
    case 0: SetRelay(s_.dome.RelayTable[23]); break;
    default: break;
  }
  return kFalse;
}

Flag DomeDriver::DomeSlit(int16_t action) {
  switch (action) {
    case 1: SetRelay(s_.dome.RelayTable[24]); break;
    case -1: SetRelay(s_.dome.RelayTable[25]); break;
    case 0: SetRelay(s_.dome.RelayTable[26]); break;
    default: break;
  }
  return kFalse;
}

void DomeDriver::StopMotors() {
  // An entry the settings leave without a "0" or "1" switches nothing: it is not sent.
  for (int entry : {23, 26}) {
    const QString& pattern = s_.dome.RelayTable[entry];
    if (pattern.contains(u'0') || pattern.contains(u'1')) SetRelay(pattern);
  }
}

}  // namespace orvan
