#include "EventLoop.h"

#include "Clock.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <cmath>

namespace orvan {

void Wait(long ms) {
  if (ms <= 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return;
  }
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(static_cast<int>(ms));
  loop.exec();
}

long ElapsedSeconds(float start) {
  double d = std::nearbyint(Clock::current().secondsSinceMidnight() - start);
  if (d < 0) d += 86400;
  return static_cast<long>(d);
}

void UnloadAllWindows() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      w->setAttribute(Qt::WA_DeleteOnClose, false);
      w->hide();
    }
  }
  QCoreApplication::exit(0);
}

}  // namespace orvan
