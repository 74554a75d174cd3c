// The main window's controls and their wiring. Positions are in twips (15 per pixel at 96 dpi)
// wherever the layout is fixed, the way the observer's manual measures them.
#include "frmMain.h"

#include "DomePanel.h"
#include "frmRST400Homing.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

namespace orvan {

namespace {

constexpr int kTwips = 15;
QRect tw(int left, int top, int width, int height) {
  return QRect(left / kTwips, top / kTwips, width / kTwips, height / kTwips);
}

template <typename W>
W* named(W* w, const QString& name) {
  w->setObjectName(name);
  return w;
}

QString indexed(const char* base, int i) { return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(i); }

}  // namespace

frmMain::frmMain(MainWindowParts parts, QWidget* parent)
    : QWidget(parent), obs_(std::make_unique<Observatory>(*this, std::move(parts))) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("OrvanMirel"));
  buildUi();
}

frmMain::~frmMain() = default;

void frmMain::buildUi() {
  setStyleSheet(QStringLiteral("QWidget#frmMain { background: rgb(32,32,32); } "
                               "QGroupBox { color: rgb(255,255,192); } QLabel { color: rgb(255,255,192); }"
                               "QRadioButton { color: rgb(255,255,192); }"
                               // A border of its own makes a button show its state colour flat,
                               // not as a tint of the platform's gradient.
                               "QPushButton { border: 1px solid rgb(128,128,96); }"));
  // Position display.
  Frame1 = named(new QGroupBox(QStringLiteral("RA/DEC (J2000)"), this), QStringLiteral("Frame1"));
  Frame1->setGeometry(tw(60, 0, 3360, 840));
  QFont big(QStringLiteral("Noto Sans Mono CJK JP"));
  big.setPixelSize(17);
  big.setBold(true);
  for (int i = 0; i < 2; ++i) {
    lblRaDec[i] = named(new QLabel(Frame1), indexed("lblRaDec", i));
    lblRaDec[i]->setGeometry(tw(120, 210 + i * 300, 3120, 300));
    lblRaDec[i]->setFont(big);
    lblRaDec[i]->setStyleSheet(QStringLiteral("color: rgb(255,64,64);"));
    lblRaDec[i]->installEventFilter(this);
  }
  Frame1->installEventFilter(this);
  const char* modeCaptions[4] = {"J2000", QT_TR_NOOP("視位置"), QT_TR_NOOP("高度方位"), QT_TR_NOOP("時刻")};
  for (int i = 0; i < 4; ++i) {
    chkDisp[i] = named(new QPushButton(tr(modeCaptions[i]), this), indexed("chkDisp", i));
    chkDisp[i]->setGeometry(tw(60 + i * 690, 870, 690, 270));
    chkDisp[i]->setCheckable(true);
    chkDisp[i]->setFocusPolicy(Qt::NoFocus);
    connect(chkDisp[i], &QPushButton::clicked, this, [this, i] { setDisplayMode(i); });
  }
  Picture1 = named(new QFrame(this), QStringLiteral("Picture1"));
  Picture1->setGeometry(tw(2850, 870, 255, 270));
  Picture1->setFrameShape(QFrame::Box);
  Picture1->setAutoFillBackground(true);
  btnSize = named(new QPushButton(QStringLiteral("▼"), this), QStringLiteral("btnSize"));
  btnSize->setGeometry(tw(3135, 870, 285, 270));
  btnSize->setFocusPolicy(Qt::NoFocus);
  connect(btnSize, &QPushButton::clicked, this, [this] { obs_->btnSize_Click(); });
  lblTelescopeName = named(new QLabel(this), QStringLiteral("lblTelescopeName"));
  lblTelescopeName->setGeometry(tw(60, 1155, 3360, 240));
  lblEWF = named(new QLabel(this), QStringLiteral("lblEWF"));
  lblEWF->setGeometry(tw(3000, 1155, 420, 240));

  // The popup menu of the display.
  MyPopMe = named(new QMenu(tr("ポップアップ"), this), QStringLiteral("MyPopMe"));
  QMenu* mnu_size = named(MyPopMe->addMenu(tr("表示サイズ")), QStringLiteral("mnu_size"));
  mnu_Mini = mnu_size->addAction(tr("最小構成"));
  mnu_Mini->setObjectName(QStringLiteral("mnu_Mini"));
  mnu_Hand = mnu_size->addAction(tr("ﾊﾝﾄﾞｺﾝﾄﾛｰﾗ表示"));
  mnu_Hand->setObjectName(QStringLiteral("mnu_Hand"));
  connect(mnu_Mini, &QAction::triggered, this, [this] { obs_->FormSizeChange(10); });
  connect(mnu_Hand, &QAction::triggered, this, [this] { obs_->FormSizeChange(11); });
  QMenu* mnuType = named(MyPopMe->addMenu(tr("表示タイプ")), QStringLiteral("mnu_Type"));
  const char* typeTexts[4] = {QT_TR_NOOP("2000年分点座標"), QT_TR_NOOP("視位置座標"), QT_TR_NOOP("高度/方位座標"), QT_TR_NOOP("時刻(JST/LST)")};
  for (int i = 0; i < 4; ++i) {
    mnu_Type[i] = mnuType->addAction(tr(typeTexts[i]));
    mnu_Type[i]->setObjectName(QStringLiteral("mnu_Type%1").arg(i));
    connect(mnu_Type[i], &QAction::triggered, this, [this, i] { setDisplayMode(i); });
  }

  buildHandPanel(this);
  buildSetupPanel(this);
  domePanel_ = new DomePanel(this);
  domePanel_->setGeometry(QRect(tw(60, 3870, 0, 0).topLeft(), domePanel_->sizeHint()));
  setDisplayMode(0);
}

