#include "frmUtility.h"

#include "CommPorts.h"
#include "DomeTestPanel.h"
#include "IniFile.h"
#include "ProgramFolder.h"
#include "Prompter.h"
#include "QtSerialLink.h"
#include "Shared.h"
#include "SingleInstance.h"
#include "Vb.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace orvan {

namespace {

const QString kProgramTitle = QStringLiteral("OrvanMirelutility");

template <class W>
W* named(W* w, const QString& name) {
  w->setObjectName(name);
  return w;
}

QLineEdit* edit(const QString& name, int width = 70) {
  auto* e = named(new QLineEdit, name);
  e->setMaximumWidth(width);
  return e;
}

// Topmost: program title + "は既に起動されています"; closes on OK or after 6000 ms.
void AlreadyRunningNotice() {
  QDialog notice;
  notice.setObjectName(QStringLiteral("frmAlreadyRunning"));
  notice.setWindowTitle(QStringLiteral("重複起動エラー"));
  notice.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* lay = new QVBoxLayout(&notice);
  lay->addWidget(new QLabel(kProgramTitle + QStringLiteral("は既に起動されています"), &notice));
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, &notice);
  lay->addWidget(box);
  QObject::connect(box, &QDialogButtonBox::accepted, &notice, &QDialog::accept);
  QTimer::singleShot(6000, &notice, &QDialog::accept);
  notice.exec();
}

// Index of the checked button of a group of option buttons, -1 when none is.
template <size_t N>
int checkedIndex(const std::array<QRadioButton*, N>& opts) {
  for (size_t k = 0; k < N; ++k)
    if (opts[k]->isChecked()) return int(k);
  return -1;
}

template <size_t N>
void setChecked(const std::array<QRadioButton*, N>& opts, int index) {
  // Exclusive groups cannot show "none" by unchecking: switch exclusivity off for a moment.
  auto* group = opts[0]->group();
  if (group) group->setExclusive(false);
  for (size_t k = 0; k < N; ++k) opts[k]->setChecked(int(k) == index);
  if (group) group->setExclusive(true);
}

template <size_t N>
std::array<QRadioButton*, N> optionGroup(QWidget* owner, const QString& name, const std::array<const char*, N>& captions) {
  std::array<QRadioButton*, N> opts{};
  auto* group = new QButtonGroup(owner);
  for (size_t k = 0; k < N; ++k) {
    opts[k] = named(new QRadioButton(QString::fromUtf8(captions[k])), name + QString::number(k));
    group->addButton(opts[k], int(k));
  }
  return opts;
}

QWidget* row(std::initializer_list<QWidget*> widgets) {
  auto* w = new QWidget;
  auto* lay = new QHBoxLayout(w);
  lay->setContentsMargins(0, 0, 0, 0);
  for (QWidget* x : widgets) lay->addWidget(x);
  lay->addStretch();
  return w;
}

}  // namespace

frmUtility::frmUtility(QString programFolder, QWidget* parent)
    : QWidget(parent), programFolder_(std::move(programFolder)) {
  setObjectName(QStringLiteral("frmUtility"));
  setWindowTitle(QStringLiteral("OrvanMirel ユーティリティ"));
  iniPath_ = programFolder_ + QStringLiteral("/OrvanMirel.ini");
  programmer_ = std::make_unique<EVexilProgrammer>(iniPath_, std::make_unique<QtSerialLink>(programFolder_));

  auto* lay = new QVBoxLayout(this);
  tabs = named(new QTabWidget(this), QStringLiteral("SSTab1"));
  lay->addWidget(tabs);
  buildSetupTab();
  buildDomeTab();
  buildVexilTab();
  buildOtherTab();

  lblSaveError = named(new QLabel(this), QStringLiteral("lblSaveError"));
  lblSaveError->setStyleSheet(QStringLiteral("color: rgb(200,0,0);"));
  lblSaveError->setWordWrap(true);
  lblSaveError->hide();
  lay->addWidget(lblSaveError);
  auto* foot = new QHBoxLayout;
  foot->addStretch();
  const char* captions[3] = {"OK", "Write", "Cancel"};
  for (int k = 0; k < 3; ++k) {
    btnOK[k] = named(new QPushButton(QString::fromLatin1(captions[k]), this), QStringLiteral("btnOK%1").arg(k));
    foot->addWidget(btnOK[k]);
    connect(btnOK[k], &QPushButton::clicked, this, [this, k] { btnOK_Click(k); });
  }
  lay->addLayout(foot);
}

