#include "SmallWindows.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

namespace orvan {

QString TitleVersionText() {
  return frmTitle::tr("   ﾊﾞｰｼﾞｮﾝ %1.%2 (Build: %3)").arg(ORVAN_VERSION_MAJOR).arg(ORVAN_VERSION_MINOR).arg(ORVAN_VERSION_REVISION);
}

QString ShortVersionText() {
  return QStringLiteral("%1.%2.%3").arg(ORVAN_VERSION_MAJOR).arg(ORVAN_VERSION_MINOR).arg(ORVAN_VERSION_REVISION);
}

void CentreOnScreen(QWidget* w) {
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect r = s->availableGeometry();
    w->move(r.center() - QPoint(w->width() / 2, w->height() / 2));
  }
}

frmTitle::frmTitle(const QString& picturePath, const QString& versionText, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), versionText_(versionText) {
  setObjectName(QStringLiteral("frmTitle"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 4);
  auto* pic = new QLabel(this);
  pic->setObjectName(QStringLiteral("picTitle"));
  const QPixmap pm(picturePath);
  if (!pm.isNull()) pic->setPixmap(pm);
  else pic->setMinimumSize(320, 120);  // no picture installed: keep a plain title card
  lay->addWidget(pic);
  auto* ver = new QLabel(versionText, this);
  ver->setObjectName(QStringLiteral("lblVersion"));
  lay->addWidget(ver);
  adjustSize();
  CentreOnScreen(this);
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, [this] {
    timer_.stop();
    close();
  });
  timer_.start();
}

frmAlreadyRunning::frmAlreadyRunning(const QString& programTitle, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAlreadyRunning"));
  setWindowTitle(tr("重複起動エラー"));
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* lay = new QVBoxLayout(this);
  auto* text = new QLabel(programTitle + tr("は既に起動されています"), this);
  text->setObjectName(QStringLiteral("lblMessage"));
  lay->addWidget(text);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  lay->addWidget(box);
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  adjustSize();
  CentreOnScreen(this);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &QDialog::accept);
  timer_.start(6000);
}

WaitMessageWindow::WaitMessageWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmWaitMessage"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* lay = new QVBoxLayout(this);
  auto* text = new QLabel(tr("起動中です、しばらくお待ち下さい"), this);
  text->setObjectName(QStringLiteral("lblWait"));
  text->setMargin(16);
  lay->addWidget(text);
  setStyleSheet(QStringLiteral("background: rgb(255,255,192); border: 1px solid gray;"));
  adjustSize();
  CentreOnScreen(this);
}

}  // namespace orvan
