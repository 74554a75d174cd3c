#include "TelescopeChooser.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QVBoxLayout>

#include <memory>

namespace orvan::bridge {

TelescopeChooser::TelescopeChooser(const QStringList& telescopes, const QString& current, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("望遠鏡の選択"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(telescopes.isEmpty() ? tr("INDIサーバーに望遠鏡がありません")
                                                    : tr("INDIサーバーの望遠鏡:"),
                               this));
  list_ = new QListWidget(this);
  QStringList sorted = telescopes;
  sorted.sort();
  list_->addItems(sorted);
  const auto found = list_->findItems(current, Qt::MatchExactly);
  list_->setCurrentRow(found.isEmpty() ? 0 : list_->row(found.first()));
  layout->addWidget(list_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setEnabled(!telescopes.isEmpty());
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  layout->addWidget(buttons);
  setWindowFlag(Qt::WindowStaysOnTopHint);
}

QString TelescopeChooser::chosen() const {
  const auto* item = list_->currentItem();
  return item ? item->text() : QString();
}

QString PickWithoutDialog(const QStringList& telescopes, const QString& current) {
  if (!current.isEmpty() && telescopes.contains(current)) return current;
  if (telescopes.size() == 1) return telescopes.first();
  return {};
}

Chooser MakeChooser(bool dialog) {
  if (!dialog)
    return [](const QStringList& telescopes, const QString& current, const PickHandler& picked) {
      picked(PickWithoutDialog(telescopes, current));
    };
  auto open = std::make_shared<QPointer<TelescopeChooser>>();
  return [open](const QStringList& telescopes, const QString& current, const PickHandler& picked) {
    if (*open) {
      (*open)->raise();
      (*open)->activateWindow();
      return;
    }
    auto* d = new TelescopeChooser(telescopes, current);
    d->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(d, &QDialog::finished, d, [picked, d](int result) {
      picked(result == QDialog::Accepted ? d->chosen() : QString());
    });
    *open = d;
    d->show();
  };
}

}  // namespace orvan::bridge
