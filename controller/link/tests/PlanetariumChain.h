#pragma once
// The planetarium chain as the controller runs it, in the test's process: the virtual port
// ports/COM7 in front of the controller's own LX200 driver on the LX200GPS simulator, a stand-in
// main loop polling the mount every 500 ms, a Tokyo site. Fixtures hold one and start it in
// their SetUp.
#include "ACal2.h"
#include "FakeLinkHost.h"
#include "ProgramFolder.h"
#include "SimulatedMount.h"
#include "frmVSP6.h"

#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace orvan {

class PlanetariumChain {
 public:
  ~PlanetariumChain() { stop(); }

  // False, with the reason, when the simulator cannot run here.
  bool start(QString& why) {
    SetProgramFolderForTests(dir.path());
    host = std::make_unique<FakeLinkHost>(dir.filePath("OrvanMirel.ini"));
    SiteState& site = host->shared.site;
    site.MountType = "G";
    site.SiteLatitude = 128400;
    site.SiteLatitudeRadians = 128400 / (3600 * 180 / ACal2::kPi);
    site.SiteLongitude = 503040;
    site.TimeZoneSeconds = 32400;
    mount = std::make_unique<SimulatedMount>(host->shared, dir.path(), 3, family);
    if (!mount->start(why)) return false;
    host->telescope = mount->driver();
    loop.callOnTimeout([this] { mount->driver()->cmdStatus(); });
    loop.start(500);
    vsp = std::make_unique<frmVSP6>(*host);
    vsp->strPort1 = "COM7";
    vsp->cmdCreatePort();
    if (!vsp->portExists()) {
      why = "the virtual port was not created";
      return false;
    }
    return true;
  }
  void stop() {
    vsp.reset();
    loop.stop();
    mount.reset();
    SetProgramFolderForTests({});
  }
  QString portPath() const { return dir.filePath("ports/COM7"); }

  QString family = "lx200gps";  // the simulator behind the controller's driver
  QTemporaryDir dir;
  std::unique_ptr<FakeLinkHost> host;
  std::unique_ptr<SimulatedMount> mount;
  QTimer loop;
  std::unique_ptr<frmVSP6> vsp;
};

}  // namespace orvan