frmUtility::~frmUtility() {
  // Before the child widgets go: the panel's disconnect re-enables the controller choice.
  programmer_->cmdConnect(false, 0);
  domePanel_->Disconnect();
}

QWidget* frmUtility::withError(QWidget* field) {
  auto* label = named(new QLabel, QStringLiteral("err_") + field->objectName());
  label->setStyleSheet(QStringLiteral("color: rgb(200,0,0);"));
  label->setWordWrap(true);
  label->hide();
  errorLabels_.insert(field->objectName(), label);
  auto* w = new QWidget;
  auto* l = new QHBoxLayout(w);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(field);
  l->addWidget(label, 1);
  return w;
}

QString frmUtility::fieldError(const QString& field) const {
  const QLabel* l = errorLabels_.value(field);
  return l && !l->isHidden() ? l->text() : QString();
}

void frmUtility::buildSetupTab() {
  auto* page = new QWidget;
  auto* lay = new QVBoxLayout(page);

  auto* site = named(new QGroupBox(QStringLiteral("観測地")), QStringLiteral("FrameLocation"));
  auto* sg = new QGridLayout(site);
  const char* locNames[8] = {nullptr};
  (void)locNames;
  for (int k = 0; k < 8; ++k) txtLocation[k] = edit(QStringLiteral("txtLocation%1").arg(k), k == 3 ? 50 : 40);
  txtLocation[6]->setMaximumWidth(70);
  txtLocation[7]->setMaximumWidth(60);
  optNS = optionGroup<2>(site, QStringLiteral("optNS"), {"北緯", "南緯"});
  optEW = optionGroup<2>(site, QStringLiteral("optEW"), {"東経", "西経"});
  sg->addWidget(new QLabel(QStringLiteral("緯度")), 0, 0);
  sg->addWidget(row({optNS[0], optNS[1]}), 0, 1);
  sg->addWidget(row({withError(txtLocation[0]), new QLabel(QStringLiteral("度")), withError(txtLocation[1]),
                     new QLabel(QStringLiteral("分")), withError(txtLocation[2]), new QLabel(QStringLiteral("秒"))}),
                0, 2);
  sg->addWidget(new QLabel(QStringLiteral("経度")), 1, 0);
  sg->addWidget(row({optEW[0], optEW[1]}), 1, 1);
  sg->addWidget(row({withError(txtLocation[3]), new QLabel(QStringLiteral("度")), withError(txtLocation[4]),
                     new QLabel(QStringLiteral("分")), withError(txtLocation[5]), new QLabel(QStringLiteral("秒"))}),
                1, 2);
  sg->addWidget(new QLabel(QStringLiteral("標高(m)")), 2, 0);
  sg->addWidget(withError(txtLocation[6]), 2, 1, 1, 2);
  sg->addWidget(new QLabel(QStringLiteral("時差(h)")), 3, 0);
  sg->addWidget(withError(txtLocation[7]), 3, 1, 1, 2);
  lay->addWidget(site);

  auto* mount = named(new QGroupBox(QStringLiteral("赤道儀")), QStringLiteral("FrameMount"));
  auto* mf = new QFormLayout(mount);
  cmbTelescope = named(new QComboBox, QStringLiteral("cmbTelescope"));
  cmbTelescope->addItems({QStringLiteral("E-Vexil"), QStringLiteral("Temma2M"), QStringLiteral("TemmaPC/PC Jr."),
                          QStringLiteral("Temma2/2 Jr."), QStringLiteral("Meade LX200"), QStringLiteral("Meade LX200GPS"),
                          QStringLiteral("RST-400(HUBO-i)"), QStringLiteral("ASCOM")});
  mf->addRow(QStringLiteral("機種："), cmbTelescope);
  cmbComm = named(new QComboBox, QStringLiteral("cmbComm"));
  mf->addRow(QStringLiteral("COMポート："), cmbComm);
  optMount = optionGroup<2>(mount, QStringLiteral("optMount"), {"ドイツ式", "フォーク式"});
  mf->addRow(QString(), row({optMount[0], optMount[1]}));

  auto* backlash = named(new QGroupBox(QStringLiteral("赤経のバックラッシュ補正")), QStringLiteral("FrameBackLash"));
  auto* bf = new QFormLayout(backlash);
  chkBackLash = named(new QCheckBox(QStringLiteral("実行する")), QStringLiteral("chkBackLash"));
  txtOverRun = edit(QStringLiteral("txtOverRun"));
  txtDelayTime = edit(QStringLiteral("txtDelayTime"));
  lblOverRun = new QLabel(QStringLiteral("オーバーラン"));
  lblDelayTime = new QLabel(QStringLiteral("ディレイ・タイム"));
  bf->addRow(chkBackLash);
  bf->addRow(lblOverRun, withError(txtOverRun));
  bf->addRow(lblDelayTime, withError(txtDelayTime));
  connect(chkBackLash, &QCheckBox::toggled, this, &frmUtility::setBackLashEnabled);
  mf->addRow(backlash);

  txtLoopTimer = edit(QStringLiteral("txtLoopTimer"));
  mf->addRow(QStringLiteral("通信間隔"), row({withError(txtLoopTimer), new QLabel(QStringLiteral("ms"))}));
  optVolt = optionGroup<2>(mount, QStringLiteral("optVolt"), {"12V", "24V"});
  mf->addRow(QStringLiteral("Temma電源"), row({optVolt[0], optVolt[1]}));

  auto* ascom = named(new QGroupBox(QStringLiteral("ASCOMプラットホーム")), QStringLiteral("FrameASCOM"));
  auto* al = new QVBoxLayout(ascom);
  chkASCOM = named(new QCheckBox(QStringLiteral("ASCOMを使用する")), QStringLiteral("chkASCOM"));
  al->addWidget(chkASCOM);
  connect(chkASCOM, &QCheckBox::clicked, this, &frmUtility::chkASCOM_MouseUp);
  mf->addRow(ascom);
  lay->addWidget(mount);

  auto* park = named(new QGroupBox(QStringLiteral("パーク位置")), QStringLiteral("FramePark"));
  auto* pf = new QFormLayout(park);
  txtParkAzAlt[0] = edit(QStringLiteral("txtParkAzAlt0"));
  txtParkAzAlt[1] = edit(QStringLiteral("txtParkAzAlt1"));
  pf->addRow(QStringLiteral("方位角"), withError(txtParkAzAlt[0]));
  pf->addRow(QStringLiteral("高度角"), withError(txtParkAzAlt[1]));
  lay->addWidget(park);

  auto* sky = named(new QGroupBox(QStringLiteral("連動星図ソフト")), QStringLiteral("FrameSkyMap"));
  auto* kf = new QFormLayout(sky);
  optEPOCH = optionGroup<2>(sky, QStringLiteral("optEPOCH"), {"J2000", "視位置"});
  kf->addRow(QString(), row({optEPOCH[0], optEPOCH[1]}));
  cmbVCommPort = named(new QComboBox, QStringLiteral("cmbVCommPort"));
  kf->addRow(QStringLiteral("仮想ポート"), withError(cmbVCommPort));
  lay->addWidget(sky);
  lay->addStretch();
  tabs->addTab(page, QStringLiteral("観測地・赤道儀"));
}

