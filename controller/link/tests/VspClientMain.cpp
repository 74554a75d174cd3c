// A serial client for the virtual port tests, run as a separate process (and as another user):
//   vsp_client PATH TEXT [--excl]
// Opens PATH, optionally takes exclusive mode as INDI does, writes TEXT ("\xNN" escapes
// allowed), prints the reply bytes as hex (up to '#' or one byte after 0x06) and exits 0;
// exits 2 when the port cannot be opened, 3 when no reply came within 3 s.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

static std::string unescape(const char* s) {
  std::string out;
  for (; *s; ++s) {
    if (s[0] == '\\' && s[1] == 'x' && s[2] && s[3]) {
      out += char(std::strtol(std::string(s + 2, 2).c_str(), nullptr, 16));
      s += 3;
    } else {
      out += *s;
    }
  }
  return out;
}

int main(int argc, char** argv) {
  if (argc < 3) return 64;
  const int fd = open(argv[1], O_RDWR | O_NOCTTY);
  if (fd < 0) {
    std::fprintf(stderr, "open %s: %s\n", argv[1], std::strerror(errno));
    return 2;
  }
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  if (argc > 3 && std::strcmp(argv[3], "--excl") == 0) ioctl(fd, TIOCEXCL);
  const std::string cmd = unescape(argv[2]);
  if (write(fd, cmd.data(), cmd.size()) != ssize_t(cmd.size())) return 4;
  std::string reply;
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 3000) <= 0) break;
    char c;
    if (read(fd, &c, 1) != 1) break;
    reply += c;
    if (c == '#' || (cmd == "\x06")) break;
  }
  close(fd);
  for (unsigned char c : reply) std::printf("%02x", c);
  std::printf("\n");
  return reply.empty() ? 3 : 0;
}
