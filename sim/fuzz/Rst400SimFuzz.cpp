// Any bytes from a client to the simulated RST-400: framing and argument parsing must hold.
#include "rst400/Rst400Device.h"

#include "FeedDevice.h"

#include <cstddef>
#include <cstdint>

using namespace orvan::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Rst400Device dev(MountModel::Config{}, 0.5);
  FeedDevice(dev, data, size);
  return 0;
}
