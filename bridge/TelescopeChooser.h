#pragma once
// The chooser of the bridge: a small dialog listing the telescopes the INDI server offers.
#include <QDialog>
#include <QStringList>

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

}  // namespace orvan::bridge