void frmUtility::buildDomeTab() {
  auto* page = new QWidget;
  auto* lay = new QVBoxLayout(page);

  auto* ctl = named(new QGroupBox(QStringLiteral("ドームコントローラ")), QStringLiteral("Frame6"));
  Frame6 = ctl;
  auto* cl = new QGridLayout(ctl);
  optController = optionGroup<3>(ctl, QStringLiteral("optController"), {"Orvanドームコントローラ", "Quarn-LX", "ドームコントローラなし"});
  for (int k = 0; k < 3; ++k) {
    cl->addWidget(optController[k], k, 0);
    connect(optController[k], &QRadioButton::clicked, this, [this, k] { ControllerSelect(k); });
  }
  Label7 = named(new QLabel(QStringLiteral("PORT")), QStringLiteral("Label7"));
  cmbQuarnport = named(new QComboBox, QStringLiteral("cmbQuarnport"));
  cl->addWidget(Label7, 1, 1);
  cl->addWidget(withError(cmbQuarnport), 1, 2);
  lay->addWidget(ctl);

  auto* params = named(new QGroupBox(QStringLiteral("ドームパラメータ")), QStringLiteral("FrameDomeParameter"));
  auto* pf = new QFormLayout(params);
  const char* captions[9] = {"全周パルス数", "ドーム半径", "許容誤差", "ホームポジション", "スリット開閉時間",
                             "オフセット（不動点基準） 東西", "オフセット（不動点基準） 南北", "オフセット（不動点基準） 上下",
                             "光軸中心距離"};
  for (int k = 0; k < 9; ++k) {
    txtDomeParameter[k] = edit(QStringLiteral("txtDomeParameter%1").arg(k), 90);
    pf->addRow(QString::fromUtf8(captions[k]), withError(txtDomeParameter[k]));
  }
  chkUpDown = named(new QCheckBox(QStringLiteral("UPｶｳﾝﾄ")), QStringLiteral("chkUpDown"));
  chkZswc = named(new QCheckBox(QStringLiteral("回転原点スイッチあり")), QStringLiteral("chkZswc"));
  chkDomeAuto = named(new QCheckBox(QStringLiteral("起動時ドーム連動ON")), QStringLiteral("chkDomeAuto"));
  pf->addRow(row({chkUpDown, chkZswc, chkDomeAuto}));
  lay->addWidget(params);

  auto* loop = named(new QGroupBox(QStringLiteral("ドームコントローラとの通信間隔")), QStringLiteral("FrameDomeLoop"));
  auto* ll = new QHBoxLayout(loop);
  txtDomeLoopTimer = edit(QStringLiteral("txtDomeLoopTimer"));
  ll->addWidget(withError(txtDomeLoopTimer));
  ll->addWidget(new QLabel(QStringLiteral("ms")));
  ll->addStretch();
  lay->addWidget(loop);

  auto* sensors = named(new QGroupBox(QStringLiteral("接続するセンサ")), QStringLiteral("FrameSensor"));
  auto* sl = new QHBoxLayout(sensors);
  chkSensor[0] = named(new QCheckBox(QStringLiteral("停電センサ")), QStringLiteral("chkSensor0"));
  chkSensor[1] = named(new QCheckBox(QStringLiteral("降雨雪センサ")), QStringLiteral("chkSensor1"));
  sl->addWidget(chkSensor[0]);
  sl->addWidget(chkSensor[1]);
  sl->addStretch();
  lay->addWidget(sensors);

  domePanel_ = new DomeTestPanel(iniPath_, programFolder_);
  lay->addWidget(domePanel_);
  connect(domePanel_, &DomeTestPanel::connectedChanged, this, [this](bool on) { Frame6->setEnabled(!on); });
  connect(chkUpDown, &QCheckBox::toggled, domePanel_, &DomeTestPanel::setUpDown);
  connect(cmbQuarnport, &QComboBox::currentIndexChanged, this,
          [this](int) { domePanel_->setPort(CommPortNumber(cmbQuarnport->currentText())); });
  lay->addStretch();
  tabs->addTab(page, QStringLiteral("ドーム"));
}

