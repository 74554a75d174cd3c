#pragma once
// A scripted serial port for driver tests. Each write can be answered from a queue of
// replies (possibly late, possibly never) or by a responder function; time passes only when
// the driver polls (waitForInput), and a ManualClock attached to the fake moves with it, so
// time-outs happen without real waiting.
#include "SerialLink.h"

#include <QByteArrayList>
#include <QList>
#include <QPair>
#include <deque>
#include <vector>
#include <functional>

namespace orvan {

class ManualClock;

class FakeSerialLink final : public SerialLink {
  Q_OBJECT
 public:
  using SerialLink::SerialLink;

  // --- script -------------------------------------------------------------------------------
  // The reply to the next write that expects one: `bytes` become readable `delayMs` after the
  // write. An empty `bytes` means silence for that write.
  void queueReply(const QByteArray& bytes, int delayMs = 0) { replies_.push_back({{{bytes, delayMs}}}); }
  // A reply that reaches the port in pieces, each `delayMs` after the write.
  void queuePieces(const QList<QPair<QByteArray, int>>& pieces) {
    Reply r;
    for (const auto& p : pieces) r.pieces.push_back({p.first, p.second});
    replies_.push_back(r);
  }
  // Answers every write (used when the reply queue is empty).
  void setResponder(std::function<QByteArray(const QByteArray&)> r) { responder_ = std::move(r); }
  // Bytes that arrive now, unasked.
  void feed(const QByteArray& bytes) { inbuf_ += bytes; }
  // The next `count` opens fail with `error`.
  void failOpens(int count, int error = comm::kErrPortInvalid) { failOpens_ = count; failError_ = error; }
  // The next poll raises this event (as a port error does during a wait).
  void raiseOnNextPoll(int code) { pendingEvents_.push_back(code); }
  // The device goes away: the port closes and raises kEventDeviceLost at the next poll.
  void vanish() { vanishPending_ = true; }
  // Moves with the fake's time.
  void attachClock(ManualClock* clock) { clock_ = clock; }

  // --- record -------------------------------------------------------------------------------
  QByteArrayList writes;
  int opens = 0, openAttempts = 0, closes = 0, discards = 0, polls = 0;
  QByteArray allWritten() const { return writes.join(); }
  long nowMs() const { return nowMs_; }

  // --- SerialLink ---------------------------------------------------------------------------
  bool open() override;
  void close() override;
  bool isOpen() const override { return open_; }
  bool write(const QByteArray& bytes) override;
  QByteArray readAll() override;
  int bytesWaiting() override;
  void discardInput() override;
  bool waitForInput(int ms) override;

 private:
  struct Piece {
    QByteArray bytes;
    int delayMs;
  };
  struct Reply {
    std::vector<Piece> pieces;
  };
  struct Due {
    QByteArray bytes;
    long atMs;
  };
  void deliver();
  void advance(int ms);

  std::deque<Reply> replies_;
  std::deque<Due> due_;
  std::function<QByteArray(const QByteArray&)> responder_;
  std::deque<int> pendingEvents_;
  QByteArray inbuf_;
  ManualClock* clock_ = nullptr;
  long nowMs_ = 0;
  int failOpens_ = 0, failError_ = 0;
  bool open_ = false;
  bool vanishPending_ = false;
};

}  // namespace orvan
