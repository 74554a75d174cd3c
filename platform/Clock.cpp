#include "Clock.h"

#include <QDateTime>

namespace orvan {

namespace {
SystemClock g_system;
Clock* g_current = &g_system;
}  // namespace

Clock& Clock::current() { return *g_current; }
void Clock::install(Clock* clock) { g_current = clock ? clock : &g_system; }

QDate SystemClock::localDate() const { return QDate::currentDate(); }

double SystemClock::secondsSinceMidnight() const {
  const QTime t = QTime::currentTime();
  return t.msecsSinceStartOfDay() / 1000.0;
}

void ManualClock::advance(double seconds) {
  seconds_ += seconds;
  while (seconds_ >= 86400.0) {
    seconds_ -= 86400.0;
    date_ = date_.addDays(1);
  }
}

}  // namespace orvan
