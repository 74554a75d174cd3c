#include "SignalCloser.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace orvan {

namespace {
int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_count = 0;

extern "C" void onSignal(int sig) {
  g_count = g_count + 1;
  if (g_count > 1) _exit(128 + sig);
  const unsigned char b = static_cast<unsigned char>(sig);
  if (g_pipe[1] >= 0) {
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &b, 1);
  }
}
}  // namespace

SignalCloser::SignalCloser(QObject* parent) : QObject(parent) {
  if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    unsigned char b = 0;
    while (::read(g_pipe[0], &b, 1) == 1) emit closeRequested(b);
  });
  struct sigaction sa{};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

SignalCloser::~SignalCloser() {
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_DFL);
}

}  // namespace orvan
