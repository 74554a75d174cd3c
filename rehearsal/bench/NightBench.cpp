// Figures of the whole controller on the demo observatory, measured from outside as a user
// would see them: the real OrvanMirel (offscreen) with the LX200GPS simulator and the simulated
// USB dome. Prints one "name value unit" line per figure for scripts/bench.sh.
//
//   night_bench [--idle-seconds 60] [--display] [--idle-only] [--count-instructions]
//   night_bench --soak-minutes 30
//
// --display runs the controller on the display of the environment (under xvfb-run, say)
// instead of offscreen, so the drawing reaches a real X server; --idle-only stops after the
// idle figures. --count-instructions runs the controller under valgrind's callgrind instead
// and reports only the instructions it executes per idle second: a figure of the program's
// own work that, unlike its CPU time, does not move with what the machine's host is doing.
//
// - :GR# round trip on the controller's virtual port, p50 and p99 (a planetarium program's poll),
//   and beside it, in alternate blocks, the same question to a bare echo process on a
//   pseudo-terminal (the floor: two processes waking each other, with no work in between);
// - CPU use (time on a CPU from /proc/<pid>/task/*/schedstat) and resident memory of the connected controller, idle;
// - from a planetarium program's :MS# to the simulator receiving the controller's own :MS#
//   (the simulator's --log timestamps);
// - from that :MS# to the dome's rotation relay switching on, and the dome's settle time after
//   a 90 degree goto (the simulated board's status file).
// --soak-minutes runs a night instead: a planetarium program polls the position ten times a
// second and asks for a goto every three minutes, the dome following; the controller's
// resident memory and open descriptors at the start and at the end, and the questions
// answered and not.
#include "../Night.h"
#include "PtyPartner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <vector>

using namespace night;
using SteadyClock = std::chrono::steady_clock;

namespace {

void figure(const char* name, double value, const char* unit) {
  std::printf("%s %.6g %s\n", name, value, unit);
  std::fflush(stdout);
}

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v.empty() ? NAN : v[std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5))];
}

