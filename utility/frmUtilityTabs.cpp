// The utility's settings tabs: which control edits which key, under which caption.
#include "frmUtility.h"

#include "MountCatalog.h"

#include "CommPorts.h"
#include "DomeTestPanel.h"
#include "UtilityWidgets.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace orvan {

using namespace ui;

// A field's message goes below it, as wide as the field's column: beside a narrow field it
// would wrap after every word.
QWidget* frmUtility::withError(QWidget* field) {
  auto* w = new QWidget;
  auto* l = new QVBoxLayout(w);
  l->setContentsMargins(0, 0, 0, 0);
  l->setSpacing(2);
  l->addWidget(field, 0, Qt::AlignLeft);
  l->addWidget(errorLabel(field));
  return w;
}

// The messages of fields that share one row, one below the other under the row.
QWidget* frmUtility::errorsOf(std::initializer_list<QWidget*> fields) {
  auto* w = new QWidget;
  auto* l = new QVBoxLayout(w);
  l->setContentsMargins(0, 0, 0, 0);
  l->setSpacing(2);
  for (QWidget* f : fields) l->addWidget(errorLabel(f));
  return w;
}

QLabel* frmUtility::errorLabel(QWidget* field) {
  auto* label = named(new QLabel, QStringLiteral("err_") + field->objectName());
  label->setStyleSheet(QStringLiteral("color: rgb(200,0,0);"));
  label->setWordWrap(true);
  label->hide();
  errorLabels_.insert(field->objectName(), label);
  return label;
}

QString frmUtility::fieldError(const QString& field) const {
  const QLabel* l = errorLabels_.value(field);
  return l && !l->isHidden() ? l->text() : QString();
}

