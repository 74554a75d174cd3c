// The utility's start, loading and saving every field, the buttons at its foot and the closing.
#include "frmUtility.h"

#include "CommPorts.h"
#include "DomeTestPanel.h"
#include "IniFile.h"
#include "ProgramFolder.h"
#include "Prompter.h"
#include "QtSerialLink.h"
#include "Shared.h"
#include "Epx30sc.h"
#include "SingleInstance.h"
#include "UtilityWidgets.h"
#include "Vb.h"

#include <QCoreApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace orvan {

using namespace ui;

namespace {

const QString kProgramTitle = QStringLiteral("OrvanMirelutility");

// Topmost: program title + "は既に起動されています"; closes on OK or after 6000 ms.
void AlreadyRunningNotice() {
  QDialog notice;
  notice.setObjectName(QStringLiteral("frmAlreadyRunning"));
  notice.setWindowTitle(QCoreApplication::translate("orvan::frmAlreadyRunning", "重複起動エラー"));
  notice.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* lay = new QVBoxLayout(&notice);
  lay->addWidget(new QLabel(kProgramTitle + QCoreApplication::translate("orvan::frmAlreadyRunning", "は既に起動されています"), &notice));
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, &notice);
  lay->addWidget(box);
  QObject::connect(box, &QDialogButtonBox::accepted, &notice, &QDialog::accept);
  QTimer::singleShot(6000, &notice, &QDialog::accept);
  notice.exec();
}

}  // namespace


frmUtility::frmUtility(QString programFolder, QWidget* parent)
    : QWidget(parent), programFolder_(std::move(programFolder)) {
  setObjectName(QStringLiteral("frmUtility"));
  setWindowTitle(tr("OrvanMirel ユーティリティ"));
  iniPath_ = programFolder_ + QStringLiteral("/OrvanMirel.ini");
  programmer_ = std::make_unique<EVexilProgrammer>(iniPath_, std::make_unique<QtSerialLink>(programFolder_));

  auto* lay = new QVBoxLayout(this);
  tabs = named(new QTabWidget(this), QStringLiteral("SSTab1"));
  lay->addWidget(tabs);
  buildSetupTab();
  buildDomeTab();
  buildVexilTab();
  buildOtherTab();
  // Each page scrolls where the screen is too small to show it whole.
  for (int t = 0; t < tabs->count(); ++t) {
    QWidget* page = tabs->widget(t);
    const QString title = tabs->tabText(t);
    tabs->removeTab(t);
    tabs->insertTab(t, new PageScroll(page), title);
  }

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
  fitScreen();
}

// The window opens as large as its pages, but no larger than a 1366 x 768 laptop screen (the
// commonest) or the screen it opens on leave room for, with a title bar and a taskbar.
void frmUtility::fitScreen() {
  constexpr int kTitleAndTaskbar = 88;
  QSize room(1366, 768 - kTitleAndTaskbar);
  if (const QScreen* s = screen()) room = room.boundedTo(s->availableGeometry().size() - QSize(0, kTitleAndTaskbar / 2));
  resize(sizeHint().boundedTo(room));
}

frmUtility::~frmUtility() {
  // Before the child widgets go: the panel's disconnect re-enables the controller choice.
  programmer_->cmdConnect(false, 0);
  domePanel_->Disconnect();
}

bool frmUtility::Form_Load() {
  instance_ = std::make_unique<SingleInstance>(programFolder_ + QStringLiteral("/OrvanMirelutility.lock"));
  if (!instance_->acquire()) {
    AlreadyRunningNotice();
    return false;
  }
  // A utility killed while its test panel turned the dome left the board's relays on (a
  // running controller holds the board, and then nothing happens here).
  if (ReadIni(iniPath_, QStringLiteral("DOME"), QStringLiteral("Controller")).trimmed() == u"0")
    SwitchBoardOutputsOff(*OpenBoardLibrary(programFolder_, iniPath_));
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
  f.chkAlpaca = chkAlpaca->isChecked();
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
  f.chkRainClose = chkRainClose->isChecked();
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
  chkAlpaca->setChecked(f.chkAlpaca);
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
  chkRainClose->setChecked(f.chkRainClose);
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
  lblSaveError->setText(tr("入力に誤りがあります。設定は保存されていません。"));
  lblSaveError->show();
  // The first field in error: its tab to the front, the cursor into it.
  if (QWidget* w = findChild<QWidget*>(errors.first().field)) {
    for (int t = 0; t < tabs->count(); ++t) {
      if (!tabs->widget(t)->isAncestorOf(w)) continue;
      tabs->setCurrentIndex(t);
      if (auto* page = qobject_cast<QScrollArea*>(tabs->widget(t))) page->ensureWidgetVisible(w);
    }
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
    lblSaveError->setText(tr("設定ファイルに書き込めません（読み取り専用か、他のプログラムが使用中です）。設定は保存されていません: ") + iniPath_);
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
      tr("ASCOMドライバーを使用する場合は「ASCOMplatform6.2」を先にインストール") + tr("しておく必要があります。"),
      Buttons::OkCancel, Icon::Information);
  if (a == Answer::Cancel) chkASCOM->setChecked(false);
}

void frmUtility::closeEvent(QCloseEvent* event) {
  programmer_->cmdConnect(false, 0);
  domePanel_->Disconnect();
  event->accept();
}

}  // namespace orvan
