#pragma once
// The chooser of the bridge: a small dialog listing the telescopes the INDI server offers.
#include <QDialog>
#include <QStringList>

#include <functional>

class QListWidget;

namespace orvan::bridge {

class TelescopeChooser : public QDialog {
  Q_OBJECT
 public:
  TelescopeChooser(const QStringList& telescopes, const QString& current, QWidget* parent = nullptr);
  QString chosen() const;

 private:
  QListWidget* list_ = nullptr;
};

// Without a display: the configured telescope when the server offers it, else the only one
// offered, else none (empty).
QString PickWithoutDialog(const QStringList& telescopes, const QString& current);

// What the bridge does when the controller asks for the chooser: shows the dialog (one at a
// time; a second request only raises it) and hands over the pick when it closes, empty when
// cancelled; without `dialog`, picks at once as PickWithoutDialog does.
using PickHandler = std::function<void(const QString&)>;
using Chooser = std::function<void(const QStringList& telescopes, const QString& current, PickHandler picked)>;
Chooser MakeChooser(bool dialog);

}  // namespace orvan::bridge
