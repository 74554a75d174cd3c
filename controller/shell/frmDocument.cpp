#include "frmDocument.h"

#include "Prompter.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace orvan {

bool OpenWithDesktop(const QString& path, QString& error) {
  const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (!xdgOpen.isEmpty()) {
    if (QProcess::startDetached(xdgOpen, {path})) return true;
    error = frmDocument::tr("文書を開くプログラム(xdg-open)を起動できません");
    return false;
  }
  if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return true;
  error = frmDocument::tr("文書を開くプログラムが見つかりません\nxdg-utils をインストールして下さい");
  return false;
}

frmDocument::frmDocument(QString folder, DocumentOpener opener, QWidget* parent)
    : QDialog(parent), folder_(std::move(folder)), opener_(std::move(opener)) {
  setObjectName(QStringLiteral("frmDocument"));
  setWindowTitle(tr("ドキュメントファイル"));
  setAttribute(Qt::WA_DeleteOnClose);
  // The main window's light-on-dark label colour would be passed on to this window, which
  // keeps the desktop's own background: its texts take the desktop's text colour instead.
  setStyleSheet(QStringLiteral("QLabel { color: palette(window-text); }"));
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(tr("表示するドキュメントファイルを選択して下さい"), this);
  layout->addWidget(Label1);
  DocumentFileList = new QListWidget(this);
  DocumentFileList->setObjectName(QStringLiteral("DocumentFileList"));
  layout->addWidget(DocumentFileList);
  auto* buttons = new QHBoxLayout;
  Command1[0] = new QPushButton(tr("開く"), this);
  Command1[1] = new QPushButton(tr("キャンセル"), this);
  for (int i = 0; i < 2; ++i) {
    Command1[i]->setObjectName(QStringLiteral("Command1_%1").arg(i));
    buttons->addWidget(Command1[i]);
    connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
  }
  layout->addLayout(buttons);
  connect(DocumentFileList, &QListWidget::itemDoubleClicked, this, [this] {
    OpenDocument();
    close();
  });

  const QStringList files = QDir(folder_).entryList({QStringLiteral("*.pdf"), QStringLiteral("*.PDF")},
                                                    QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
  DocumentFileList->addItems(files);
  if (!files.isEmpty()) DocumentFileList->setCurrentRow(0);
  QTimer::singleShot(0, this, &frmDocument::Timer1_Timer);
}

void frmDocument::Timer1_Timer() {
  if (isVisible()) return;
  const int n = DocumentFileList->count();
  if (n == 0) {
    close();
  } else if (n == 1) {
    OpenDocument();
    close();
  } else {
    show();
  }
}

void frmDocument::OpenDocument() {
  const auto* item = DocumentFileList->currentItem();
  if (!item) return;
  const QString path = QDir(folder_).absoluteFilePath(item->text());
  QString error;
  if (!opener_(path, error))
    Prompter::current().ask(tr("ドキュメントファイル"), error + u'\n' + QDir::toNativeSeparators(path),
                            Buttons::Ok, Icon::Exclamation);
}

void frmDocument::Command1_Click(int index) {
  if (index == 0) OpenDocument();
  close();
}

}  // namespace orvan
