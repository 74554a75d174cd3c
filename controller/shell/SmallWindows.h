#pragma once
// The controller's small windows: the title window of the start wait, the notice that another
// instance runs, and the wait message shown while the mount connects.
#include <QDialog>
#include <QTimer>
#include <QWidget>

namespace orvan {

// "\OrvanMirel.bmp" with the version below it, centred; closes itself at the first tick of
// its 1000 ms timer.
class frmTitle : public QWidget {
  Q_OBJECT
 public:
  frmTitle(const QString& picturePath, const QString& versionText, QWidget* parent = nullptr);
  QString versionText() const { return versionText_; }

 private:
  QString versionText_;
  QTimer timer_;
};

// Topmost, centred: program title + "は既に起動されています"; ends on OK or after 6000 ms.
class frmAlreadyRunning : public QDialog {
  Q_OBJECT
 public:
  explicit frmAlreadyRunning(const QString& programTitle, QWidget* parent = nullptr);

 private:
  QTimer timer_;
};

// "起動中です、しばらくお待ち下さい", centred, while the mount and dome connect.
class WaitMessageWindow : public QWidget {
  Q_OBJECT
 public:
  explicit WaitMessageWindow(QWidget* parent = nullptr);
};

// The version texts: "   ﾊﾞｰｼﾞｮﾝ 1.0 (Build: 1)" for the title window, "1.0.1" for the
// set-up layout's telescope label.
QString TitleVersionText();
QString ShortVersionText();

void CentreOnScreen(QWidget* w);

}  // namespace orvan
