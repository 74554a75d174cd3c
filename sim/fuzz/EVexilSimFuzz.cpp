// Any bytes from a client to the simulated E-Vexil: framing, hex and decimal fields must hold.
#include "evexil/EVexilDevice.h"

#include "FeedDevice.h"

#include <cstddef>
#include <cstdint>

using namespace orvan::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EVexilDevice dev(EVexilDevice::Config{});
  FeedDevice(dev, data, size);
  return 0;
}
