#pragma once
// What every simulator fuzz target does with its input: hand the bytes to the device in two
// pieces, as a line delivers them, and ask for its state. Replies are only counted.
#include "SimDevice.h"

#include <cstddef>
#include <cstdint>

namespace orvan::sim {

inline void FeedDevice(SimDevice& dev, const uint8_t* data, size_t size) {
  qsizetype replied = 0;
  dev.command = [](const QByteArray&) {};
  dev.reply = [&](const QByteArray& r) { replied += r.size(); };
  const QByteArray all(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  dev.receive(all.left(all.size() / 2));
  dev.receive(all.mid(all.size() / 2));
  dev.stateText();
}

}  // namespace orvan::sim
