// idle_floor: what the idle controller's pattern of wake-ups costs on this machine, without
// its work. A window with one label and the controller's three timers (dome loop 200 ms, main
// loop 500 ms, one-second tick); on each main-loop tick it asks a partner process two
// questions over a pseudo-terminal and waits for each answer, as the controller polls the
// mount (":GR#", ":GD#"), so it sleeps and wakes as often. scripts/bench.sh measures it in the
// same minutes as the controller, whose figure is best read against it.
#include "ObservatoryApplication.h"
#include "PtyPartner.h"

#include <QLabel>
#include <QTimer>

#include <cstring>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// One question and its answer, the way the controller's serial link does it: flush, write,
// wait for the reply's end, flush.
void ask(int fd, const char* question) {
  tcflush(fd, TCIFLUSH);
  if (write(fd, question, std::strlen(question)) < 0) return;
  char buf[64];
  size_t got = 0;
  while (got < sizeof buf) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 1000) <= 0) break;
    const ssize_t n = read(fd, buf + got, sizeof buf - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
    if (buf[got - 1] == '#') break;
  }
  tcflush(fd, TCIFLUSH);
}

}  // namespace

int main(int argc, char** argv) {
  int ours = -1, theirs = -1;
  if (!bench::OpenRawPty(ours, theirs)) return 1;
  const pid_t partner = fork();
  if (partner == 0) {
    close(ours);
    bench::AnswerQuestions(theirs);
  }
  close(theirs);

  // The controller's own event loop, so the floor wakes the same way.
  orvan::ObservatoryApplication app(argc, argv);
  QLabel label(QStringLiteral("idle"));
  label.show();
  QTimer dome, main, second;
  QObject::connect(&dome, &QTimer::timeout, [] {});
  QObject::connect(&main, &QTimer::timeout, [ours] {
    ask(ours, ":GR#");
    ask(ours, ":GD#");
  });
  QObject::connect(&second, &QTimer::timeout, [] {});
  dome.start(200);
  main.start(500);
  second.start(1000);
  // Killed by the bench; the partner reads the end of its terminal and leaves.
  return app.exec();
}