void frmUtility::buildSetupTab() {
  auto* page = new QWidget;
  auto* lay = new QVBoxLayout(page);

  auto* site = named(new QGroupBox(tr("観測地")), QStringLiteral("FrameLocation"));
  auto* sg = new QGridLayout(site);
  for (int k = 0; k < 8; ++k) txtLocation[k] = edit(QStringLiteral("txtLocation%1").arg(k), k == 3 ? 50 : 40);
  txtLocation[6]->setMaximumWidth(70);
  txtLocation[7]->setMaximumWidth(60);
  optNS = optionGroup<2>(site, QStringLiteral("optNS"), {QT_TRANSLATE_NOOP("orvan::frmUtility", "北緯"), QT_TRANSLATE_NOOP("orvan::frmUtility", "南緯")});
  optEW = optionGroup<2>(site, QStringLiteral("optEW"), {QT_TRANSLATE_NOOP("orvan::frmUtility", "東経"), QT_TRANSLATE_NOOP("orvan::frmUtility", "西経")});
  // Latitude and longitude: hemisphere, degrees, minutes, seconds, and their messages below.
  const auto angleRow = [&](int at, const char* caption, const std::array<QRadioButton*, 2>& side, int first) {
    sg->addWidget(new QLabel(tr(caption)), at, 0);
    sg->addWidget(row({side[0], side[1]}), at, 1);
    sg->addWidget(row({txtLocation[first], new QLabel(tr("度")), txtLocation[first + 1],
                       new QLabel(tr("分")), txtLocation[first + 2], new QLabel(tr("秒"))}),
                  at, 2);
    sg->addWidget(errorsOf({txtLocation[first], txtLocation[first + 1], txtLocation[first + 2]}), at + 1, 1, 1, 2);
  };
  angleRow(0, QT_TR_NOOP("緯度"), optNS, 0);
  angleRow(2, QT_TR_NOOP("経度"), optEW, 3);
  sg->addWidget(new QLabel(tr("標高(m)")), 4, 0);
  sg->addWidget(withError(txtLocation[6]), 4, 1, 1, 2);
  sg->addWidget(new QLabel(tr("時差(h)")), 5, 0);
  sg->addWidget(withError(txtLocation[7]), 5, 1, 1, 2);
  lay->addWidget(site);

  auto* mount = named(new QGroupBox(tr("赤道儀")), QStringLiteral("FrameMount"));
  auto* mf = new QFormLayout(mount);
  cmbTelescope = named(new QComboBox, QStringLiteral("cmbTelescope"));
  // The same list as the controller's, whether or not the bridge is in use there.
  cmbTelescope->addItems(MountCatalog::entries(true));
  mf->addRow(tr("機種："), cmbTelescope);
  cmbComm = named(new QComboBox, QStringLiteral("cmbComm"));
  mf->addRow(tr("COMポート："), cmbComm);
  optMount = optionGroup<2>(mount, QStringLiteral("optMount"), {QT_TRANSLATE_NOOP("orvan::frmUtility", "ドイツ式"), QT_TRANSLATE_NOOP("orvan::frmUtility", "フォーク式")});
  mf->addRow(QString(), row({optMount[0], optMount[1]}));

  auto* backlash = named(new QGroupBox(tr("赤経のバックラッシュ補正")), QStringLiteral("FrameBackLash"));
  auto* bf = new QFormLayout(backlash);
  chkBackLash = named(new QCheckBox(tr("実行する")), QStringLiteral("chkBackLash"));
  txtOverRun = edit(QStringLiteral("txtOverRun"));
  txtDelayTime = edit(QStringLiteral("txtDelayTime"));
  lblOverRun = new QLabel(tr("オーバーラン"));
  lblDelayTime = new QLabel(tr("ディレイ・タイム"));
  bf->addRow(chkBackLash);
  bf->addRow(lblOverRun, withError(txtOverRun));
  bf->addRow(lblDelayTime, withError(txtDelayTime));
  connect(chkBackLash, &QCheckBox::toggled, this, &frmUtility::setBackLashEnabled);
  mf->addRow(backlash);

  txtLoopTimer = edit(QStringLiteral("txtLoopTimer"));
  mf->addRow(tr("通信間隔"), row({txtLoopTimer, new QLabel(QStringLiteral("ms"))}));
  mf->addRow(QString(), errorsOf({txtLoopTimer}));
  optVolt = optionGroup<2>(mount, QStringLiteral("optVolt"), {"12V", "24V"});
  mf->addRow(tr("Temma電源"), row({optVolt[0], optVolt[1]}));

  auto* ascom = named(new QGroupBox(tr("ASCOMプラットホーム")), QStringLiteral("FrameASCOM"));
  auto* al = new QVBoxLayout(ascom);
  chkASCOM = named(new QCheckBox(tr("ASCOMを使用する")), QStringLiteral("chkASCOM"));
  al->addWidget(chkASCOM);
  connect(chkASCOM, &QCheckBox::clicked, this, &frmUtility::chkASCOM_MouseUp);
  // Alpaca has no authentication: whoever reaches the port steers the mount.
  chkAlpaca = named(new QCheckBox(tr("Alpacaデバイスを公開する")), QStringLiteral("chkAlpaca"));
  chkAlpaca->setToolTip(tr("認証はありません。ローカルの全ユーザー(AlpacaNetwork=1 ではネットワーク)から望遠鏡を操作できます"));
  al->addWidget(chkAlpaca);
  mf->addRow(ascom);
  lay->addWidget(mount);

  auto* park = named(new QGroupBox(tr("パーク位置")), QStringLiteral("FramePark"));
  auto* pf = new QFormLayout(park);
  txtParkAzAlt[0] = edit(QStringLiteral("txtParkAzAlt0"));
  txtParkAzAlt[1] = edit(QStringLiteral("txtParkAzAlt1"));
  pf->addRow(tr("方位角"), withError(txtParkAzAlt[0]));
  pf->addRow(tr("高度角"), withError(txtParkAzAlt[1]));
  lay->addWidget(park);

  auto* sky = named(new QGroupBox(tr("連動星図ソフト")), QStringLiteral("FrameSkyMap"));
  auto* kf = new QFormLayout(sky);
  optEPOCH = optionGroup<2>(sky, QStringLiteral("optEPOCH"), {QT_TRANSLATE_NOOP("orvan::frmUtility", "J2000"), QT_TRANSLATE_NOOP("orvan::frmUtility", "視位置")});
  kf->addRow(QString(), row({optEPOCH[0], optEPOCH[1]}));
  cmbVCommPort = named(new QComboBox, QStringLiteral("cmbVCommPort"));
  kf->addRow(tr("仮想ポート"), withError(cmbVCommPort));
  lay->addWidget(sky);
  lay->addStretch();
  tabs->addTab(page, tr("観測地・赤道儀"));
}

