// The E-Vexil's parameter replies as the utility reads them: any bytes, never a crash, and a
// reply taken as numbers only when its fields hold hexadecimal digits where the controller puts them.
#include "EVexilProgrammer.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString reply = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  uint32_t a = 0, b = 0;
  if (orvan::EVexilProgrammer::ParseRevolution(reply, a, b) && reply.size() < 20) std::abort();
  if (orvan::EVexilProgrammer::ParseSlowDown(reply, a, b) && (a % 256 != 0 || b % 256 != 0 || a > 255 * 256 || reply.size() < 8))
    std::abort();
  // The rate text from whatever the counts field holds.
  (void)orvan::EVexilProgrammer::Ratecal(2, reply, reply);
  return 0;
}
