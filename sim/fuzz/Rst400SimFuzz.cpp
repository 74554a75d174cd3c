// Any bytes from a client to the simulated RST-400: framing and argument parsing must hold.
#include "rst400/Rst400Device.h"

#include <cstddef>
#include <cstdint>

using namespace orvan::sim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Rst400Device dev(MountModel::Config{}, 0.5);
  qsizetype replied = 0;
  dev.command = [](const QByteArray&) {};
  dev.reply = [&](const QByteArray& r) { replied += r.size(); };
  // Fed in two pieces, as a line delivers it.
  const QByteArray all(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  dev.receive(all.left(all.size() / 2));
  dev.receive(all.mid(all.size() / 2));
  dev.stateText();
  return 0;
}
