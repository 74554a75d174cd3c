// Round trip of ":GR#" through the virtual port while the main loop polls the simulated mount
// (LX200GPS simulator, the driver's :GR#/:GD# every tick), beside a bare pseudo-terminal echo
// and the wire time of the same 13 bytes at 9600 baud. Reports p50 and p99.
//
//   build with -DORVAN_BENCH=ON, then: bin/link_bench
#include "FakeLinkHost.h"
#include "ProgramFolder.h"
#include "SimulatedMount.h"
#include "frmVSP6.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace orvan;
using Clock_ = std::chrono::steady_clock;

namespace {

QString g_port;  // ports/COM5 of the running controller

int openRaw(const char* path) {
  const int fd = ::open(path, O_RDWR | O_NOCTTY);
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

// One request and its reply up to '#'; seconds.
double roundTrip(int fd) {
  const auto t0 = Clock_::now();
  if (::write(fd, ":GR#", 4) != 4) return -1;
  char buf[64];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) return -1;
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0 && buf[n - 1] == '#') break;
  }
  return std::chrono::duration<double>(Clock_::now() - t0).count();
}

void report(benchmark::State& state, std::vector<double>& s) {
  std::sort(s.begin(), s.end());
  if (s.empty()) return;
  state.counters["p50_us"] = s[s.size() / 2] * 1e6;
  state.counters["p99_us"] = s[std::min(s.size() - 1, s.size() * 99 / 100)] * 1e6;
  state.counters["wire_9600_us"] = 13 * 10 / 9600.0 * 1e6;  // ":GR#" and "hh:mm:ss#"
}

void BM_VirtualPortRoundTrip(benchmark::State& state) {
  const int fd = openRaw(QFile::encodeName(g_port).constData());
  std::vector<double> samples;
  for (auto _ : state) {
    const double s = roundTrip(fd);
    if (s < 0) {
      state.SkipWithError("no reply");
      break;
    }
    samples.push_back(s);
    state.SetIterationTime(s);
  }
  ::close(fd);
  report(state, samples);
}
BENCHMARK(BM_VirtualPortRoundTrip)->UseManualTime()->Iterations(5000);

// The floor: another thread echoing a fixed reply on a bare pseudo-terminal.
void BM_BarePtyRoundTrip(benchmark::State& state) {
  int master = -1, slave = -1;
  char name[64];
  openpty(&master, &slave, name, nullptr, nullptr);
  termios t{};
  tcgetattr(slave, &t);
  cfmakeraw(&t);
  tcsetattr(slave, TCSANOW, &t);
  tcsetattr(master, TCSANOW, &t);
  std::thread echo([master] {
    char buf[64];
    for (;;) {
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0 || buf[0] == 'x') return;
      if (::write(master, "12:34:56#", 9) != 9) return;
    }
  });
  std::vector<double> samples;
  for (auto _ : state) {
    const double s = roundTrip(slave);
    samples.push_back(s);
    state.SetIterationTime(s);
  }
  if (::write(slave, "x", 1) != 1) {}
  echo.join();
  ::close(slave);
  ::close(master);
  report(state, samples);
}
BENCHMARK(BM_BarePtyRoundTrip)->UseManualTime()->Iterations(5000);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  QTemporaryDir dir;
  SetProgramFolderForTests(dir.path());
  FakeLinkHost host(dir.filePath("OrvanMirel.ini"));
  host.shared.site.MountType = "G";
  SimulatedMount mount(host.shared, dir.path(), 3);
  QString why;
  if (!mount.start(why)) {
    std::fprintf(stderr, "link_bench: %s\n", qPrintable(why));
    return 1;
  }
  host.telescope = mount.driver();
  frmVSP6 vsp(host);
  vsp.strPort1 = "COM5";
  vsp.cmdCreatePort();
  g_port = dir.filePath("ports/COM5");
  QTimer mainLoop;  // the main window's loop timer at a usual interval
  QObject::connect(&mainLoop, &QTimer::timeout, [&] { mount.driver()->cmdStatus(); });
  mainLoop.start(200);

  std::thread runner([&] {
    benchmark::RunSpecifiedBenchmarks();
    QMetaObject::invokeMethod(&app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
  });
  app.exec();
  runner.join();
  benchmark::Shutdown();
  return 0;
}