void frmMain::buildHandPanel(QWidget* parent) {
  fraHand = named(new QGroupBox(parent), QStringLiteral("fraHand"));
  fraHand->setGeometry(tw(60, 1440, 3360, 1980));
  const char* letters[5] = {"N", "S", "E", "W", "STOP"};
  // Sky view: north up, east on the left.
  const QRect where[5] = {tw(1260, 120, 840, 420), tw(1260, 1080, 840, 420), tw(360, 600, 840, 420),
                          tw(2160, 600, 840, 420), tw(1260, 600, 840, 420)};
  for (int i = 0; i < 5; ++i) {
    btnNSWE[i] = named(new QPushButton(QString::fromLatin1(letters[i]), fraHand), indexed("btnNSWE", i));
    btnNSWE[i]->setGeometry(where[i]);
    btnNSWE[i]->setFocusPolicy(Qt::NoFocus);
    btnNSWE[i]->setStyleSheet(QStringLiteral("background: rgb(64,64,0); color: white;"));
    connect(btnNSWE[i], &QPushButton::pressed, this, [this, i] { btnNSWE_MouseDown(i); });
    connect(btnNSWE[i], &QPushButton::released, this, [this, i] { btnNSWE_MouseUp(i); });
  }
  const char* speeds[3] = {QT_TR_NOOP("高速"), QT_TR_NOOP("中速"), QT_TR_NOOP("低速")};
  for (int i = 0; i < 3; ++i) {
    optSpeed[i] = named(new QPushButton(tr(speeds[i]), fraHand), indexed("optSpeed", i));
    optSpeed[i]->setGeometry(tw(360 + i * 900, 1560, 840, 330));
    optSpeed[i]->setFocusPolicy(Qt::NoFocus);
    connect(optSpeed[i], &QPushButton::pressed, this, [this, i] { obs_->optSpeedOn(i); });
  }
  btnP = named(new QPushButton(QStringLiteral("P"), parent), QStringLiteral("btnP"));
  btnP->setGeometry(tw(60, 3480, 900, 360));
  btnP->setToolTip(tr("パーキング位置へ移動します"));
  btnP->setStyleSheet(QStringLiteral("background: rgb(64,64,0); color: white;"));
  btnP->setFocusPolicy(Qt::NoFocus);
  connect(btnP, &QPushButton::clicked, this, [this] { obs_->btnP_Click(); });
  btnZ = named(new QPushButton(tr("同期"), parent), QStringLiteral("btnZ"));
  btnZ->setGeometry(tw(1020, 3480, 900, 360));
  btnZ->setToolTip(tr("天頂や主な恒星で同期処理を実行します"));
  btnZ->setFocusPolicy(Qt::NoFocus);
  connect(btnZ, &QPushButton::clicked, this, &frmMain::btnZ_Click);
  btnDetail = named(new QPushButton(QStringLiteral(">>"), parent), QStringLiteral("btnDetail"));
  btnDetail->setGeometry(tw(2520, 3480, 900, 360));
  btnDetail->setFocusPolicy(Qt::NoFocus);
  connect(btnDetail, &QPushButton::clicked, this, [this] { obs_->btnDetail_Click(); });
}

