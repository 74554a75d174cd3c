// Any bytes from a client to the simulated LX200: framing and argument parsing must hold.
#include "lx200/Lx200Device.h"

#include "FeedDevice.h"

#include <cstddef>
#include <cstdint>

using namespace orvan::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Lx200Device dev(true, MountModel::Config{});
  FeedDevice(dev, data, size);
  return 0;
}
