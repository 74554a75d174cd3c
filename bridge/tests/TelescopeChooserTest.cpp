// The bridge's chooser as the observer meets it: the dialog's list, its buttons, one dialog at
// a time, and what the bridge is handed when it closes; and the pick without a screen.
#include "TelescopeChooser.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <optional>

using namespace orvan::bridge;

namespace {

QList<TelescopeChooser*> OpenChoosers() {
  QList<TelescopeChooser*> open;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* c = qobject_cast<TelescopeChooser*>(w); c && c->isVisible()) open << c;
  return open;
}

QStringList Rows(TelescopeChooser* c) {
  QStringList rows;
  const auto* list = c->findChild<QListWidget*>();
  for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
  return rows;
}

QPushButton* Button(TelescopeChooser* c, QDialogButtonBox::StandardButton which) {
  return c->findChild<QDialogButtonBox*>()->button(which);
}

// Lets the dialogs closed meanwhile go (they delete themselves on close).
void Settle() {
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

TEST(TelescopeChooser, TheDialogOffersTheServersTelescopesAndHandsOverThePick) {
  const Chooser choose = MakeChooser(true);
  std::optional<QString> picked;
  const auto keep = [&](const QString& d) { picked = d; };

  choose({"Telescope Simulator", "LX200 Basic", "EQMod Mount"}, "LX200 Basic", keep);
  ASSERT_EQ(OpenChoosers().size(), 1);
  TelescopeChooser* c = OpenChoosers().first();
  EXPECT_EQ(c->windowTitle(), "望遠鏡の選択");
  EXPECT_EQ(Rows(c), QStringList({"EQMod Mount", "LX200 Basic", "Telescope Simulator"}));
  EXPECT_EQ(c->chosen(), "LX200 Basic");  // the configured one is where the observer starts
  EXPECT_FALSE(picked);

  // A second request while it is open raises it: no second dialog, no early answer.
  choose({"Telescope Simulator"}, "", keep);
  EXPECT_EQ(OpenChoosers().size(), 1);
  EXPECT_FALSE(picked);

  c->findChild<QListWidget*>()->setCurrentRow(2);
  Button(c, QDialogButtonBox::Ok)->click();
  EXPECT_EQ(picked, "Telescope Simulator");
  Settle();
  EXPECT_TRUE(OpenChoosers().isEmpty());

  // Cancel hands over nothing, so the bridge keeps the telescope it had.
  picked.reset();
  choose({"Telescope Simulator", "LX200 Basic"}, "Gone Mount", keep);
  ASSERT_EQ(OpenChoosers().size(), 1);
  c = OpenChoosers().first();
  EXPECT_EQ(c->chosen(), "LX200 Basic");  // a configured telescope the server lacks: the first
  Button(c, QDialogButtonBox::Cancel)->click();
  EXPECT_EQ(picked, "");
  Settle();

  // A server without telescopes says so, and OK cannot pick anything.
  picked.reset();
  choose({}, "Telescope Simulator", keep);
  ASSERT_EQ(OpenChoosers().size(), 1);
  c = OpenChoosers().first();
  EXPECT_EQ(c->findChild<QLabel*>()->text(), "INDIサーバーに望遠鏡がありません");
  EXPECT_FALSE(Button(c, QDialogButtonBox::Ok)->isEnabled());
  EXPECT_EQ(c->chosen(), "");
  c->close();  // the window's own close button
  EXPECT_EQ(picked, "");
  Settle();
}

TEST(TelescopeChooser, WithoutAScreenTheConfiguredOrTheOnlyTelescopeIsTaken) {
  const Chooser choose = MakeChooser(false);
  QStringList picks;
  const auto keep = [&](const QString& d) { picks << d; };
  choose({"A", "B"}, "B", keep);             // configured and offered
  choose({"A", "B"}, "C", keep);             // configured but not offered, two to choose from
  choose({"A"}, "C", keep);                  // the only one
  choose({}, "B", keep);                     // none offered
  EXPECT_EQ(picks, QStringList({"B", "", "A", ""}));
  EXPECT_TRUE(OpenChoosers().isEmpty());
}

