#pragma once
// What a person sees of a window: every control it shows lies whole inside the widget that
// holds it (so inside the window), no group's caption is covered by one of its controls, and
// no group is squeezed below the room its contents need. A scroll area's page is exempt from
// the first rule: it scrolls.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QWidget>
#include <string>

namespace orvan::test {

inline QString WidgetName(const QWidget* w) {
  return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// The rectangle a group box's caption takes, in the group's coordinates.
inline QRect GroupCaptionRect(const QGroupBox& box) {
  QStyleOptionGroupBox opt;
  opt.initFrom(&box);
  opt.text = box.title();
  opt.lineWidth = 1;
  opt.midLineWidth = 0;
  opt.textAlignment = box.alignment();
  opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  if (box.isFlat()) opt.features |= QStyleOptionFrame::Flat;
  return box.style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, &box);
}

// One line per fault: "btnP reaches outside frmMain", "BtnDomeLR_0 covers the caption of
// Frame1_3", "FrameBackLash is squeezed". Empty when the window is whole.
inline QStringList LayoutFaults(const QWidget& window) {
  QStringList faults;
  for (const QWidget* w : window.findChildren<QWidget*>()) {
    if (w->isWindow() || !w->isVisibleTo(&window)) continue;
    const QWidget* parent = w->parentWidget();
    const auto* scroll = parent->parentWidget() ? qobject_cast<const QScrollArea*>(parent->parentWidget()) : nullptr;
    const bool scrolls = scroll && parent == scroll->viewport();
    if (!scrolls && !parent->rect().contains(w->geometry()))
      faults << WidgetName(w) + QStringLiteral(" reaches outside ") + WidgetName(parent);
    // Text alone (a label, the caption of an option or a check box) is centred in its box and
    // leaves the box's top rows blank; buttons, fields and lamps paint all of theirs.
    const bool textOnly = qobject_cast<const QLabel*>(w) || qobject_cast<const QRadioButton*>(w) || qobject_cast<const QCheckBox*>(w);
    if (const auto* box = qobject_cast<const QGroupBox*>(parent); box && !textOnly && !box->title().isEmpty() &&
                                                                    GroupCaptionRect(*box).intersects(w->geometry()))
      faults << WidgetName(w) + QStringLiteral(" covers the caption of ") + WidgetName(box);
    if (qobject_cast<const QGroupBox*>(w) && w->height() < w->minimumSizeHint().height())
      faults << WidgetName(w) + QStringLiteral(" is squeezed");
  }
  return faults;
}

// The faults as one line for a test's message: empty when there are none.
inline std::string LayoutFaultText(const QWidget& window) { return LayoutFaults(window).join(QStringLiteral("; ")).toStdString(); }

}  // namespace orvan::test