void frmUtility::buildVexilTab() {
  auto* page = new QWidget;
  auto* lay = new QVBoxLayout(page);
  auto* portBox = named(new QGroupBox(QStringLiteral("E-Vexilとの接続ポート")), QStringLiteral("FramePort"));
  auto* pl = new QHBoxLayout(portBox);
  cmbCommPort = named(new QComboBox, QStringLiteral("cmbCommPort"));
  btnConnect = named(new QPushButton(QStringLiteral("Connect")), QStringLiteral("btnConnect"));
  lblVersion = named(new QLabel, QStringLiteral("lblVersion"));
  pl->addWidget(cmbCommPort);
  pl->addWidget(btnConnect);
  pl->addWidget(new QLabel(QStringLiteral("バージョン：")));
  pl->addWidget(lblVersion, 1);
  lay->addWidget(portBox);
  // One port for the mount whichever tab chooses it: the two lists show the same entry.
  connect(cmbComm, &QComboBox::currentIndexChanged, cmbCommPort, &QComboBox::setCurrentIndex);
  connect(cmbCommPort, &QComboBox::currentIndexChanged, cmbComm, &QComboBox::setCurrentIndex);
  connect(btnConnect, &QPushButton::clicked, this, &frmUtility::btnConnect_Click);

  const char* frames[3] = {"周回ステップ数", "スローダウン", "恒星時周波数"};
  for (int k = 0; k < 3; ++k) {
    auto* box = named(new QGroupBox(QString::fromUtf8(frames[k])), QStringLiteral("FrameVexil%1").arg(k));
    FrameVexil[k] = box;
    Command3[k] = named(new QPushButton(QStringLiteral("送信")), QStringLiteral("Command3_%1").arg(k));
    connect(Command3[k], &QPushButton::clicked, this, [this, k] { Command3_Click(k); });
    auto* g = new QGridLayout(box);
    if (k == 0) {
      for (int a = 0; a < 2; ++a) {
        txtEncMax[a] = edit(QStringLiteral("txtEncMax%1").arg(a), 110);
        g->addWidget(new QLabel(a == 0 ? QStringLiteral("赤経軸") : QStringLiteral("赤緯軸")), a, 0);
        g->addWidget(txtEncMax[a], a, 1);
      }
      g->addWidget(Command3[k], 0, 2, 2, 1);
    } else if (k == 1) {
      for (int a = 0; a < 4; ++a) {
        txtSlowDown[a] = edit(QStringLiteral("txtSlowDown%1").arg(a), 90);
        g->addWidget(txtSlowDown[a], a / 2, 1 + a % 2);
      }
      g->addWidget(new QLabel(QStringLiteral("PA")), 0, 0);
      g->addWidget(new QLabel(QStringLiteral("SL")), 1, 0);
      g->addWidget(Command3[k], 0, 3, 2, 1);
    } else {
      optRate = optionGroup<3>(box, QStringLiteral("optRate"), {"恒星時", "ｷﾝｸﾞｽﾚｰﾄ", "任意速度"});
      txtPercent = edit(QStringLiteral("txtPercent"), 50);
      txtPercent->setText(QStringLiteral("50"));
      txtRate = edit(QStringLiteral("txtRate0"), 110);
      g->addWidget(optRate[0], 0, 0);
      g->addWidget(optRate[1], 0, 1);
      g->addWidget(row({optRate[2], txtPercent, new QLabel(QStringLiteral("%"))}), 0, 2);
      g->addWidget(txtRate, 1, 0, 1, 2);
      g->addWidget(Command3[k], 1, 2);
      optRate[0]->setChecked(true);
      for (int r = 0; r < 3; ++r) connect(optRate[r], &QRadioButton::clicked, this, &frmUtility::Ratecal);
      connect(txtPercent, &QLineEdit::textChanged, this, &frmUtility::Ratecal);
    }
    box->setEnabled(false);
    lay->addWidget(box);
  }
  lblVexilMessage = named(new QLabel, QStringLiteral("lblVexilMessage"));
  lblVexilMessage->setStyleSheet(QStringLiteral("color: rgb(200,0,0);"));
  lblVexilMessage->setWordWrap(true);
  lay->addWidget(lblVexilMessage);
  lay->addStretch();
  tabs->addTab(page, QStringLiteral("E-Vexil"));
}

