#include "ControllerSettings.h"
#include "MountCatalog.h"

#include "IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace orvan;

namespace {

class Settings : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path() const { return dir.filePath("OrvanMirel.ini"); }
  void write(const QByteArray& text) {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  QByteArray contents() const {
    QFile f(path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  SharedState s;
  SetupFields f;
  void SetUp() override {
    f.mountList = MountCatalog::entries(false);
    f.portList = {"COM1", "COM3", "COM10"};
  }
};

}  // namespace

TEST_F(Settings, EmptyOrMissingFileGivesTheDefaults) {
  s.dome.DomeInUse = true;
  IniRead(path(), s, f);
  EXPECT_EQ(s.site.SiteLatitude, 0);
  EXPECT_EQ(s.site.SiteLongitude, 0);
  EXPECT_EQ(s.site.TimeZoneSeconds, 0);
  EXPECT_EQ(f.optNS, 0);
  EXPECT_EQ(f.optEW, 0);
  EXPECT_EQ(f.mountIndex, 0);
  EXPECT_EQ(f.portIndex, -1);  // no port selected
  EXPECT_EQ(f.optMount, -1);
  EXPECT_EQ(s.planetarium.SkyMapEpoch, 1);
  EXPECT_EQ(s.domeSettings.Controller, 0);
  EXPECT_EQ(f.vcommName, "COM0");
  EXPECT_EQ(f.txtLocation[7], "0.0");
  EXPECT_EQ(s.dome.RelayTable[0], QString(32, u' '));
  EXPECT_TRUE(DomeFollowsAtStart(path()));
  EXPECT_FALSE(QFile::exists(path()));  // reading never creates the file
  // ASCOM/Use is the one key the controller fills in.
  EXPECT_FALSE(ReadAscomUse(path()));
  EXPECT_EQ(contents(), "[ASCOM]\nUse=False\n");
}

TEST_F(Settings, SiteTextsBecomeArcsecondsWithTheirSigns) {
  write("[Location]\nLATITUDE=-33:52:10\nLONGITUDE=W070:40:00\nTIMEZONE=-5.0\nHEIGHT=38\n");
  IniRead(path(), s, f);
  EXPECT_EQ(s.site.SiteLatitude, -121930);
  EXPECT_EQ(f.optNS, 1);
  EXPECT_NEAR(s.site.SiteLatitudeRadians, -121930 / 206264.80624709636, 1e-12);
  EXPECT_EQ(s.site.SiteLongitude, -(70 * 3600 + 40 * 60));
  EXPECT_EQ(f.optEW, 1);
  EXPECT_EQ(s.site.TimeZoneSeconds, -18000);
  EXPECT_EQ(f.txtLocation[6], "38");  // read as Height: keys ignore case

  write("[Location]\nLATITUDE=+35:39:29\nLONGITUDE=E139:44:30\nTIMEZONE=9.0\n");
  IniRead(path(), s, f);
  EXPECT_EQ(s.site.SiteLatitude, 35 * 3600 + 39 * 60 + 29);
  EXPECT_EQ(s.site.SiteLongitude, 139 * 3600 + 44 * 60 + 30);
  EXPECT_EQ(s.site.TimeZoneSeconds, 32400);
  EXPECT_EQ(f.txtLocation[3], "139");
}

TEST_F(Settings, HalfAndQuarterHourZonesAreKept) {
  const struct {
    const char* stored;
    const char* shown;
    int seconds;
  } zones[] = {{"5.75", "5.75", 20700}, {"-3.5", "-3.5", -12600}, {"09", "9.0", 32400}, {" 12.75", "12.75", 45900}};
  for (const auto& z : zones) {
    write(QByteArray("[Location]\nTIMEZONE=") + z.stored + "\n");
    IniRead(path(), s, f);
    EXPECT_EQ(f.txtLocation[7], z.shown);
    EXPECT_EQ(s.site.TimeZoneSeconds, z.seconds) << z.stored;
    // Written back from the set-up layout, the zone is the same.
    IniWrite(path(), f);
    IniRead(path(), s, f);
    EXPECT_EQ(s.site.TimeZoneSeconds, z.seconds) << z.stored;
  }
}

TEST_F(Settings, PortMountAndIndexChoices) {
  write("[TELESCOPE]\nTelescope= 5\nCommPort=1\nVCommPort= 7\nMount=G\n");
  IniRead(path(), s, f);
  EXPECT_EQ(f.mountIndex, 5);
  EXPECT_EQ(f.portIndex, 0);  // COM1 itself, not COM10
  EXPECT_EQ(f.vcommName, "COM7");
  EXPECT_EQ(f.optMount, 0);
  EXPECT_EQ(s.site.MountType, "G");

  write("[TELESCOPE]\nTelescope=12\nCommPort=3\nMount=FS\n");
  IniRead(path(), s, f);
  EXPECT_EQ(f.mountIndex, 0);  // outside the list: the first entry
  EXPECT_EQ(s.MountTypeNumber, 12);
  EXPECT_EQ(f.portIndex, 1);
  EXPECT_EQ(f.optMount, -1);   // neither button, but the text is kept for the calculations
  EXPECT_EQ(s.site.MountType, "FS");
}

TEST_F(Settings, TheStoredPortNumberNamesExactlyOnePort) {
  // A Raspberry Pi lists its own UART as COM301 and USB adapters from COM101.
  f.portList = {"COM3", "COM101", "COM301", "COM30"};
  for (const auto& [stored, index] : std::vector<std::pair<QByteArray, int>>{
           {"3", 0}, {"30", 3}, {"1", -1}, {"10", -1}, {"301", 2}, {"0", -1}, {"", -1}, {"COM3", -1}}) {
    write("[TELESCOPE]\nCommPort=" + stored + "\n");
    IniRead(path(), s, f);
    EXPECT_EQ(f.portIndex, index) << stored.constData();
  }
  // An adapter that is not plugged in today: leaving the set-up layout keeps its number.
  write("[TELESCOPE]\nCommPort=7\n");
  IniRead(path(), s, f);
  ASSERT_EQ(f.portIndex, -1);
  IniWrite(path(), f);
  EXPECT_EQ(ReadIni(path(), "TELESCOPE", "CommPort"), "7");
}

TEST_F(Settings, DomeParkEpochAndRelays) {
  write("[DOME]\nController=1\nENC3_PULSES= 3600\nDOME_RADIUS= 1.25\nDOME_REVOLVE= 3\nHomePosition=-1\n"
        "UpDown= 1\nDome_LimitSWC=2\nDOME_Auto=1\n"
        "[PARK]\nAZ=-1\nAlt= 30\n[SkyMap]\nEPOCH=2000\n"
        "[RELAY]\n$021=" + QByteArray(40, '*') + "\n$026=*\n$000=short\n");
  IniRead(path(), s, f);
  EXPECT_EQ(s.domeSettings.Controller, 1);
  EXPECT_EQ(s.mount.AxisRev[2], 3600);
  EXPECT_FLOAT_EQ(s.domeSettings.DOME_RADIUS, 1.25f);
  EXPECT_EQ(s.domeSettings.HomePosition, -1);
  EXPECT_TRUE(s.domeSettings.UpDown);
  EXPECT_FALSE(s.domeSettings.Dome_LimitSWC);  // only exactly 1 counts
  EXPECT_FALSE(DomeFollowsAtStart(path()));
  EXPECT_EQ(s.ParkAZ[0], -1);
  EXPECT_EQ(s.ParkAlt[0], 30);
  EXPECT_EQ(s.planetarium.SkyMapEpoch, 2);
  EXPECT_EQ(s.dome.RelayTable[21], QString(32, u'*'));
  EXPECT_EQ(s.dome.RelayTable[26], QStringLiteral("*") + QString(31, u' '));
  EXPECT_EQ(s.dome.RelayTable[0].size(), 32);
  EXPECT_EQ(s.dome.RelayTable[100].size(), 32);
}

TEST_F(Settings, WriteBackUsesTheFixedLayoutsAndTouchesNothingElse) {
  write("; observatory\n[Location]\nLATITUDE=+35:39:29\n[DOME]\nLastEnc= 120\n");
  f.txtLocation = {"35", "7", "29", "5", "44", "3", "12.4", "9"};
  f.optNS = 0;
  f.optEW = 1;
  f.mountIndex = 5;
  f.portIndex = 2;
  f.optMount = 1;
  IniWrite(path(), f);
  EXPECT_EQ(ReadIni(path(), "Location", "LATITUDE"), "+35:07:29");
  EXPECT_EQ(ReadIni(path(), "Location", "LONGITUDE"), "W005:44:03");
  EXPECT_EQ(ReadIni(path(), "Location", "TIMEZONE"), "9.0");
  EXPECT_EQ(ReadIni(path(), "Location", "HEIGHT"), "12");
  EXPECT_EQ(ReadIni(path(), "TELESCOPE", "CommPort"), "10");
  EXPECT_EQ(ReadIni(path(), "TELESCOPE", "Mount"), "F");
  EXPECT_TRUE(contents().contains("Telescope= 5\n"));
  EXPECT_TRUE(contents().startsWith("; observatory\n"));
  EXPECT_EQ(ReadIni(path(), "DOME", "LastEnc"), "120");

  // What was written reads back as the same site.
  IniRead(path(), s, f);
  EXPECT_EQ(s.site.SiteLongitude, -(5 * 3600 + 44 * 60 + 3));
  EXPECT_EQ(s.site.SiteLatitude, 35 * 3600 + 7 * 60 + 29);
  EXPECT_EQ(f.portIndex, 2);
}

TEST_F(Settings, AscomUseReadsAsATruthValue) {
  write("[ASCOM]\nUse=True\n");
  EXPECT_TRUE(ReadAscomUse(path()));
  write("[ASCOM]\nUse=-1\n");
  EXPECT_TRUE(ReadAscomUse(path()));
  write("[ASCOM]\nUse=0\n");
  EXPECT_FALSE(ReadAscomUse(path()));
  write("[ascom]\nuse=false\n");
  EXPECT_FALSE(ReadAscomUse(path()));
  EXPECT_EQ(contents(), "[ascom]\nuse=false\n");
}