void frmUtility::buildDomeTab() {
  auto* page = new QWidget;
  auto* lay = new QVBoxLayout(page);

  auto* ctl = named(new QGroupBox(tr("ドームコントローラ")), QStringLiteral("Frame6"));
  Frame6 = ctl;
  auto* cl = new QGridLayout(ctl);
  optController = optionGroup<3>(ctl, QStringLiteral("optController"), {QT_TRANSLATE_NOOP("orvan::frmUtility", "Orvanドームコントローラ"), QT_TRANSLATE_NOOP("orvan::frmUtility", "Quarn-LX"), QT_TRANSLATE_NOOP("orvan::frmUtility", "ドームコントローラなし")});
  for (int k = 0; k < 3; ++k) {
    cl->addWidget(optController[k], k, 0);
    connect(optController[k], &QRadioButton::clicked, this, [this, k] { ControllerSelect(k); });
  }
  Label7 = named(new QLabel(QStringLiteral("PORT")), QStringLiteral("Label7"));
  cmbQuarnport = named(new QComboBox, QStringLiteral("cmbQuarnport"));
  cl->addWidget(Label7, 1, 1);
  cl->addWidget(withError(cmbQuarnport), 1, 2);
  lay->addWidget(ctl);

  auto* params = named(new QGroupBox(tr("ドームパラメータ")), QStringLiteral("FrameDomeParameter"));
  auto* pf = new QFormLayout(params);
  const char* captions[9] = {QT_TR_NOOP("全周パルス数"), QT_TR_NOOP("ドーム半径"), QT_TR_NOOP("許容誤差"), QT_TR_NOOP("ホームポジション"), QT_TR_NOOP("スリット開閉時間"),
                             QT_TR_NOOP("オフセット（不動点基準） 東西"), QT_TR_NOOP("オフセット（不動点基準） 南北"), QT_TR_NOOP("オフセット（不動点基準） 上下"),
                             QT_TR_NOOP("光軸中心距離")};
  for (int k = 0; k < 9; ++k) {
    txtDomeParameter[k] = edit(QStringLiteral("txtDomeParameter%1").arg(k), 90);
    pf->addRow(tr(captions[k]), withError(txtDomeParameter[k]));
  }
  chkUpDown = named(new QCheckBox(tr("UPｶｳﾝﾄ")), QStringLiteral("chkUpDown"));
  chkZswc = named(new QCheckBox(tr("回転原点スイッチあり")), QStringLiteral("chkZswc"));
  chkDomeAuto = named(new QCheckBox(tr("起動時ドーム連動ON")), QStringLiteral("chkDomeAuto"));
  pf->addRow(row({chkUpDown, chkZswc, chkDomeAuto}));
  lay->addWidget(params);

  auto* loop = named(new QGroupBox(tr("ドームコントローラとの通信間隔")), QStringLiteral("FrameDomeLoop"));
  auto* ll = new QVBoxLayout(loop);
  txtDomeLoopTimer = edit(QStringLiteral("txtDomeLoopTimer"));
  ll->addWidget(row({txtDomeLoopTimer, new QLabel(QStringLiteral("ms"))}));
  ll->addWidget(errorsOf({txtDomeLoopTimer}));
  lay->addWidget(loop);

  auto* sensors = named(new QGroupBox(tr("接続するセンサ")), QStringLiteral("FrameSensor"));
  auto* sl = new QHBoxLayout(sensors);
  chkSensor[0] = named(new QCheckBox(tr("停電センサ")), QStringLiteral("chkSensor0"));
  chkSensor[1] = named(new QCheckBox(tr("降雨雪センサ")), QStringLiteral("chkSensor1"));
  // Closing on rain needs the rain sensor: without it the box means nothing.
  chkRainClose = named(new QCheckBox(tr("降雨雪でスリットを閉じる")), QStringLiteral("chkRainClose"));
  sl->addWidget(chkSensor[0]);
  sl->addWidget(chkSensor[1]);
  sl->addWidget(chkRainClose);
  chkRainClose->setEnabled(false);
  connect(chkSensor[1], &QCheckBox::toggled, chkRainClose, &QWidget::setEnabled);
  sl->addStretch();
  lay->addWidget(sensors);

  domePanel_ = new DomeTestPanel(iniPath_, programFolder_);
  lay->addWidget(domePanel_);
  connect(domePanel_, &DomeTestPanel::connectedChanged, this, [this](bool on) { Frame6->setEnabled(!on); });
  connect(chkUpDown, &QCheckBox::toggled, domePanel_, &DomeTestPanel::setUpDown);
  connect(cmbQuarnport, &QComboBox::currentIndexChanged, this,
          [this](int) { domePanel_->setPort(CommPortNumber(cmbQuarnport->currentText())); });
  lay->addStretch();
  tabs->addTab(page, tr("ドーム"));
}


void frmUtility::buildOtherTab() {
  auto* page = new QWidget;
  auto* lay = new QVBoxLayout(page);
  auto* local = named(new QGroupBox(tr("ローカルデータ転送")), QStringLiteral("FrameLocalData"));
  auto* ll = new QVBoxLayout(local);
  auto* text = new QLabel(tr(
      "Orvan起動時に、Orvan側で設定された観測値情報や時刻情報をHUBO-iに転送して、双方の情報を一致させます。"));
  text->setWordWrap(true);
  ll->addWidget(text);
  ll->addWidget(new QLabel(tr("PC->HUBO-iへ転送するデータ")));
  const char* captions[3] = {QT_TR_NOOP("地方恒星時"), QT_TR_NOOP("緯度・経度"), QT_TR_NOOP("日付・時刻")};
  for (int k = 0; k < 3; ++k) {
    chkLocalData[k] = named(new QCheckBox(tr(captions[k])), QStringLiteral("chkLocalData%1").arg(k));
    ll->addWidget(chkLocalData[k]);
  }
  lay->addWidget(local);
  auto* exec = named(new QGroupBox(tr("終了直前に実行するプログラム（Full Path）")), QStringLiteral("FrameExec"));
  auto* el = new QVBoxLayout(exec);
  txtExec = named(new QLineEdit, QStringLiteral("txtExec"));
  el->addWidget(txtExec);
  lay->addWidget(exec);
  lay->addStretch();
  tabs->addTab(page, tr("その他"));
}


}  // namespace orvan
