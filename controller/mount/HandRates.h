#pragma once
// The three rates of the hand controller, in the order of its buttons (fast, middle, slow), as
// the usual speed of each in degrees per second; 0 for a rate the family does not offer. The
// mount's own setting decides how fast it really moves: these name the rates to clients that
// count in degrees per second (an Alpaca client's moveaxis) and tell which rates exist.
#include <array>

namespace orvan {

struct HandRates {
  std::array<double, 3> degreesPerSecond{};

  bool offers(int button) const { return degreesPerSecond[button] > 0; }
  std::array<bool, 3> offered() const { return {offers(0), offers(1), offers(2)}; }
  bool any() const { return offers(0) || offers(1) || offers(2); }
  // The rate of a cmdMove speed (1 slow, 2 middle, 3 fast); 0 for any other speed.
  double ofSpeed(int speed) const { return speed >= 1 && speed <= 3 ? degreesPerSecond[3 - speed] : 0; }
};

// Degrees per second of the sidereal rate.
inline constexpr double kSiderealDegreesPerSecond = 360.0 / 86164.0905;

}  // namespace orvan
