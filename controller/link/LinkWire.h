#pragma once
// The application link's wire: how a cooperating program and the controller exchange their
// messages (a 16-bit code and a text) over a local socket. Kept apart from the controller so
// the command-line client `orvan-link` shares the exact format.
//
// Format, version 1 (UTF-8, one message per line, "\n" ends a line, a "\r" before it is
// dropped):
//   controller -> program, on connecting:  "orvan-link 1"
//   either way, a message:                 "msg <code> <text>"
//   program -> controller, an answer:      "ans <code> <text>"   (the utility answer: ans 90 Utility)
//   controller -> program, a query:        "ask <code> <text>"   (the utility query: ask 90 Utility)
// <code> is a decimal whole number -32768..32767 without a sign "+" or leading zeros beyond
// one digit; the text is everything after the single blank (it may be empty, then the blank
// may be left out) and may not hold control characters. A line longer than kMaxLineBytes is
// dropped whole. Anything that is not exactly one of these lines is dropped.
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace orvan::linkwire {

inline constexpr int kVersion = 1;
inline constexpr int kMaxLineBytes = 1024;

enum class Kind { Message, Answer, Query };

struct Line {
  Kind kind = Kind::Message;
  int16_t code = 0;
  QString text;
  bool operator==(const Line&) const = default;
};

// The greeting the controller sends first, without its line end.
QByteArray Greeting();
// One line with its "\n"; an empty result when the text cannot travel (a line end or another
// control character in it, or too long).
QByteArray Format(Kind kind, int16_t code, const QString& text);
// One line without its line end; nullopt when it is not exactly a line of the format.
std::optional<Line> Parse(const QByteArray& line);

// Cuts a byte stream into lines. A line that grows past the limit is dropped up to its end,
// so a flood without line ends never holds more than kMaxLineBytes.
class LineReader {
 public:
  std::vector<QByteArray> push(const QByteArray& bytes);
  // Lines dropped for their length since the start.
  int dropped() const { return dropped_; }

 private:
  QByteArray tail_;
  bool skipping_ = false;
  int dropped_ = 0;
};

// A mission-150 target, "(hh:mm:ss +dd:mm:ss)" as the observatory program writes it (the
// blank may be left out); false for anything else or a value out of range.
bool IsTargetText(const QString& text);

// Where the controller of the program folder listens: "OrvanMirel.link" in the folder, or,
// when that path is too long for a local socket, a name in the user's runtime folder made
// from the folder's path.
QString SocketPath(const QString& programFolder);

}  // namespace orvan::linkwire
