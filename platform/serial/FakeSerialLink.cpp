#include "FakeSerialLink.h"

#include "Clock.h"

namespace orvan {

bool FakeSerialLink::open() {
  ++openAttempts;
  if (open_) return true;
  if (failOpens_ > 0) {
    --failOpens_;
    openError_ = failError_;
    return false;
  }
  openError_ = 0;
  open_ = true;
  ++opens;
  return true;
}

void FakeSerialLink::close() {
  if (open_) ++closes;
  open_ = false;
  inbuf_.clear();
  due_.clear();
}

bool FakeSerialLink::write(const QByteArray& bytes) {
  if (!open_) return false;
  writes.append(bytes);
  if (!replies_.empty()) {
    const Reply r = replies_.front();
    replies_.pop_front();
    for (const Piece& p : r.pieces)
      if (!p.bytes.isEmpty()) due_.push_back({p.bytes, nowMs_ + p.delayMs});
  } else if (responder_) {
    const QByteArray b = responder_(bytes);
    if (!b.isEmpty()) due_.push_back({b, nowMs_});
  }
  deliver();
  return true;
}

void FakeSerialLink::deliver() {
  for (auto it = due_.begin(); it != due_.end();) {
    if (it->atMs <= nowMs_) {
      inbuf_ += it->bytes;
      it = due_.erase(it);
    } else {
      ++it;
    }
  }
}

void FakeSerialLink::advance(int ms) {
  nowMs_ += ms;
  if (clock_) clock_->advance(ms / 1000.0);
  deliver();
}

QByteArray FakeSerialLink::readAll() {
  deliver();
  return takeInput(inbuf_);
}

int FakeSerialLink::bytesWaiting() {
  deliver();
  return static_cast<int>(inbuf_.size());
}

void FakeSerialLink::discardInput() {
  ++discards;
  deliver();
  inbuf_.clear();
}

bool FakeSerialLink::waitForInput(int ms) {
  ++polls;
  if (vanishPending_) {
    vanishPending_ = false;
    open_ = false;
    inbuf_.clear();
    due_.clear();
    raiseEvent(comm::kEventDeviceLost);
  }
  while (!pendingEvents_.empty()) {
    const int code = pendingEvents_.front();
    pendingEvents_.pop_front();
    raiseEvent(code);
  }
  if (!inbuf_.isEmpty()) return true;
  advance(ms);
  return !inbuf_.isEmpty();
}

}  // namespace orvan