void frmUtility::buildOtherTab() {
  auto* page = new QWidget;
  auto* lay = new QVBoxLayout(page);
  auto* local = named(new QGroupBox(QStringLiteral("ローカルデータ転送")), QStringLiteral("FrameLocalData"));
  auto* ll = new QVBoxLayout(local);
  auto* text = new QLabel(QStringLiteral(
      "Orvan起動時に、Orvan側で設定された観測値情報や時刻情報をHUBO-iに転送して、双方の情報を一致させます。"));
  text->setWordWrap(true);
  ll->addWidget(text);
  ll->addWidget(new QLabel(QStringLiteral("PC->HUBO-iへ転送するデータ")));
  const char* captions[3] = {"地方恒星時", "緯度・経度", "日付・時刻"};
  for (int k = 0; k < 3; ++k) {
    chkLocalData[k] = named(new QCheckBox(QString::fromUtf8(captions[k])), QStringLiteral("chkLocalData%1").arg(k));
    ll->addWidget(chkLocalData[k]);
  }
  lay->addWidget(local);
  auto* exec = named(new QGroupBox(QStringLiteral("終了直前に実行するプログラム（Full Path）")), QStringLiteral("FrameExec"));
  auto* el = new QVBoxLayout(exec);
  txtExec = named(new QLineEdit, QStringLiteral("txtExec"));
  el->addWidget(txtExec);
  lay->addWidget(exec);
  lay->addStretch();
  tabs->addTab(page, QStringLiteral("その他"));
}

