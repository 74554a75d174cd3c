#pragma once
// Small helpers the utility's tabs share: named controls, groups of option buttons that may
// show none chosen, and a row of controls.
#include <QCoreApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QString>
#include <QWidget>
#include <array>
#include <initializer_list>

namespace orvan::ui {

template <class W>
inline W* named(W* w, const QString& name) {
  w->setObjectName(name);
  return w;
}

inline QLineEdit* edit(const QString& name, int width = 70) {
  auto* e = named(new QLineEdit, name);
  e->setMaximumWidth(width);
  return e;
}

// Index of the checked button of a group of option buttons, -1 when none is.
template <size_t N>
inline int checkedIndex(const std::array<QRadioButton*, N>& opts) {
  for (size_t k = 0; k < N; ++k)
    if (opts[k]->isChecked()) return int(k);
  return -1;
}

template <size_t N>
inline void setChecked(const std::array<QRadioButton*, N>& opts, int index) {
  // Exclusive groups cannot show "none" by unchecking: switch exclusivity off for a moment.
  auto* group = opts[0]->group();
  if (group) group->setExclusive(false);
  for (size_t k = 0; k < N; ++k) opts[k]->setChecked(int(k) == index);
  if (group) group->setExclusive(true);
}

template <size_t N>
inline std::array<QRadioButton*, N> optionGroup(QWidget* owner, const QString& name, const std::array<const char*, N>& captions) {
  std::array<QRadioButton*, N> opts{};
  auto* group = new QButtonGroup(owner);
  for (size_t k = 0; k < N; ++k) {
    opts[k] = named(new QRadioButton(QCoreApplication::translate("orvan::frmUtility", captions[k])), name + QString::number(k));
    group->addButton(opts[k], int(k));
  }
  return opts;
}

inline QWidget* row(std::initializer_list<QWidget*> widgets) {
  auto* w = new QWidget;
  auto* lay = new QHBoxLayout(w);
  lay->setContentsMargins(0, 0, 0, 0);
  for (QWidget* x : widgets) lay->addWidget(x);
  lay->addStretch();
  return w;
}

// A tab's page in a scroll area that asks for the whole page: the window shows the page whole
// where the screen has room, and scrolls it where it has not.
class PageScroll : public QScrollArea {
 public:
  explicit PageScroll(QWidget* page) {
    // The page never shrinks below what its groups need: the area scrolls instead.
    if (page->layout()) page->layout()->setSizeConstraint(QLayout::SetMinimumSize);
    setWidget(page);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
  }
  QSize sizeHint() const override {
    return widget()->sizeHint() + QSize(verticalScrollBar()->sizeHint().width(), 0);
  }
};

}  // namespace orvan::ui
