#include "DriverFixture.h"
#include "MountCatalog.h"
#include "MountDriver.h"

#include <gtest/gtest.h>
#include <memory>

namespace orvan {
namespace {

// Stored settings name a family by its number: a row that moves would switch every
// observatory's mount to another family on the next start.
TEST(MountCatalogTest, EachFamilyKeepsItsStoredNumber) {
  const std::vector<std::pair<int, QString>> stored{
      {0, QStringLiteral("E-Vexil")},      {1, QStringLiteral("Temma2M")},        {2, QStringLiteral("TemmaPC/PC Jr.")},
      {3, QStringLiteral("Temma2/2 Jr.")}, {4, QStringLiteral("Meade LX200")},    {5, QStringLiteral("Meade LX200GPS")},
      {6, QStringLiteral("RST-400(HUBO-i)")}, {7, QStringLiteral("ASCOM")}};
  const auto& rows = MountCatalog::rows();
  ASSERT_EQ(rows.size(), stored.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].number, static_cast<int>(i)) << rows[i].entry.toStdString();
    EXPECT_EQ(rows[i].number, stored[i].first);
    EXPECT_EQ(rows[i].entry, stored[i].second);
  }
  // The list a program shows is indexed by the same numbers: the bridge comes last, so
  // leaving it out moves no other entry.
  const QStringList withBridge = MountCatalog::entries(true);
  const QStringList without = MountCatalog::entries(false);
  EXPECT_EQ(withBridge.size(), 8);
  EXPECT_EQ(without, withBridge.mid(0, 7));
  EXPECT_EQ(MountCatalog::bridgeRow().entry, QStringLiteral("ASCOM"));
}

TEST(MountCatalogTest, RowsSayWhatTheirFamilyCanDo) {
  const MountFamily* temma = MountCatalog::find(QStringLiteral("TemmaPC/PC Jr."));
  ASSERT_NE(temma, nullptr);
  EXPECT_FALSE(temma->handRates.offers(1));
  EXPECT_EQ(temma->driverKey, MountCatalog::find(QStringLiteral("Temma2M"))->driverKey);
  EXPECT_NE(temma->driverKey, MountCatalog::find(QStringLiteral("Meade LX200"))->driverKey);
  EXPECT_TRUE(MountCatalog::find(QStringLiteral("E-Vexil"))->horizonDetour);
  EXPECT_TRUE(MountCatalog::find(QStringLiteral("RST-400(HUBO-i)"))->homing);
  const MountFamily& bridge = MountCatalog::bridgeRow();
  EXPECT_FALSE(bridge.handRates.any());
  int detours = 0, homings = 0, bridges = 0;
  for (const MountFamily& f : MountCatalog::rows()) {
    EXPECT_TRUE(f.makeDriver) << f.entry.toStdString();
    detours += f.horizonDetour;
    homings += f.homing;
    bridges += f.bridge;
  }
  EXPECT_EQ(detours, 1);
  EXPECT_EQ(homings, 1);
  EXPECT_EQ(bridges, 1);
  EXPECT_EQ(MountCatalog::find(QStringLiteral("Meade")), nullptr);
}

// Each row makes its family's driver: two entries that share a key share a driver class, and
// a row wired to another family's driver would talk the wrong protocol to the mount.
class MountCatalogDrivers : public testing::DriverFixture {};

TEST_F(MountCatalogDrivers, EachRowMakesTheDriverOfItsKey) {
  for (const MountFamily& f : MountCatalog::rows()) {
    if (f.bridge) continue;  // binds the bridge's port; its own tests make it
    SCOPED_TRACE(f.entry.toStdString());
    std::unique_ptr<MountDriver> d(f.makeDriver({state, host, cal, ini, nullptr}));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(QString::fromLatin1(d->metaObject()->className()), QStringLiteral("orvan::") + f.driverKey);
  }
}

}  // namespace
}  // namespace orvan
