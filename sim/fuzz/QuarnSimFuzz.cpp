// Any bytes from a client to the simulated Quarn dome controller: framing and argument parsing
// must hold, and every reply must be one line.
#include "quarn/QuarnDevice.h"

#include "FeedDevice.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace orvan::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  double t = 0;
  QuarnDevice dev(QuarnConfig{}, [&t] { return t += 0.1; });
  FeedDevice(dev, data, size);
  dev.reply = [](const QByteArray& r) {
    if (!r.endsWith('\r') || r.count('\r') != 1) std::abort();
  };
  dev.receive(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)) + '\r');
  return 0;
}
