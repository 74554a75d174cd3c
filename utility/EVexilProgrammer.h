#pragma once
// Programming an E-Vexil stepping-motor controller from the utility: connect over a serial
// port, read its motor parameters (counts per turn, slow-down counts, version) and write three
// of them back. The exchange is the controller's own: a command and a carriage return, one
// reply line ending with a carriage return; 2 s without a reply asks the observer.
//
// Replies are read by position, as the controller places its fields; the characters around
// them carry nothing. A field that is missing or not hexadecimal leaves the fields empty and
// says so: it never becomes a number that is later written.
#include "SerialLink.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace orvan {

struct EVexilParameters {
  std::array<QString, 2> txtEncMax;    // counts per turn, axis 1 and 2 (decimal)
  std::array<QString, 4> txtSlowDown;  // "PA" pair, then "SL" pair (decimal, or "---")
  QString lblVersion;                  // the "VR" reply, or "不明"
};

class EVexilProgrammer {
 public:
  EVexilProgrammer(QString iniPath, std::unique_ptr<SerialLink> link);
  ~EVexilProgrammer();

  // Opens (true) or closes (false) the port. An open failure is reported in a message box and
  // stores the set-up layout for the controller's next start.
  bool cmdConnect(bool open, int port);
  bool Connected = false;

  // Reads the parameters. False (with `problem`, fields of the failed reply left empty) when a
  // reply is missing or not one the controller gives.
  bool cmdStartUP(EVexilParameters& out, QString& problem);

  // One exchange: the reply without its line ends, or nothing when the observer gave up
  // waiting (Abort or Ignore in the time-out question); the port is then closed.
  std::optional<QString> SendTelescope(const QString& cmd);
  // 3 Abort, 4 Retry, 5 Ignore; 0 before any time-out.
  int LastTimeoutAnswer = 0;

  // Writes one parameter command. The controller confirms nothing: any reply but "?" (its
  // answer to a command it does not know) counts as taken. False with `problem`.
  bool Write(const QString& cmd, QString& problem);

  // Command texts. Each refuses a value the controller cannot hold (nothing is sent then).
  static bool RevolutionCommand(const QString& axis1, const QString& axis2, QString& cmd, QString& problem);
  static bool RateCommand(const QString& rate, QString& cmd, QString& problem);
  // `sl` is empty when the controller has no "SL" (its fields show "---").
  static bool SlowDownCommands(const std::array<QString, 4>& counts, QString& pa, QString& sl, QString& problem);
  // txtRate from the counts per turn: 0 sidereal, 1 King rate (x 0.9997), 2 percent.
  static QString Ratecal(int optRate, const QString& encMax0, const QString& percent);

  // "RD": 8 hex digits at characters 4-11 (axis 1) and 13-20 (axis 2).
  static bool ParseRevolution(const QString& reply, uint32_t& axis1, uint32_t& axis2);
  // "PA" and "SL": 2 hex digits at characters 4-5 and 7-8, in units of 256 steps.
  static bool ParseSlowDown(const QString& reply, uint32_t& first, uint32_t& second);

  static constexpr int kTimeoutMs = 2000;

 private:
  QString iniPath_;
  std::unique_ptr<SerialLink> link_;
};

}  // namespace orvan
