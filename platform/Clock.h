#pragma once
// The computer's clock as the calculations see it: the local calendar date and the seconds
// since local midnight. Tests install a manual clock to pin any date and time of day.
#include <QDate>

namespace orvan {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual QDate localDate() const = 0;
  // Seconds since local midnight, with fractions; restarts at 0 at local midnight.
  virtual double secondsSinceMidnight() const = 0;

  // The clock every caller reads; the system clock unless a test installed another one.
  static Clock& current();
  // Installs `clock` (not owned) as the current clock; nullptr restores the system clock.
  static void install(Clock* clock);
};

class SystemClock final : public Clock {
 public:
  QDate localDate() const override;
  double secondsSinceMidnight() const override;
};

// A clock that stands still until told to move.
class ManualClock final : public Clock {
 public:
  ManualClock(QDate date, double seconds) : date_(date), seconds_(seconds) {}
  QDate localDate() const override { return date_; }
  double secondsSinceMidnight() const override { return seconds_; }
  void set(QDate date, double seconds) { date_ = date; seconds_ = seconds; }
  // Moves forward, rolling over midnight into the next date.
  void advance(double seconds);

 private:
  QDate date_;
  double seconds_;
};

// Installs a clock for the lifetime of the guard (tests).
class ScopedClock {
 public:
  explicit ScopedClock(Clock& c) { Clock::install(&c); }
  ~ScopedClock() { Clock::install(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace orvan
