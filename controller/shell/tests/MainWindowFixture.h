#pragma once
// The main window in this process (offscreen) on a program folder of its own, with the
// observer's clicks sent as real mouse events to the named controls.
#include "ProgramFolderFixture.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace orvan::test {

// Closing the main window ends the application's event loops; the next window starts afresh
// the way a new program run would.
inline void resetEventLoops() {
  QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
}

inline void mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button = Qt::LeftButton) {
  const QPointF at(w->width() / 2.0, w->height() / 2.0);
  QMouseEvent e(type, at, w->mapToGlobal(at), button, type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}
inline void press(QWidget* w) { mouse(w, QEvent::MouseButtonPress); }
inline void release(QWidget* w) { mouse(w, QEvent::MouseButtonRelease); }
inline void click(QWidget* w) {
  press(w);
  release(w);
}
inline void doubleClick(QWidget* w) {
  press(w);
  release(w);
  mouse(w, QEvent::MouseButtonDblClick);
  release(w);
}

// The colour a control shows, as the observer sees it.
inline QColor shownColour(QWidget* w) {
  // The colour covering most of it: the caption and the edges are small.
  const QImage img = w->grab().toImage();
  QHash<QRgb, int> count;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) ++count[img.pixel(x, y)];
  QRgb best = 0;
  int most = -1;
  for (auto it = count.cbegin(); it != count.cend(); ++it)
    if (it.value() > most) most = it.value(), best = it.key();
  return QColor(best);
}

class MainWindowTest : public ProgramFolderTest {
 protected:
  std::unique_ptr<frmMain> w;

  void TearDown() override {
    closeWindow();
    ProgramFolderTest::TearDown();
  }
  MainWindowParts parts() {
    return recordingParts([this]() -> SharedState& { return w->observatory().state(); });
  }
  // Starts the window without the title's five seconds.
  void start() {
    w = std::make_unique<frmMain>(parts());
    obs().setStartWait(0);
    ASSERT_TRUE(w->Form_Load());
    w->show();
  }
  void closeWindow() {
    if (!w) return;
    if (w->isVisible()) w->close();
    w.reset();
    resetEventLoops();
  }
  Observatory& obs() { return w->observatory(); }

  template <typename T = QWidget>
  T* find(const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  QAction* action(const char* name) { return w->findChild<QAction*>(QString::fromLatin1(name)); }
};

}  // namespace orvan::test