bool frmUtility::Form_Load() {
  instance_ = std::make_unique<SingleInstance>(programFolder_ + QStringLiteral("/OrvanMirelutility.lock"));
  if (!instance_->acquire()) {
    AlreadyRunningNotice();
    return false;
  }
  CommPortSet();
  tabs->setCurrentIndex(0);
  UtilityRead();
  return true;
}

void frmUtility::CommPortSet() {
  QStringList ports;
  for (const CommPortEntry& e : ListCommPorts(programFolder_)) ports << QStringLiteral("COM") + QString::number(e.number);
  for (QComboBox* c : {cmbComm, cmbCommPort, cmbQuarnport}) {
    const QSignalBlocker block(c);
    c->clear();
    c->addItems(ports);
    c->setCurrentIndex(-1);
  }
}

UtilityFields frmUtility::toFields() const {
  UtilityFields f = loadedFields_;
  for (int k = 0; k < 8; ++k) f.txtLocation[k] = txtLocation[k]->text();
  f.optNS = std::max(0, checkedIndex(optNS));
  f.optEW = std::max(0, checkedIndex(optEW));
  f.cmbTelescope = std::max(0, cmbTelescope->currentIndex());
  f.portList.clear();
  for (int i = 0; i < cmbComm->count(); ++i) f.portList << cmbComm->itemText(i);
  f.cmbComm = cmbComm->currentIndex();
  f.optMount = checkedIndex(optMount);
  f.chkBackLash = chkBackLash->isChecked();
  f.txtOverRun = txtOverRun->text();
  f.txtDelayTime = txtDelayTime->text();
  f.txtLoopTimer = txtLoopTimer->text();
  f.optVolt = checkedIndex(optVolt);
  f.chkASCOM = chkASCOM->isChecked();
  for (int k = 0; k < 2; ++k) f.txtParkAzAlt[k] = txtParkAzAlt[k]->text();
  f.optEPOCH = checkedIndex(optEPOCH);
  f.cmbVCommPort = cmbVCommPort->currentIndex();
  f.optController = checkedIndex(optController);
  f.cmbQuarnport = cmbQuarnport->currentIndex();
  for (int k = 0; k < 9; ++k) f.txtDomeParameter[k] = txtDomeParameter[k]->text();
  f.chkUpDown = chkUpDown->isChecked();
  f.chkZswc = chkZswc->isChecked();
  f.chkDomeAuto = chkDomeAuto->isChecked();
  f.txtDomeLoopTimer = txtDomeLoopTimer->text();
  for (int k = 0; k < 3; ++k) f.chkLocalData[k] = chkLocalData[k]->isChecked();
  for (int k = 0; k < 2; ++k) f.chkSensor[k] = chkSensor[k]->isChecked();
  f.txtExec = txtExec->text();
  return f;
}

void frmUtility::fromFields(const UtilityFields& f) {
  for (int k = 0; k < 8; ++k) txtLocation[k]->setText(f.txtLocation[k]);
  setChecked(optNS, f.optNS);
  setChecked(optEW, f.optEW);
  cmbTelescope->setCurrentIndex(f.cmbTelescope);
  cmbComm->setCurrentIndex(f.cmbComm);  // cmbCommPort follows
  setChecked(optMount, f.optMount);
  cmbVCommPort->clear();
  for (int n = 1; n <= kVirtualPorts; ++n) cmbVCommPort->addItem(QStringLiteral("COM") + QString::number(n));
  cmbVCommPort->setCurrentIndex(f.cmbVCommPort);
  setChecked(optEPOCH, f.optEPOCH);
  for (int k = 0; k < 2; ++k) txtParkAzAlt[k]->setText(f.txtParkAzAlt[k]);
  chkBackLash->setChecked(f.chkBackLash);
  setBackLashEnabled(f.chkBackLash);
  txtOverRun->setText(f.txtOverRun);
  txtDelayTime->setText(f.txtDelayTime);
  txtLoopTimer->setText(f.txtLoopTimer);
  setChecked(optVolt, f.optVolt);
  chkASCOM->setChecked(f.chkASCOM);
  if (f.optController >= 0) {
    setChecked(optController, f.optController);
    ControllerSelect(f.optController);
  }
  cmbQuarnport->setCurrentIndex(f.cmbQuarnport);
  domePanel_->setPort(CommPortNumber(cmbQuarnport->currentText()));
  for (int k = 0; k < 9; ++k) txtDomeParameter[k]->setText(f.txtDomeParameter[k]);
  chkUpDown->setChecked(f.chkUpDown);
  domePanel_->setUpDown(f.chkUpDown);
  chkZswc->setChecked(f.chkZswc);
  chkDomeAuto->setChecked(f.chkDomeAuto);
  txtDomeLoopTimer->setText(f.txtDomeLoopTimer);
  domePanel_->setLoopTimer(static_cast<int>(vb::Val(f.txtDomeLoopTimer)));
  domePanel_->setRelayTable(f.relay);
  for (int k = 0; k < 3; ++k) chkLocalData[k]->setChecked(f.chkLocalData[k]);
  for (int k = 0; k < 2; ++k) chkSensor[k]->setChecked(f.chkSensor[k]);
  txtExec->setText(f.txtExec);
}

