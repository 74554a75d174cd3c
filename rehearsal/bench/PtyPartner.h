#pragma once
// The benches' stand-in for a mount or a planetarium port: a raw pseudo-terminal pair, and a
// partner that answers every '#'-ended question on its side at once, with no work.
#include <cstring>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace bench {

// Opens a pseudo-terminal pair, both sides raw. False when the machine has none to give.
inline bool OpenRawPty(int& ours, int& theirs) {
  if (openpty(&ours, &theirs, nullptr, nullptr, nullptr) != 0) return false;
  for (int fd : {ours, theirs}) {
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
  }
  return true;
}

// Answers each question with a position until the other side goes; for a forked child.
[[noreturn]] inline void AnswerQuestions(int fd) {
  char buf[64];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) _exit(0);
    if (std::memchr(buf, '#', static_cast<size_t>(n)) && write(fd, "12:34:56#", 9) != 9) _exit(0);
  }
}

}  // namespace bench
