#include "Clock.h"

#include <QDateTime>

#include <ctime>

namespace orvan {

namespace {
SystemClock g_system;
Clock* g_current = &g_system;
}  // namespace

Clock& Clock::current() { return *g_current; }
void Clock::install(Clock* clock) { g_current = clock ? clock : &g_system; }

namespace {
// The C library's local time: the loops read the clock several times a tick, and Qt's
// QTime::currentTime() reloads the zone from the environment and builds a QDateTime on every
// call. localtime_r() keeps the zone it loaded, and its rules still cover summer time.
bool localNow(std::tm& tm, long& millis) {
  timespec ts{};
  if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return false;
  millis = ts.tv_nsec / 1000000;
  return localtime_r(&ts.tv_sec, &tm) != nullptr;
}
}  // namespace

QDate SystemClock::localDate() const {
  std::tm tm{};
  long ms = 0;
  return localNow(tm, ms) ? QDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) : QDate::currentDate();
}

double SystemClock::secondsSinceMidnight() const {
  std::tm tm{};
  long ms = 0;
  if (!localNow(tm, ms)) return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
  // A leap second (tm_sec 60) counts as the last second of its minute.
  const int sec = tm.tm_sec < 60 ? tm.tm_sec : 59;
  return (((tm.tm_hour * 60 + tm.tm_min) * 60 + sec) * 1000 + ms) / 1000.0;
}

void ManualClock::advance(double seconds) {
  seconds_ += seconds;
  while (seconds_ >= 86400.0) {
    seconds_ -= 86400.0;
    date_ = date_.addDays(1);
  }
}

}  // namespace orvan