void frmMain::buildSetupPanel(QWidget* parent) {
  fraSetup = named(new QWidget(parent), QStringLiteral("fraSetup"));
  fraSetup->setGeometry(tw(3540, 0, 3720, 4200));
  auto* site = named(new QGroupBox(tr("観測地"), fraSetup), QStringLiteral("fraSite"));
  site->setGeometry(tw(0, 0, 3720, 1560));
  const auto row = [&](int top, int first, std::array<QRadioButton*, 2>& radios, const char* a, const char* b,
                       const char* name, int degWidth) {
    radios[0] = named(new QRadioButton(tr(a), site), indexed(name, 0));
    radios[1] = named(new QRadioButton(tr(b), site), indexed(name, 1));
    radios[0]->setGeometry(tw(90, top, 810, 300));
    radios[1]->setGeometry(tw(900, top, 810, 300));
    auto* group = new QButtonGroup(site);
    group->addButton(radios[0]);
    group->addButton(radios[1]);
    int left = 1740;
    for (int k = 0; k < 3; ++k) {
      txtLocation[first + k] = named(new QLineEdit(site), indexed("txtLocation", first + k));
      const int w = k == 0 ? degWidth : 540;
      txtLocation[first + k]->setGeometry(tw(left, top, w, 300));
      left += w + 60;
    }
  };
  row(270, 0, optNS, QT_TR_NOOP("北緯"), QT_TR_NOOP("南緯"), "optNS", 540);
  row(630, 3, optEW, QT_TR_NOOP("東経"), QT_TR_NOOP("西経"), "optEW", 660);
  auto* lh = new QLabel(tr("標高(m)"), site);
  lh->setGeometry(tw(120, 1020, 900, 300));
  txtLocation[6] = named(new QLineEdit(site), indexed("txtLocation", 6));
  txtLocation[6]->setGeometry(tw(1020, 1020, 720, 300));
  auto* lt = new QLabel(tr("時差(h)"), site);
  lt->setGeometry(tw(1920, 1020, 900, 300));
  txtLocation[7] = named(new QLineEdit(site), indexed("txtLocation", 7));
  txtLocation[7]->setGeometry(tw(2760, 1020, 720, 300));

  auto* mount = named(new QGroupBox(tr("赤道儀"), fraSetup), QStringLiteral("fraMount"));
  mount->setGeometry(tw(0, 1620, 3720, 2100));
  auto* lm = new QLabel(tr("機種："), mount);
  lm->setGeometry(tw(120, 300, 900, 300));
  cmbTelescope = named(new QComboBox(mount), QStringLiteral("cmbTelescope"));
  cmbTelescope->setGeometry(tw(1020, 270, 2580, 330));
  connect(cmbTelescope, &QComboBox::activated, this, [this] { obs_->cmbTelescope_Click(true); });
  Picture2 = named(new QWidget(mount), QStringLiteral("Picture2"));
  Picture2->setGeometry(tw(60, 690, 3600, 1320));
  lblComm = named(new QLabel(tr("COMポート："), Picture2), QStringLiteral("lblComm"));
  lblComm->setGeometry(tw(60, 30, 1260, 300));
  cmbComm = named(new QComboBox(Picture2), QStringLiteral("cmbComm"));
  cmbComm->setGeometry(tw(1320, 0, 1500, 330));
  optMount[0] = named(new QRadioButton(tr("ドイツ式"), Picture2), indexed("optMount", 0));
  optMount[1] = named(new QRadioButton(tr("フォーク式"), Picture2), indexed("optMount", 1));
  optMount[0]->setGeometry(tw(60, 450, 1500, 300));
  optMount[1]->setGeometry(tw(1560, 450, 1500, 300));
  btnChooser = named(new QPushButton(tr("ASCOM選択"), Picture2), QStringLiteral("btnChooser"));
  // In the port's place: the bridge's driver has its own port and mount type.
  btnChooser->setGeometry(tw(60, 0, 1500, 330));
  btnChooser->setVisible(false);
  connect(btnChooser, &QPushButton::clicked, this, [this] { obs_->btnChooser_Click(); });
  // The bridge's telescope as the bridge names it, or what went wrong with the bridge.
  lblAscomTelescope = named(new QLabel(Picture2), QStringLiteral("lblAscomTelescope"));
  lblAscomTelescope->setGeometry(tw(1620, 30, 1980, 300));
  lblAscomTelescope->setVisible(false);
  btnUtility = named(new QPushButton(tr("ユーティリティ"), fraSetup), QStringLiteral("btnUtility"));
  btnUtility->setGeometry(tw(0, 3840, 1800, 360));
  connect(btnUtility, &QPushButton::clicked, this, [this] { obs_->btnUtility_Click(); });
  btnDocument = named(new QPushButton(tr("ドキュメント"), fraSetup), QStringLiteral("btnDocument"));
  btnDocument->setGeometry(tw(1920, 3840, 1800, 360));
  connect(btnDocument, &QPushButton::clicked, this, &frmMain::btnDocument_Click);
}

