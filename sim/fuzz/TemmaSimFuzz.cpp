// Any bytes from a client to the simulated Temma2M: framing and position parsing must hold.
#include "temma/TemmaDevice.h"

#include "FeedDevice.h"

#include <cstddef>
#include <cstdint>

using namespace orvan::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TemmaDevice dev(TemmaDevice::Model::Temma2M, TemmaDevice::Config{});
  FeedDevice(dev, data, size);
  return 0;
}
