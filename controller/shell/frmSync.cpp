#include "frmSync.h"

#include "ACal2.h"
#include "MountDriver.h"
#include "Prompter.h"
#include "ReferenceStars.h"
#include "Vb.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QHBoxLayout>
#include <QDir>

namespace orvan {
namespace {
const char* const kZenith = QT_TRANSLATE_NOOP("orvan::frmSync", "天頂");
constexpr double kLowestDegrees = 20;
}  // namespace

frmSync::frmSync(ACal2& cal, std::function<MountDriver*()> telescope, QString starFile, QWidget* parent)
    : QDialog(parent), cal_(cal), telescope_(std::move(telescope)), starFile_(std::move(starFile)) {
  setObjectName(QStringLiteral("frmSync"));
  setWindowTitle(tr("同期"));
  setModal(false);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  SyncList = new QListWidget(this);
  SyncList->setObjectName(QStringLiteral("SyncList"));
  layout->addWidget(SyncList);
  lblProblem = new QLabel(this);
  lblProblem->setObjectName(QStringLiteral("lblProblem"));
  lblProblem->setWordWrap(true);
  lblProblem->setStyleSheet(QStringLiteral("color: #c00000"));
  lblProblem->hide();
  layout->addWidget(lblProblem);
  auto* buttons = new QHBoxLayout;
  btnSync[0] = new QPushButton(tr("同期"), this);
  btnSync[1] = new QPushButton(tr("キャンセル"), this);
  for (int i = 0; i < 2; ++i) {
    btnSync[i]->setObjectName(QStringLiteral("btnSync_%1").arg(i));
    buttons->addWidget(btnSync[i]);
    connect(btnSync[i], &QPushButton::clicked, this, [this, i] { btnSync_Click(i); });
  }
  layout->addLayout(buttons);
  resize(300, 360);
}

void frmSync::KijunRead() {
  SyncList->clear();
  RadecList.clear();
  lblProblem->hide();
  QFile file(starFile_);
  if (!file.open(QIODevice::ReadOnly)) {
    // The zenith needs no star: it stays available without the file.
    SyncList->addItem(tr(kZenith));
    RadecList << QString();
    lblProblem->setText(tr("基準恒星ファイルが読めません\n") + QDir::toNativeSeparators(starFile_));
    lblProblem->show();
  } else {
    const ReferenceStarFile stars = ParseReferenceStars(file.read(1 << 20));
    for (const ReferenceStar& s : stars.stars) {
      if (s.hasPosition) {
        double az = 0, alt = 0;
        cal_.EquatorialToHorizontal(vb::RoundEven(s.ra), vb::RoundEven(s.dec), az, alt);
        if (alt * ACal2::kDegPerRad < kLowestDegrees) continue;
        SyncList->addItem(s.name);
        RadecList << vb::Str(s.ra).trimmed() + u',' + vb::Str(s.dec).trimmed();
      } else {
        SyncList->addItem(s.name);
        RadecList << QString();
      }
    }
    if (stars.skipped > 0) {
      lblProblem->setText(tr("基準恒星ファイルの読めない %1 行を飛ばしました").arg(stars.skipped));
      lblProblem->show();
    }
  }
  if (SyncList->count() > 0) SyncList->setCurrentRow(0);
}

void frmSync::AppendTarget(const QString& name, double ra, double dec) {
  SyncList->addItem(name);
  RadecList << vb::Str(ra).trimmed() + u',' + vb::Str(dec).trimmed();
  SyncList->setCurrentRow(0);
}

void frmSync::btnSync_Click(int index) {
  if (index != 0) {
    close();
    return;
  }
  const int row = SyncList->currentRow();
  if (row < 0 || row >= RadecList.size()) return;
  const QString name = SyncList->item(row)->text();
  Prompter& ask = Prompter::current();
  if (name.contains(tr(kZenith))) {
    if (ask.ask(tr("天頂で同期"),
                tr("鏡筒を天頂（テレスコープイースト）へ向けて下さい\n「OK」で同期処理を行います"),
                Buttons::OkCancel, Icon::Information) == Answer::Ok) {
      MountDriver* t = telescope_ ? telescope_() : nullptr;
      // A zenith sync the mount refused is reported as a star's would be.
      if (!t || !t->SendZsync())
        ask.ask(tr("同期が出来ません"), tr("%1で同期は出来ません").arg(name), Buttons::Ok, Icon::Critical);
    }
    close();
    return;
  }
  const QStringList radec = RadecList[row].split(u',');
  if (radec.size() != 2) {
    // A caption line: nothing to sync on; the observer chooses again.
    lblProblem->setText(tr("%1 には位置がありません。恒星を選んで下さい").arg(name));
    lblProblem->show();
    return;
  }
  if (ask.ask(tr("%1で同期").arg(name), tr("鏡筒を%1へ向けて下さい\n「OK」で同期処理を行います").arg(name),
              Buttons::OkCancel, Icon::Information) == Answer::Ok) {
    double ra = radec[0].toDouble(), dec = radec[1].toDouble();
    MountDriver* t = telescope_ ? telescope_() : nullptr;
    if (!t || !t->cmdSync(ra, dec, QStringLiteral("2000")))
      ask.ask(tr("同期が出来ません"), tr("%1で同期は出来ません").arg(name), Buttons::Ok, Icon::Critical);
  }
  close();
}

}  // namespace orvan