void frmUtility::UtilityRead() {
  UtilityFields f;
  for (int i = 0; i < cmbComm->count(); ++i) f.portList << cmbComm->itemText(i);
  orvan::UtilityRead(iniPath_, f);
  // The ASCOM box is ticked only when the bridge is installed as well.
  f.chkASCOM = f.chkASCOM && FileExists(programFolder_ + QStringLiteral("/OrvanforASCOM"));
  loadedFields_ = f;
  fromFields(f);
  // What the fields write unedited: only texts that differ from these are the observer's.
  loaded_ = UtilityEntries(toFields());
  // The programming tab's fields belong to a connection: they stay while one is open.
  if (!programmer_->Connected) clearVexilFields(true);
  showErrors({});
}

void frmUtility::showErrors(const QList<FieldError>& errors) {
  for (QLabel* l : errorLabels_) {
    l->clear();
    l->hide();
  }
  lblSaveError->hide();
  for (const FieldError& e : errors) {
    QLabel* l = errorLabels_.value(e.field);
    if (!l) continue;
    if (!l->isHidden()) continue;  // the first message of a field stands
    l->setText(e.message);
    l->show();
  }
  if (errors.isEmpty()) return;
  lblSaveError->setText(QStringLiteral("入力に誤りがあります。設定は保存されていません。"));
  lblSaveError->show();
  // The first field in error: its tab to the front, the cursor into it.
  if (QWidget* w = findChild<QWidget*>(errors.first().field)) {
    for (int t = 0; t < tabs->count(); ++t)
      if (tabs->widget(t)->isAncestorOf(w)) tabs->setCurrentIndex(t);
    w->setFocus();
    if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
  }
}

bool frmUtility::UtilityWrite() {
  const UtilityFields f = toFields();
  const QList<FieldError> errors = CheckUtilityFields(f);
  showErrors(errors);
  if (!errors.isEmpty()) return false;
  const QList<IniEntry> changed = ChangedEntries(loaded_, UtilityEntries(f));
  if (!WriteIniEntries(iniPath_, changed)) {
    lblSaveError->setText(QStringLiteral("設定ファイルに書き込めません（読み取り専用か、他のプログラムが使用中です）。設定は保存されていません: ") + iniPath_);
    lblSaveError->show();
    return false;
  }
  return true;
}

void frmUtility::btnOK_Click(int index) {
  switch (index) {
    case 0:
      if (UtilityWrite()) close();
      break;
    case 1:
      if (UtilityWrite()) UtilityRead();
      break;
    case 2:
      close();
      break;
    default:
      break;
  }
}

void frmUtility::ControllerSelect(int index) {
  if (index < 0 || index > 2) return;
  const bool port = index == 1;
  Label7->setEnabled(port);
  cmbQuarnport->setEnabled(port);
  domePanel_->ControllerSelect(index);
}

void frmUtility::setBackLashEnabled(bool on) {
  for (QWidget* w : {static_cast<QWidget*>(txtOverRun), static_cast<QWidget*>(txtDelayTime),
                     static_cast<QWidget*>(lblOverRun), static_cast<QWidget*>(lblDelayTime)})
    w->setEnabled(on);
}