// Time a process spent on a CPU, in nanoseconds: the scheduler's own count, summed over its
// threads. utime+stime in /proc/<pid>/stat are charged whole clock ticks (10 ms) to whoever
// runs when the tick falls, too coarse for a process that is busy a few ms a second.
double cpuNanoseconds(qint64 pid) {
  double sum = 0;
  const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
  for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    sum += slurp(tasks.filePath(tid) + QStringLiteral("/schedstat")).split(' ').value(0).toDouble();
  return sum;
}
// Resident memory (VmRSS) of a process, in kB.
long rssKb(qint64 pid) {
  for (const QByteArray& line : slurp(QStringLiteral("/proc/%1/status").arg(pid)).split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

// Equatorial position of date (hours, degrees) of an altitude and an azimuth from south
// through west, now, at the demo site.
void equatorialOf(double azSouth, double alt, double& raHours, double& decDeg) {
  const double d2r = kPi / 180;
  const double A = (azSouth + 180) * d2r, a = alt * d2r, phi = kLatitudeDeg * d2r;
  const double dec = std::asin(std::sin(phi) * std::sin(a) + std::cos(phi) * std::cos(a) * std::cos(A));
  const double H = std::atan2(-std::sin(A) * std::cos(a), std::cos(phi) * std::sin(a) - std::sin(phi) * std::cos(a) * std::cos(A));
  raHours = std::fmod(localSiderealHours() - H / d2r / 15 + 48, 24.0);
  decDeg = dec / d2r;
}

// Local wall-clock time of the simulator's log lines, milliseconds since the epoch.
qint64 logTime(const QByteArray& line) {
  return QDateTime::fromString(QString::fromLatin1(line.left(23)), QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz")).toMSecsSinceEpoch();
}

// The time of the first ":MS#" the simulator logged at or after `since`.
qint64 mountGotoTime(const QString& log, qint64 since) {
  for (const QByteArray& line : slurp(log).split('\n'))
    if (line.contains("<- :MS#") && logTime(line) >= since) return logTime(line);
  return -1;
}

// A process that answers every '#'-ended question on a pseudo-terminal at once, as a mount or
// the controller's virtual port would, without any work: `path()` is the side to open.
class EchoPartner {
 public:
  EchoPartner() {
    int ours = -1;
    if (!bench::OpenRawPty(ours, theirs_)) return;
    path_ = QString::fromLocal8Bit(ttyname(theirs_));
    pid_ = fork();
    if (pid_ == 0) bench::AnswerQuestions(ours);
    ::close(ours);
  }
  ~EchoPartner() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (theirs_ >= 0) ::close(theirs_);
  }
  QString path() const { return pid_ > 0 ? path_ : QString(); }

 private:
  int theirs_ = -1;
  pid_t pid_ = -1;
  QString path_;
};

// Open file descriptors of a process.
long openDescriptors(qint64 pid) {
  return static_cast<long>(QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

// A night of `minutes`: polls ten times a second, a goto every three minutes.
int soak(qint64 pid, const QString& vport, int minutes) {
  PlanetariumClient pl;
  if (!pl.open(vport)) return 1;
  figure("soak_rss_start", rssKb(pid) / 1024.0, "MB");
  figure("soak_fds_start", static_cast<double>(openDescriptors(pid)), "");
  const double azimuths[] = {270, 0, 90, 330, 200};
  long answered = 0, unanswered = 0, gotos = 0;
  const auto count = [&](const QByteArray& reply, bool ok) { ok && !reply.isEmpty() ? ++answered : ++unanswered; };
  const auto start = SteadyClock::now();
  auto next = start;
  auto nextGoto = start;
  for (int k = 0; SteadyClock::now() - start < std::chrono::minutes(minutes); ++k) {
    if (SteadyClock::now() >= nextGoto) {
      double ra = 0, dec = 0;
      equatorialOf(azimuths[gotos % 5], 60, ra, dec);
      count(pl.ask(":Sr" + hmsText(ra) + "#", 1), true);
      count(pl.ask(":Sd" + dmsText(dec) + "#", 1), true);
      const QByteArray r = pl.ask(":MS#", 1);
      count(r, r == "0");
      ++gotos;
      nextGoto += std::chrono::minutes(3);
    }
    const QByteArray r = pl.ask(k % 2 ? ":GD#" : ":GR#");
    count(r, r.endsWith('#'));
    next += std::chrono::milliseconds(100);
    std::this_thread::sleep_until(next);
  }
  figure("soak_minutes", minutes, "min");
  figure("soak_rss_end", rssKb(pid) / 1024.0, "MB");
  figure("soak_fds_end", static_cast<double>(openDescriptors(pid)), "");
  figure("soak_answered", static_cast<double>(answered), "");
  figure("soak_unanswered", static_cast<double>(unanswered), "");
  figure("soak_gotos", static_cast<double>(gotos), "");
  pl.close();
  return 0;
}

struct Proc {
  QProcess p;
  ~Proc() {
    if (p.state() != QProcess::NotRunning) {
      p.terminate();
      if (!p.waitForFinished(20000)) p.kill();
      p.waitForFinished(3000);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  UseSiteTimeZone();
  QCoreApplication app(argc, argv);
  int idleSeconds = 60;
  bool display = false, idleOnly = false, countInstructions = false;
  int soakMinutes = 0;
  const QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--idle-seconds" && i + 1 < args.size()) idleSeconds = args[++i].toInt();
    else if (args[i] == "--display") display = true;
    else if (args[i] == "--idle-only") idleOnly = true;
    else if (args[i] == "--count-instructions") countInstructions = true;
    else if (args[i] == "--soak-minutes" && i + 1 < args.size()) soakMinutes = args[++i].toInt();
  }

  QTemporaryDir dir;
  const QString folder = dir.path();
  if (const QString e = layOutDemo(folder); !e.isEmpty()) {
    std::fprintf(stderr, "%s\n", qPrintable(e));
    return 1;
  }
  MountSimulator sim(folder);
  if (!sim.start()) {
    std::fprintf(stderr, "the simulator did not start\n");
    return 1;
  }
  Proc ctl;
  auto env = QProcessEnvironment::systemEnvironment();
  if (display) env.remove("QT_QPA_PLATFORM");
  else env.insert("QT_QPA_PLATFORM", "offscreen");
  ctl.p.setProcessEnvironment(env);
  ctl.p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  const QString callgrindOut = folder + "/callgrind.out";
  if (countInstructions) {
    // Counting starts only once the controller has settled, so its start-up is left out.
    ctl.p.start(QStringLiteral("valgrind"), {QStringLiteral("--tool=callgrind"), QStringLiteral("--instr-atstart=no"),
                                             QStringLiteral("--callgrind-out-file=") + callgrindOut,
                                             folder + "/OrvanMirel"});
  } else {
    ctl.p.start(folder + "/OrvanMirel", {});
  }
  const QString vport = folder + "/ports/COM" + QString::number(kVCom);
  // Under valgrind the start-up takes many times longer.
  const int startMs = countInstructions ? 240000 : 40000;
  if (!ctl.p.waitForStarted(10000) || !waitUntil([&] { return QFile::exists(vport); }, startMs)) {
    std::fprintf(stderr, "the controller did not start\n");
    return 1;
  }
  QThread::msleep(countInstructions ? 10000 : 3000);  // past the start-up: mount and dome connected, loops running
  const qint64 pid = ctl.p.processId();
  if (soakMinutes > 0) return soak(pid, vport, soakMinutes);

  if (countInstructions) {
    const auto control = [&](const char* what) {
      QProcess c;
      c.setStandardOutputFile(QProcess::nullDevice());
      c.start(QStringLiteral("callgrind_control"), {QString::fromLatin1(what), QString::number(pid)});
      return c.waitForFinished(30000) && c.exitStatus() == QProcess::NormalExit && c.exitCode() == 0;
    };
    QElapsedTimer wall;
    if (!control("--instr=on")) return 1;
    wall.start();
    QThread::msleep(static_cast<unsigned long>(idleSeconds) * 1000);
    const double seconds = static_cast<double>(wall.nsecsElapsed()) * 1e-9;
    if (!control("--dump")) return 1;
    // The dump is written by the controller's own next tick.
    double total = -1;
    waitUntil([&] {
      for (const QByteArray& line : slurp(callgrindOut + ".1").split('\n'))
        if (line.startsWith("totals:")) total = line.mid(7).trimmed().toDouble();
      return total >= 0;
    }, 20000);
    if (total < 0) {
      std::fprintf(stderr, "callgrind wrote no figures\n");
      return 1;
    }
    figure("idle_instructions_per_second", total / seconds, "1/s");
    return 0;
  }

  // Idle: connected, the main loop polling the mount every 500 ms, the dome loop every 200 ms.
  const double t0 = cpuNanoseconds(pid);
  QElapsedTimer wall;
  wall.start();
  QThread::msleep(static_cast<unsigned long>(idleSeconds) * 1000);
  const double t1 = cpuNanoseconds(pid);
  figure("idle_cpu_percent", 100.0 * (t1 - t0) / static_cast<double>(wall.nsecsElapsed()), "%");
  figure("idle_rss", rssKb(pid) / 1024.0, "MB");
  if (idleOnly) return 0;

  PlanetariumClient pl;
  if (!pl.open(vport)) return 1;
  // The controller and the floor take turns in blocks of 100 questions, so both are measured
  // in the same minutes of the machine.
  EchoPartner echo;
  PlanetariumClient bare;
  const bool haveFloor = bare.open(echo.path());
  std::vector<double> rt, floorRt;
  const auto poll = [](PlanetariumClient& c, std::vector<double>& into) {
    const auto a = SteadyClock::now();
    if (c.ask(":GR#").endsWith('#'))
      into.push_back(std::chrono::duration<double, std::micro>(SteadyClock::now() - a).count());
  };
  for (int block = 0; block < 20; ++block) {
    for (int i = 0; i < 100; ++i) poll(pl, rt);
    for (int i = 0; haveFloor && i < 100; ++i) poll(bare, floorRt);
  }
  figure("gr_roundtrip_p50", percentile(rt, 0.5), "us");
  figure("gr_roundtrip_p99", percentile(rt, 0.99), "us");
  if (haveFloor) {
    figure("gr_roundtrip_floor_p50", percentile(floorRt, 0.5), "us");
    figure("gr_roundtrip_floor_p99", percentile(floorRt, 0.99), "us");
  }
  bare.close();

  // Gotos at altitude 60: east, then south (the dome turns 90 degrees), then east again.
  const double azimuths[] = {270, 0, 270};
  std::vector<double> relay, forward, settle;
  for (int k = 0; k < 3; ++k) {
    double ra = 0, dec = 0;
    equatorialOf(azimuths[k], 60, ra, dec);
    pl.ask(":Sr" + hmsText(ra) + "#", 1);
    pl.ask(":Sd" + dmsText(dec) + "#", 1);
    const qint64 sentWall = QDateTime::currentMSecsSinceEpoch();
    const auto sent = SteadyClock::now();
    if (pl.ask(":MS#", 1) != "0") {
      std::fprintf(stderr, "goto refused\n");
      return 1;
    }
    double started = -1, settled = -1;
    while (std::chrono::duration<double>(SteadyClock::now() - sent).count() < 180) {
      const auto st = boardStatus(folder);
      const double t = std::chrono::duration<double>(SteadyClock::now() - sent).count();
      if (started < 0 && st.value("rotation") != "stopped" && !st.value("rotation").isEmpty()) started = t;
      if (started >= 0 && st.value("rotation") == "stopped" && st.value("speed").toDouble() == 0 &&
          angleApart(st.value("azimuth").toDouble(), azimuths[k]) <= kDomeRevolve + 0.5) {
        settled = t;
        break;
      }
      QThread::msleep(5);
    }
    const qint64 mountGot = mountGotoTime(folder + "/lx200gps.log", sentWall);
    if (mountGot >= 0) forward.push_back(static_cast<double>(mountGot - sentWall));
    if (k > 0) {  // the first goto starts from wherever the night began
      relay.push_back(started * 1000);
      settle.push_back(settled);
    }
    QThread::msleep(2000);
  }
  figure("ms_forward_max", *std::max_element(forward.begin(), forward.end()), "ms");
  figure("ms_forward_min", *std::min_element(forward.begin(), forward.end()), "ms");
  figure("dome_start_max", *std::max_element(relay.begin(), relay.end()), "ms");
  figure("dome_settle_90_max", *std::max_element(settle.begin(), settle.end()), "s");
  figure("dome_settle_90_min", *std::min_element(settle.begin(), settle.end()), "s");
  pl.close();
  return 0;
}