void frmMain::showFields(const SetupFields& fields) {
  for (int i = 0; i < 8; ++i) txtLocation[i]->setText(fields.txtLocation[i]);
  optNS[fields.optNS == 1 ? 1 : 0]->setChecked(true);
  optEW[fields.optEW == 1 ? 1 : 0]->setChecked(true);
  for (auto* b : optMount) {
    b->setAutoExclusive(false);
    b->setChecked(false);
    b->setAutoExclusive(true);
  }
  if (fields.optMount >= 0) optMount[fields.optMount]->setChecked(true);
  if (cmbTelescope->count() != fields.mountList.size()) {
    cmbTelescope->clear();
    cmbTelescope->addItems(fields.mountList);
  }
  cmbTelescope->setCurrentIndex(fields.mountIndex);
  cmbComm->clear();
  cmbComm->addItems(fields.portList);
  markUnusablePorts();
  cmbComm->setCurrentIndex(fields.portIndex);
}

SetupFields frmMain::readFields(const SetupFields& base) const {
  SetupFields f = base;
  for (int i = 0; i < 8; ++i) f.txtLocation[i] = txtLocation[i]->text();
  f.optNS = optNS[1]->isChecked() ? 1 : 0;
  f.optEW = optEW[1]->isChecked() ? 1 : 0;
  f.optMount = optMount[0]->isChecked() ? 0 : (optMount[1]->isChecked() ? 1 : -1);
  f.mountIndex = cmbTelescope->currentIndex();
  f.portIndex = cmbComm->currentIndex();
  return f;
}

QString frmMain::selectedCommPort() const { return cmbComm ? cmbComm->currentText() : QString(); }

QString frmMain::selectedMountEntry() const { return cmbTelescope->currentText(); }

void frmMain::setDisplayMode(int mode) {
  static const char* texts[4] = {"RA/DEC (J2000)", QT_TR_NOOP("RA/DEC (視位置)"), "ALT/AZ", "JST/LST"};
  obs_->setDisplayMode(mode);
  const int shown = obs_->displayMode();
  Frame1->setTitle(tr(texts[shown]));
  for (int i = 0; i < 4; ++i) {
    chkDisp[i]->setChecked(i == shown);
    chkDisp[i]->setStyleSheet(i == shown ? QStringLiteral("background: rgb(255,255,0); color: black;")
                                         : QStringLiteral("background: rgb(64,64,0); color: rgb(192,192,192);"));
  }
}

bool frmMain::eventFilter(QObject* watched, QEvent* e) {
  const bool display = watched == Frame1 || watched == lblRaDec[0] || watched == lblRaDec[1];
  const int layout = obs_->windowLayout();
  if (display && e->type() == QEvent::MouseButtonDblClick) {
    if (watched == Frame1) {
      setDisplayMode((obs_->displayMode() + 1) % 4);
    } else if (layout == 0) {
      obs_->FormSizeChange(11);
    } else if (layout == 1) {
      obs_->FormSizeChange(10);
    }
    return true;
  }
  if (display && e->type() == QEvent::MouseButtonPress) {
    auto* me = static_cast<QMouseEvent*>(e);
    if (me->button() == Qt::RightButton && (layout == 0 || layout == 1)) {
      openPopup(me->globalPosition().toPoint());
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void frmMain::openPopup(const QPoint& globalPos) {
  mnu_Mini->setEnabled(obs_->windowLayout() != 0);
  mnu_Hand->setEnabled(obs_->windowLayout() == 0);
  MyPopMe->popup(globalPos);
}

void frmMain::keyPressEvent(QKeyEvent* e) {
  // Alt+T: the mount list; Alt+C: the port list.
  if (e->modifiers() & Qt::AltModifier) {
    if (e->key() == Qt::Key_T) { cmbTelescope->setFocus(); return; }
    if (e->key() == Qt::Key_C) { cmbComm->setFocus(); return; }
  }
  QWidget::keyPressEvent(e);
}

void frmMain::closeEvent(QCloseEvent* e) {
  if (obs_->CloseRequested()) e->accept();
  else e->ignore();
}

void frmMain::fitToLayout(int layout, bool domePanel) {
  // The mini layout is the display alone, the hand layout adds the hand controller (and the
  // dome panel below it), the set-up layout the set-up column beside them.
  const bool hand = layout != 0;
  for (QWidget* w : {static_cast<QWidget*>(fraHand), static_cast<QWidget*>(btnP), static_cast<QWidget*>(btnZ),
                     static_cast<QWidget*>(btnDetail)})
    w->setVisible(hand);
  domePanel_->setVisible(hand && domePanel);
  fraSetup->setVisible(layout == 2);
  // The window ends a margin past the rightmost and the lowest control it shows.
  QRect shown;
  for (const QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!w->isWindow() && w->isVisibleTo(this)) shown |= w->geometry();
  constexpr int kMargin = 60 / kTwips;
  setFixedSize(shown.right() + 1 + kMargin, shown.bottom() + 1 + kMargin);
}

}  // namespace orvan
