// The utility's E-Vexil tab: connect, read the motor parameters, write three of them back.
#include "frmUtility.h"

#include "CommPorts.h"
#include "Prompter.h"
#include "UtilityWidgets.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace orvan {

using namespace ui;

void frmUtility::buildVexilTab() {
  auto* page = new QWidget;
  auto* lay = new QVBoxLayout(page);
  auto* portBox = named(new QGroupBox(tr("E-Vexilとの接続ポート")), QStringLiteral("FramePort"));
  auto* pl = new QHBoxLayout(portBox);
  cmbCommPort = named(new QComboBox, QStringLiteral("cmbCommPort"));
  btnConnect = named(new QPushButton(QStringLiteral("Connect")), QStringLiteral("btnConnect"));
  lblVersion = named(new QLabel, QStringLiteral("lblVersion"));
  pl->addWidget(cmbCommPort);
  pl->addWidget(btnConnect);
  pl->addWidget(new QLabel(tr("バージョン：")));
  pl->addWidget(lblVersion, 1);
  lay->addWidget(portBox);
  // One port for the mount whichever tab chooses it: the two lists show the same entry.
  connect(cmbComm, &QComboBox::currentIndexChanged, cmbCommPort, &QComboBox::setCurrentIndex);
  connect(cmbCommPort, &QComboBox::currentIndexChanged, cmbComm, &QComboBox::setCurrentIndex);
  connect(btnConnect, &QPushButton::clicked, this, &frmUtility::btnConnect_Click);

  const char* frames[3] = {QT_TR_NOOP("周回ステップ数"), QT_TR_NOOP("スローダウン"), QT_TR_NOOP("恒星時周波数")};
  // The frames run counts, slow-down, frequency; the writes are numbered counts, frequency,
  // slow-down. Each frame holds the button of its own write.
  constexpr int kFrameCommand[3] = {0, 2, 1};
  for (int k = 0; k < 3; ++k) {
    auto* box = named(new QGroupBox(tr(frames[k])), QStringLiteral("FrameVexil%1").arg(k));
    FrameVexil[k] = box;
    const int c = kFrameCommand[k];
    QPushButton* send = Command3[c] = named(new QPushButton(tr("送信")), QStringLiteral("Command3_%1").arg(c));
    connect(send, &QPushButton::clicked, this, [this, c] { Command3_Click(c); });
    auto* g = new QGridLayout(box);
    if (k == 0) {
      for (int a = 0; a < 2; ++a) {
        txtEncMax[a] = edit(QStringLiteral("txtEncMax%1").arg(a), 110);
        g->addWidget(new QLabel(a == 0 ? tr("赤経軸") : tr("赤緯軸")), a, 0);
        g->addWidget(txtEncMax[a], a, 1);
      }
      g->addWidget(send, 0, 2, 2, 1);
    } else if (k == 1) {
      for (int a = 0; a < 4; ++a) {
        txtSlowDown[a] = edit(QStringLiteral("txtSlowDown%1").arg(a), 90);
        g->addWidget(txtSlowDown[a], a / 2, 1 + a % 2);
      }
      g->addWidget(new QLabel(QStringLiteral("PA")), 0, 0);
      g->addWidget(new QLabel(QStringLiteral("SL")), 1, 0);
      g->addWidget(send, 0, 3, 2, 1);
    } else {
      optRate = optionGroup<3>(box, QStringLiteral("optRate"), {QT_TRANSLATE_NOOP("orvan::frmUtility", "恒星時"), QT_TRANSLATE_NOOP("orvan::frmUtility", "ｷﾝｸﾞｽﾚｰﾄ"), QT_TRANSLATE_NOOP("orvan::frmUtility", "任意速度")});
      txtPercent = edit(QStringLiteral("txtPercent"), 50);
      txtPercent->setText(QStringLiteral("50"));
      txtRate = edit(QStringLiteral("txtRate0"), 110);
      g->addWidget(optRate[0], 0, 0);
      g->addWidget(optRate[1], 0, 1);
      g->addWidget(row({optRate[2], txtPercent, new QLabel(QStringLiteral("%"))}), 0, 2);
      g->addWidget(txtRate, 1, 0, 1, 2);
      g->addWidget(send, 1, 2);
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
  static const char* const titles[3] = {QT_TR_NOOP("周回ステップ数の設定"), QT_TR_NOOP("恒星時周波数の設定"), QT_TR_NOOP("スローダウンステップ数の設定")};
  const QString texts[3] = {
      tr("周回ステップ数を送信すると、現在の座標が失われ初期化されます"),
      tr("コントローラー部のジャンパーピン") + QChar(0x3000) + tr("JP5 がOFFになっている場合のみ、書き込みが行われます"),
      tr("スローダウンステップ数を送信すると、現在の座標が失われ初期化されます")};
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
