#pragma once
// The Meade LX200 and LX200GPS driver. The model label decides the coordinate format:
// "LX200" speaks the low-precision texts (hh:mm.t, sdd*mm), "LX200GPS" the high-precision
// ones (hh:mm:ss, sdd*mm:ss). Controllers that speak an extended form of the same language
// (the RST-400's HUBO-i) derive from it.
#include "SerialMountDriver.h"

#include <optional>

namespace orvan {

class frmLX200 : public SerialMountDriver {
  Q_OBJECT
 public:
  // The port defaults to a QtSerialLink on the program folder's ports/.
  frmLX200(SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
           std::unique_ptr<SerialLink> link = nullptr, QObject* parent = nullptr);

  bool cmdConnect(bool open) override;
  void cmdStartUP() override;
  int16_t cmdStandBy(bool) override { return 0; }
  void SendIdo() override {}
  void SendStime() override {}
  void cmdMove(const QString& direction, int16_t speed) override;
  void cmdStatus() override;
  void cmdStop() override;
  bool SendZsync() override;
  // Bound again by mount selection: one count per arcsecond on both axes.
  void Selected() override;

  // The label lblLX200Type.
  QString lblLX200Type() const { return modelText(); }
  bool highPrecision() const { return modelText() == u"LX200GPS"; }

  // The coordinate texts of the set commands. DecText rounds the low-precision declination
  // up by 30 arcseconds in `dec` itself, as the mount would otherwise cut it.
  QString RaText(double ra) const;
  QString DecText(double& dec) const;
  // The start-up texts from the settings file's site.
  QString LongitudeCommand() const;
  QString LatitudeCommand() const;
  QString TimeZoneCommand() const;  // empty when none is sent
  // Replies of :GR# and :GD#, laid out exactly as the model sends them ("HH:MM.T#" and
  // "sDD*MM#", or "HH:MM:SS#" and "sDD*MM:SS#"), every field in its range; nothing for a
  // garbled or cut-off reply.
  std::optional<double> ParseRa(const QString& reply) const;
  std::optional<double> ParseDec(const QString& reply) const;

 protected:
  // A controller of another family that speaks the LX200's language.
  frmLX200(const SerialFamily& family, SharedState& state, MountHost& host, ACal2& cal, const QString& iniPath,
           std::unique_ptr<SerialLink> link, QObject* parent);
  bool ReadPosition() override;
  // The replies `r` (":GR#") and `d` (":GD#") as parsed: a reply that does not parse is no
  // position, and its axis stays as it was. True when both axes were read afresh.
  bool TakePosition(const QString& r, std::optional<double> ra, const QString& d, std::optional<double> dec);

 protected:
  // ":Sr" and ":Sd"; false when the mount did not take them (the LX200 answers "0").
  virtual bool SendCoordinates(double ra, double& dec);
  // ":Sr", ":Sd", ":MS#" and the mount's "0" or its refusal.
  bool SendGoto(double ra, double& dec, const AxisMove& move, bool approach) override;
  // ":Sr", ":Sd" and ":CM#".
  bool SendSync(double ra, double& dec, const AxisMove& move) override;
};

}  // namespace orvan
