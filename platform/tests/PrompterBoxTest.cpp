// The real message box of the time-out question: Escape or the window's close button must
// never answer Abort, which would end the observer's program.
#include "Prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace orvan;

namespace {

// Asks through the real box and does `act` to it once it is shown.
Answer askAndThen(Buttons buttons, const std::function<void(QMessageBox*)>& act) {
  QTimer t;
  t.setInterval(10);
  QObject::connect(&t, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
        t.stop();
        act(box);
        return;
      }
  });
  t.start();
  return MessageBoxPrompter().ask(QStringLiteral("タイムアウト"), QStringLiteral("x"), buttons, Icon::Critical);
}

TEST(MessageBoxPrompter, ATimeOutQuestionClosedWithoutAButtonIsNotAbort) {
  const auto escape = [](QMessageBox* box) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &press);
  };
  const auto closeButton = [](QMessageBox* box) { box->close(); };
  EXPECT_EQ(askAndThen(Buttons::AbortRetryIgnore, escape), Answer::Ignore);
  EXPECT_EQ(askAndThen(Buttons::AbortRetryIgnore, closeButton), Answer::Ignore);
  // The buttons themselves answer as labelled.
  EXPECT_EQ(askAndThen(Buttons::AbortRetryIgnore, [](QMessageBox* box) { box->button(QMessageBox::Abort)->click(); }),
            Answer::Abort);
  EXPECT_EQ(askAndThen(Buttons::AbortRetryIgnore, [](QMessageBox* box) { box->button(QMessageBox::Retry)->click(); }),
            Answer::Retry);
  // Other questions keep their Cancel.
  EXPECT_EQ(askAndThen(Buttons::OkCancel, escape), Answer::Cancel);
}

}  // namespace

