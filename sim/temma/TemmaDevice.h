#pragma once
// A simulated Temma mount controller (Temma2M, or the older Temma2 and TemmaPC). Commands are
// short texts ending with CR LF (a lone CR or LF ends one too); replies end with CR LF.
// Commands beginning with "I", "M", "T", "Z", "P", "N", "J" or "K" never answer, and neither
// does anything the controller does not know.
//
// Positions travel as hhmmcc (hundredths of a minute of time), a sign or a blank, ddmmt
// (tenths of an arcminute). "E" adds a letter: the side of the pier the tube is on ("E"/"W"),
// or "F" once a goto has ended on its target, until the next goto, hand move, sync or pier
// change. "PT" only changes which side the controller believes the tube is on; nothing moves.
//
// Model differences: the stand-by ("STN-*"), the date "N", the time "J" and the longitude "K"
// exist only on the Temma2M; the supply voltage "v1"/"v2" only on the older models.
#include "MountModel.h"
#include "SimDevice.h"

#include <QElapsedTimer>

namespace orvan::sim {

class TemmaDevice final : public SimDevice {
 public:
  enum class Model { Temma2M, Temma2, TemmaPC };
  struct Config {
    MountModel::Config mount;
    bool noPosition = false;  // switched on without a position: "E000000+00000E" until synced
    bool neverStops = false;  // a goto never reports its end: "s1" until "PS"
    int fCount = -1;          // position replies that carry the "F" of a finished goto (-1: all)
    double sideChangeSec = 0; // after "PT" the controller turns the axes round: "s1" this long
  };
  TemmaDevice(Model model, Config config);

  void receive(const QByteArray& bytes) override;
  QString stateText() override;
  QByteArray replyEnding() const override { return QByteArrayLiteral("\r\n"); }

 private:
  void execute(const QByteArray& cmd);
  QByteArray positionText();
  bool slewing();  // a goto is under way (with --never-stops: until stopped)
  void gotoTarget(const QByteArray& text);
  void sync(double ra, double dec);
  void startMove(char letter);
  bool newer() const { return model_ == Model::Temma2M; }

  Model model_;
  Config config_;
  MountModel mount_;
  bool hasPosition_;
  char side_ = 'E';
  bool gotoRunning_ = false;
  bool gotoFinished_ = false;  // reported as the side letter "F"
  int fSent_ = 0;              // "F" replies since the goto finished
  QElapsedTimer sideChange_;   // running since the last "PT"
  bool standBy_ = false;
  int volt_ = 0;       // 12 or 24 once told; 0 before
  double eastLon_ = 0;  // degrees, as "K" set it
  int rejected_ = 0;   // commands with unreadable values, gotos refused
  QByteArray pending_;
};

}  // namespace orvan::sim
