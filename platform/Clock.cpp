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
// The loops ask a few times in every tick, so the broken-down time of the last second is kept;
// the zone's offset is part of the key, as a test (or tzset() after a change of TZ) may change it.
bool localNow(std::tm& tm, long& millis) {
  timespec ts{};
  if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return false;
  millis = ts.tv_nsec / 1000000;
  thread_local time_t keptSecond = -1;
  thread_local long keptZone = 0;
  thread_local int keptDaylight = 0;
  thread_local std::tm kept{};
  if (ts.tv_sec != keptSecond || ::timezone != keptZone || ::daylight != keptDaylight) {
    if (localtime_r(&ts.tv_sec, &kept) == nullptr) {
      keptSecond = -1;
      return false;
    }
    keptSecond = ts.tv_sec;
    keptZone = ::timezone;
    keptDaylight = ::daylight;
  }
  tm = kept;
  return true;
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
