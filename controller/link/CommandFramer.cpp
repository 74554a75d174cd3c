#include "CommandFramer.h"

namespace orvan {

std::vector<QByteArray> CommandFramer::push(QByteArrayView bytes, qint64 nowMs) {
  std::vector<QByteArray> units;
  if (bytes.isEmpty()) return units;
  if (hasTail() && nowMs - lastByteMs_ > kStaleMs) reset();
  lastByteMs_ = nowMs;
  for (const char c : bytes) {
    if (c == kAlignmentQuery) {
      // Never part of a command: whatever was collected is noise.
      reset();
      units.emplace_back(1, kAlignmentQuery);
      continue;
    }
    if (c == '#') {
      if (!overlong_) units.push_back(tail_ + '#');
      reset();
      continue;
    }
    if (overlong_) continue;
    tail_.append(c);
    if (tail_.size() >= kMaxCommand) {
      tail_.clear();
      overlong_ = true;
    }
  }
  return units;
}

void CommandFramer::reset() {
  tail_.clear();
  overlong_ = false;
}

}  // namespace orvan
