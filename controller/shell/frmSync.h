#pragma once
// The sync dialog: the reference stars that stand high enough now, and the zenith. The
// observer centres the chosen one and the active mount driver is synced on it. Modeless and
// above every other window; the list is read when the dialog loads and not refreshed.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace orvan {

class ACal2;
class MountDriver;

class frmSync : public QDialog {
  Q_OBJECT
 public:
  // `telescope` gives the active driver at the moment of the sync (it can change).
  frmSync(ACal2& cal, std::function<MountDriver*()> telescope, QString starFile, QWidget* parent = nullptr);

  // Loads the star file into the lists: stars at 20 degrees or higher, and every entry
  // without a position (the zenith, captions). Selects the first row.
  void KijunRead();
  // A row for a target a cooperating program sent the mount to (J2000).
  void AppendTarget(const QString& name, double ra, double dec);
  // 0: sync on the selected row (after the observer confirms), 1: cancel. Both close the
  // dialog, except when the row cannot be synced on, which is reported with the dialog open.
  void btnSync_Click(int index);

  QListWidget* SyncList = nullptr;
  QStringList RadecList;
  QLabel* lblProblem = nullptr;
  std::array<QPushButton*, 2> btnSync{};

 private:
  ACal2& cal_;
  std::function<MountDriver*()> telescope_;
  QString starFile_;
};

}  // namespace orvan
