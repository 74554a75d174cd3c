#include "Prompter.h"

#include <QApplication>
#include <QDialog>
#include <QLoggingCategory>
#include <QMessageBox>

// "orvan.prompter.info=true" traces every question as it is asked.
Q_LOGGING_CATEGORY(lcPrompter, "orvan.prompter", QtWarningMsg)

namespace orvan {

namespace {
MessageBoxPrompter g_box;
Prompter* g_current = &g_box;
bool g_ending = false;

Answer firstButton(Buttons b) {
  switch (b) {
    case Buttons::Ok:
    case Buttons::OkCancel: return Answer::Ok;
    case Buttons::AbortRetryIgnore: return Answer::Abort;
    case Buttons::YesNo:
    case Buttons::YesNoCancel: return Answer::Yes;
    case Buttons::RetryCancel: return Answer::Retry;
  }
  return Answer::Ok;
}

// The answer of a box closed without a button: the Cancel-like one, none to a time-out.
Answer closedWithoutButton(Buttons b) {
  return b == Buttons::Ok ? Answer::Ok : (b == Buttons::AbortRetryIgnore ? Answer::None : Answer::Cancel);
}
}  // namespace

Prompter& Prompter::current() { return *g_current; }
void Prompter::install(Prompter* p) { g_current = p ? p : &g_box; }

void Prompter::endAll() {
  g_ending = true;
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  // Each dialog's own loop returns; the code that opened it carries on toward the end.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) d->done(QDialog::Rejected);
}

bool Prompter::ending() { return g_ending; }

Answer MessageBoxPrompter::ask(const QString& title, const QString& text, Buttons buttons, Icon icon) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return firstButton(buttons);
  if (g_ending) return closedWithoutButton(buttons);
  qCInfo(lcPrompter).noquote() << "asking:" << title << text.left(200);
  QMessageBox box;
  box.setWindowTitle(title);
  box.setText(text);
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
  }
  QMessageBox::StandardButtons sb;
  switch (buttons) {
    case Buttons::Ok: sb = QMessageBox::Ok; break;
    case Buttons::OkCancel: sb = QMessageBox::Ok | QMessageBox::Cancel; break;
    case Buttons::AbortRetryIgnore: sb = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore; break;
    case Buttons::YesNo: sb = QMessageBox::Yes | QMessageBox::No; break;
    case Buttons::YesNoCancel: sb = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case Buttons::RetryCancel: sb = QMessageBox::Retry | QMessageBox::Cancel; break;
  }
  box.setStandardButtons(sb);
  // Escape or the window's close button on a time-out question is Ignore, never Abort: an
  // accidental key must not end the observer's program.
  if (buttons == Buttons::AbortRetryIgnore) box.setEscapeButton(QMessageBox::Ignore);
  switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Abort: return Answer::Abort;
    case QMessageBox::Retry: return Answer::Retry;
    case QMessageBox::Ignore: return Answer::Ignore;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: break;
  }
  return closedWithoutButton(buttons);
}

Answer ScriptedPrompter::ask(const QString& title, const QString& text, Buttons buttons, Icon icon) {
  asked_.push_back({title, text, buttons, icon});
  if (script_.empty()) return firstButton(buttons);
  const Answer a = script_.front();
  script_.pop_front();
  return a;
}

}  // namespace orvan
