#pragma once
// Cuts the bytes a planetarium program writes into whole commands. A serial line gives no
// message boundaries: one command can arrive over two reads, and one read can carry several
// commands (Stellarium's "#:Q#:Sr06:46:22#"). Every command ends with '#'; the LX200 alignment
// query is the lone byte 0x06. Bytes are collected until '#' and handed on as one unit; an
// unfinished tail is dropped when the line has been quiet too long or it grows past any real
// command, so a stray half command never joins the next one.
#include <QByteArray>
#include <QByteArrayView>
#include <vector>

namespace orvan {

class CommandFramer {
 public:
  // The longest command a client sends is about twenty bytes.
  static constexpr qsizetype kMaxCommand = 64;
  // A client writes a command in one go; a tail older than this is left over from noise
  // or from a client that gave up.
  static constexpr qint64 kStaleMs = 1000;

  static constexpr char kAlignmentQuery = 0x06;

  // Adds what one read brought at `nowMs` (any monotonic clock) and returns the units it
  // completed, in order: each ends with '#', or is the single byte 0x06.
  std::vector<QByteArray> push(QByteArrayView bytes, qint64 nowMs);
  // Forgets an unfinished tail (the client went away).
  void reset();
  bool hasTail() const { return !tail_.isEmpty() || overlong_; }

 private:
  QByteArray tail_;
  bool overlong_ = false;  // the current unit grew too long: dropped up to its '#'
  qint64 lastByteMs_ = 0;
};

}  // namespace orvan