void frmUtility::chkASCOM_MouseUp() {
  if (!chkASCOM->isChecked()) return;
  const Answer a = Prompter::current().ask(
      QStringLiteral("OrvanMirelutility"),
      QStringLiteral("ASCOMドライバーを使用する場合は「ASCOMplatform6.2」を先にインストール") + QStringLiteral("しておく必要があります。"),
      Buttons::OkCancel, Icon::Information);
  if (a == Answer::Cancel) chkASCOM->setChecked(false);
}

void frmUtility::closeEvent(QCloseEvent* event) {
  programmer_->cmdConnect(false, 0);
  domePanel_->Disconnect();
  event->accept();
}

// E-Vexil programming.

void frmUtility::vexilMessage(const QString& text) {
  lblVexilMessage->setText(text);
}

void frmUtility::clearVexilFields(bool all) {
  txtEncMax[0]->clear();
  txtEncMax[1]->clear();
  txtSlowDown[0]->clear();
  txtSlowDown[1]->clear();
  txtRate->clear();
  if (all) {
    txtSlowDown[2]->clear();
    txtSlowDown[3]->clear();
    lblVersion->clear();
  }
}

void frmUtility::btnConnect_Click() {
  vexilMessage(QString());
  if (!programmer_->Connected) {
    if (!programmer_->cmdConnect(true, CommPortNumber(cmbCommPort->currentText()))) return;
    btnConnect->setText(QStringLiteral("Disconnect"));
    for (QWidget* f : FrameVexil) f->setEnabled(true);
    EVexilParameters p;
    QString problem;
    const bool ok = programmer_->cmdStartUP(p, problem);
    for (int k = 0; k < 2; ++k) txtEncMax[k]->setText(p.txtEncMax[k]);
    for (int k = 0; k < 4; ++k) txtSlowDown[k]->setText(p.txtSlowDown[k]);
    lblVersion->setText(p.lblVersion);
    Ratecal();
    if (!ok) vexilMessage(problem);
    if (!programmer_->Connected) vexilDisconnected();  // the observer gave up waiting
    return;
  }
  programmer_->cmdConnect(false, 0);
  vexilDisconnected();
}

void frmUtility::vexilDisconnected() {
  btnConnect->setText(QStringLiteral("Connect"));
  for (QWidget* f : FrameVexil) f->setEnabled(false);
  clearVexilFields(false);
}

void frmUtility::Ratecal() {
  txtRate->setText(EVexilProgrammer::Ratecal(checkedIndex(optRate), txtEncMax[0]->text(), txtPercent->text()));
}

void frmUtility::Command3_Click(int index) {
  static const char* const titles[3] = {"周回ステップ数の設定", "恒星時周波数の設定", "スローダウンステップ数の設定"};
  const QString texts[3] = {
      QStringLiteral("周回ステップ数を送信すると、現在の座標が失われ初期化されます"),
      QStringLiteral("コントローラー部のジャンパーピン") + QChar(0x3000) + QStringLiteral("JP5 がOFFになっている場合のみ、書き込みが行われます"),
      QStringLiteral("スローダウンステップ数を送信すると、現在の座標が失われ初期化されます")};
  vexilMessage(QString());
  // Check the values before asking: a value the controller cannot hold is never sent.
  QStringList commands;
  QString problem;
  bool ok = false;
  if (index == 0) {
    QString cmd;
    ok = EVexilProgrammer::RevolutionCommand(txtEncMax[0]->text(), txtEncMax[1]->text(), cmd, problem);
    commands << cmd;
  } else if (index == 1) {
    QString cmd;
    ok = EVexilProgrammer::RateCommand(txtRate->text(), cmd, problem);
    commands << cmd;
  } else {
    QString pa, sl;
    ok = EVexilProgrammer::SlowDownCommands({txtSlowDown[0]->text(), txtSlowDown[1]->text(), txtSlowDown[2]->text(),
                                             txtSlowDown[3]->text()},
                                            pa, sl, problem);
    commands << pa;
    if (!sl.isEmpty()) commands << sl;
  }
  if (!ok) return vexilMessage(problem);
  if (Prompter::current().ask(QString::fromUtf8(titles[index]), texts[index], Buttons::OkCancel, Icon::Information) != Answer::Ok)
    return;
  for (const QString& cmd : commands) {
    if (!programmer_->Write(cmd, problem)) {
      vexilMessage(problem);
      break;
    }
  }
  if (!programmer_->Connected) vexilDisconnected();
}

}  // namespace orvan
