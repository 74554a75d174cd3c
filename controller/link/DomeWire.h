#pragma once
// The dome's messages on the application link, beside the cooperating program's codes (2, 89,
// 90 in; 2, 91, 99 out), for the device programs that offer the dome to INDI and Alpaca
// clients. Azimuths on the link are degrees from north through east, as those clients count
// them (the controller counts from south through west).
//
//   in 120 ""          the dome's state, answered with 121
//   in 122 "<azimuth>" turn there and stop (following goes off), answered with 121
//   in 123 ""          stop the rotation and any turn, answered with 121
//   in 124 "1" | "0"   following on | off, answered with 121
//   in 125 "1" | "-1" | "0"  slit open | close | stop, answered with 121
//   in 126 ""          park: turn to the park azimuth (DOME/HomePosition), answered with 121
//   out 121 "<connected>,<azimuth>,<slewing>,<slit>,<following>,<park azimuth>,<at park>"
//      connected 1/0; azimuth "-" while unknown; slewing 1/0; slit as SlitState (-2 closed,
//      -1 closing, 0 stopped part-way, 1 opening, 2 open); following 1/0; park azimuth "-"
//      when the settings give none; at park 1 while the dome stands at its park azimuth
//      within DOME_REVOLVE.
#include <QString>
#include <cstdint>
#include <optional>

namespace orvan::domewire {

inline constexpr int16_t kAskState = 120;
inline constexpr int16_t kState = 121;
inline constexpr int16_t kTurnTo = 122;
inline constexpr int16_t kStop = 123;
inline constexpr int16_t kFollow = 124;
inline constexpr int16_t kSlit = 125;
inline constexpr int16_t kPark = 126;

struct Status {
  bool connected = false;
  std::optional<double> azimuth;  // degrees from north through east
  bool slewing = false;
  int slit = 0;
  bool following = false;
  std::optional<double> parkAzimuth;
  bool atPark = false;
  bool operator==(const Status&) const = default;
};

QString Format(const Status& s);
// nullopt for anything that is not exactly a state text.
std::optional<Status> Parse(const QString& text);
// An azimuth from a client: a finite number, brought into 0..360.
std::optional<double> ParseAzimuth(const QString& text);

// Between the controller's count (south through west) and the clients' (north through east).
double FromSouth(double southAzimuth);
double ToSouth(double northAzimuth);

}  // namespace orvan::domewire
