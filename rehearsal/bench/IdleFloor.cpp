// idle_floor: what waking up costs on this machine, without the controller's work. A window
// with one label and the idle controller's three timers (dome loop 200 ms, main loop 500 ms,
// one-second tick), whose ticks do nothing. scripts/bench.sh measures it in the same minute
// as the controller, so the controller's figure can be read against the machine's own floor.
#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(QStringLiteral("idle"));
  label.show();
  QTimer dome, main, second;
  for (auto [timer, ms] : {std::pair{&dome, 200}, {&main, 500}, {&second, 1000}}) {
    QObject::connect(timer, &QTimer::timeout, [] {});
    timer->start(ms);
  }
  return app.exec();
}
