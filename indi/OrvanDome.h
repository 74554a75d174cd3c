#pragma once
// indi_orvanmirel_dome: the running controller's dome as an INDI dome, for KStars/Ekos and any
// INDI client. It reaches the controller of a program folder through the application link's
// dome messages (DomeWire.h) and never drives the dome controller itself, so the dome panel,
// the following and its limits stay the controller's.
//
// Offered: connection, absolute position (the controller turns there and stops), motion
// clockwise or counter-clockwise until stopped, abort, the shutter with its state, park and
// unpark at the controller's park azimuth, and following the telescope on the slaving switch
// (DOME_AUTOSYNC, the controller's follow button). The program folder is an option
// (ORVAN_FOLDER); it starts as $ORVAN_PROGRAM_FOLDER or the observer's own folder.
#include "DomeWire.h"

#include <libindi/indidome.h>

#include <memory>
#include <optional>

namespace orvan {

class LinkClient;

class OrvanDome : public INDI::Dome {
 public:
  OrvanDome();
  ~OrvanDome() override;

  const char* getDefaultName() override;
  bool initProperties() override;
  void ISGetProperties(const char* dev) override;
  bool updateProperties() override;
  bool ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[], int n) override;
  bool ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) override;

 protected:
  bool Connect() override;
  bool Disconnect() override;
  void TimerHit() override;
  IPState MoveAbs(double az) override;
  IPState Move(DomeDirection dir, DomeMotionCommand operation) override;
  bool Abort() override;
  IPState ControlShutter(ShutterOperation operation) override;
  IPState Park() override;
  IPState UnPark() override;
  bool saveConfigItems(FILE* fp) override;
  // INDI's own slaving turns the dome to a snooped telescope's azimuth; here the controller
  // follows its own mount, and an INDI turn would switch that following off.
  void UpdateAutoSync() override {}

 private:
  // Sends a dome request and reads the state it is answered with; reconnects to a controller
  // that went away. nullopt while no controller answers.
  std::optional<domewire::Status> request(int16_t code, const QString& text = QString());
  void show(const domewire::Status& s);
  void showGone();

  std::unique_ptr<LinkClient> link_;
  ITextVectorProperty FolderTP;
  IText FolderT[1] {};
  int motion_ = 0;  // 1 clockwise, -1 counter-clockwise: renewed every tick until stopped
  bool parking_ = false;
  bool atParkOnConnect_ = false;  // the controller's dome stood at its park azimuth
  bool gone_ = false;
};

}  // namespace orvan
