#include "DomePanel.h"

#include "DomeLoop.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <algorithm>

namespace orvan {

namespace {
constexpr double kTwips = 15.0;
QRect tw(int l, int t, int w, int h) { return QRect(l / 15, t / 15, w / 15, h / 15); }
QString lampStyle(Lamp lamp) {
  const Rgb c = LampColour(lamp);
  return QStringLiteral("background: rgb(%1,%2,%3); border: 1px solid black;").arg(c.r).arg(c.g).arg(c.b);
}
QString indexed(const char* base, int i) { return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(i); }

// Moves a group's controls down, and grows the group by as much, until none covers the
// caption; returns how far. The caption is as tall as the desktop's font makes it, the
// controls are placed for a smaller one.
int ClearCaption(QGroupBox* box) {
  QStyleOptionGroupBox opt;
  opt.initFrom(box);
  opt.text = box->title();
  opt.lineWidth = 1;
  opt.textAlignment = box->alignment();
  opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  const QRect caption = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
  const QList<QWidget*> controls = box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  int top = box->height();
  for (const QWidget* w : controls) top = std::min(top, w->y());
  const int shift = std::max(0, caption.bottom() + 2 - top);
  for (QWidget* w : controls) w->move(w->x(), w->y() + shift);
  box->resize(box->width(), box->height() + shift);
  return shift;
}
}  // namespace

void DomeCanvas::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const auto px = [](double v) { return v / kTwips; };
  p.setPen(QPen(QColor(200, 200, 200), 1));
  p.setBrush(QColor(48, 48, 48));
  p.drawEllipse(QRectF(px(shape.left), px(shape.top), px(shape.width), px(shape.height)));
  p.setPen(QPen(QColor(128, 128, 128), 1));
  for (const LineEnds& l : Line1)
    if (l.visible) p.drawLine(QPointF(px(l.x1), px(l.y1)), QPointF(px(l.x2), px(l.y2)));
  const QColor marks[2] = {QColor(255, 255, 0), QColor(255, 64, 64)};
  for (int i = 0; i < 2; ++i) {
    if (!Line2[i].visible) continue;
    p.setPen(QPen(marks[i], 3));
    p.drawLine(QPointF(px(Line2[i].x1), px(Line2[i].y1)), QPointF(px(Line2[i].x2), px(Line2[i].y2)));
  }
}

DomePanel::DomePanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DomePanel"));
  Frame1_3 = new QGroupBox(tr("ドーム"), this);
  Frame1_3->setObjectName(QStringLiteral("Frame1_3"));
  Frame1_3->setGeometry(tw(0, 0, 3360, 1560));
  const char* captions[3] = {"◀", "▶", QT_TR_NOOP("連動")};
  for (int i = 0; i < 3; ++i) {
    BtnDomeLR[i] = new QPushButton(tr(captions[i]), Frame1_3);
    BtnDomeLR[i]->setObjectName(indexed("BtnDomeLR", i));
    BtnDomeLR[i]->setGeometry(tw(90, 210 + i * 450, 660, 360));
    BtnDomeLR[i]->setFocusPolicy(Qt::NoFocus);
    picDomeLR[i] = new QFrame(Frame1_3);
    picDomeLR[i]->setObjectName(indexed("picDomeLR", i));
    picDomeLR[i]->setGeometry(tw(780, 300 + i * 450, 180, 180));
    picDomeLR[i]->setStyleSheet(lampStyle(Lamp::Idle));
    connect(BtnDomeLR[i], &QPushButton::pressed, this, [this, i] { if (loop_) loop_->BtnDomeLR_MouseDown(i); });
    connect(BtnDomeLR[i], &QPushButton::released, this, [this, i] { if (loop_) loop_->BtnDomeLR_MouseUp(i); });
    connect(BtnDomeLR[i], &QPushButton::clicked, this, [this, i] { if (loop_) loop_->BtnDomeLR_Click(i); });
  }
  canvas_ = new DomeCanvas(Frame1_3);
  canvas_->setObjectName(QStringLiteral("Shape1"));
  canvas_->setGeometry(tw(1050, 180, 2250, 1380));
  canvas_->shape = DomeShape{300, 30, 1260, 1260};
  for (LineEnds& l : canvas_->Line1) l.visible = false;
  for (LineEnds& l : canvas_->Line2) l.visible = false;
  for (int i = 0; i < 2; ++i) {
    lblDomeAZ[i] = new QLabel(Frame1_3);
    lblDomeAZ[i]->setObjectName(indexed("lblDomeAZ", i));
    lblHOT[i] = new QLabel(i == 0 ? QStringLiteral("HOME") : QStringLiteral("HOME?"), Frame1_3);
    lblHOT[i]->setObjectName(indexed("lblHOT", i));
    lblHOT[i]->setGeometry(tw(2460, 1200, 870, 270));
    lblHOT[i]->setVisible(false);
  }
  lblDomeAZ[0]->setGeometry(tw(2460, 180, 870, 270));
  lblDomeAZ[1]->setGeometry(tw(2460, 450, 870, 270));
  lblDomeAZ[1]->setStyleSheet(QStringLiteral("color: rgb(255,96,96);"));
  lblHOT[0]->setStyleSheet(QStringLiteral("color: rgb(128,255,128);"));
  lblHOT[1]->setStyleSheet(QStringLiteral("color: rgb(255,64,64);"));
  Label3 = new QLabel(Frame1_3);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(tw(975, 210, 2300, 600));
  Label3->setVisible(false);
  Label3->setStyleSheet(QStringLiteral("background: rgb(255,255,192); color: black;"));

  Frame1_4 = new QGroupBox(tr("スリット"), this);
  Frame1_4->setObjectName(QStringLiteral("Frame1_4"));
  Frame1_4->setGeometry(tw(0, 1590, 3360, 540));
  const char* slit[2] = {QT_TR_NOOP("開"), QT_TR_NOOP("閉")};
  for (int i = 0; i < 2; ++i) {
    btnDomeSlit[i] = new QPushButton(tr(slit[i]), Frame1_4);
    btnDomeSlit[i]->setObjectName(indexed("btnDomeSlit", i));
    btnDomeSlit[i]->setGeometry(tw(90 + i * 1620, 210, 1080, 330));
    btnDomeSlit[i]->setFocusPolicy(Qt::NoFocus);
    picDomeSlit[i] = new QFrame(Frame1_4);
    picDomeSlit[i]->setObjectName(indexed("picDomeSlit", i));
    picDomeSlit[i]->setGeometry(tw(1230 + i * 1620, 285, 180, 180));
    picDomeSlit[i]->setStyleSheet(lampStyle(Lamp::Idle));
    connect(btnDomeSlit[i], &QPushButton::pressed, this, [this, i] { if (loop_) loop_->btnDomeSlit_MouseDown(i); });
  }
  lblSimulated = new QLabel(this);
  lblSimulated->setObjectName(QStringLiteral("lblSimulated"));
  lblSimulated->setGeometry(tw(60, 2130, 3300, 240));
  lblSimulated->setStyleSheet(QStringLiteral("color: rgb(255,160,64); font-size: 10px;"));
  lblSimulated->setVisible(false);

  const int domeShift = ClearCaption(Frame1_3);
  Frame1_4->move(0, Frame1_4->y() + domeShift);
  const int slitShift = ClearCaption(Frame1_4);
  lblSimulated->move(lblSimulated->x(), lblSimulated->y() + domeShift + slitShift);
}

QSize DomePanel::sizeHint() const { return {Frame1_3->width(), lblSimulated->geometry().bottom() + 1}; }

void DomePanel::attach(DomeLoop* loop) { loop_ = loop; }

void DomePanel::setSimulationNotice(const QString& text) {
  lblSimulated->setText(text);
  lblSimulated->setToolTip(text);
  lblSimulated->setVisible(!text.isEmpty());
}

// The dome loop reports every tick; a widget is touched only when what it shows changes, so an
// idle dome costs no restyling or repainting.
void DomePanel::setDomeAzimuthCaption(int index, const QString& caption) {
  if (index >= 0 && index < 2 && lblDomeAZ[index]->text() != caption) lblDomeAZ[index]->setText(caption);
}

// The dome loop reports its lamps on every tick; restyle only on a change (a style sheet
// costs a text to build and compare, and a repolish).
static void setLamp(QFrame* lamp, Lamp& shown, Lamp state) {
  if (shown == state) return;
  shown = state;
  lamp->setStyleSheet(lampStyle(state));
}

void DomePanel::setRotationLamp(int index, Lamp lamp) {
  if (index >= 0 && index < 3) setLamp(picDomeLR[index], lampShown_[index], lamp);
}

void DomePanel::setSlitLamp(int index, Lamp lamp) {
  if (index >= 0 && index < 2) setLamp(picDomeSlit[index], lampShown_[3 + index], lamp);
}

void DomePanel::showHomeFound(bool found) {
  if (lblHOT[0]->isVisibleTo(this) != found) lblHOT[0]->setVisible(found);
  if (lblHOT[1]->isVisibleTo(this) == found) lblHOT[1]->setVisible(!found);
}

void DomePanel::showHomeSearchNotice(bool visible, const QString& text) {
  Label3->setText(text);
  Label3->setVisible(visible);
}

void DomePanel::setDomePanelsEnabled(bool enabled) {
  Frame1_3->setEnabled(enabled);
  Frame1_4->setEnabled(enabled);
}

void DomePanel::closeStartupWaitWindow() {
  if (onCloseStartupWait) onCloseStartupWait();
}

void DomePanel::placeReferenceLine(int index, const LineEnds& line) {
  if (index < 0 || index >= 6) return;
  canvas_->Line1[index] = line;
  canvas_->update();
}

void DomePanel::placeDomeMark(int index, const LineEnds& line) {
  if (index < 0 || index >= 2) return;
  const LineEnds& was = canvas_->Line2[index];
  if (was.visible == line.visible && was.x1 == line.x1 && was.y1 == line.y1 && was.x2 == line.x2 && was.y2 == line.y2)
    return;
  canvas_->Line2[index] = line;
  canvas_->update();
}

void DomePanel::reportWeather(const QString& code) {
  weather_ = code;
  if (onWeather) onWeather(code);
}

}  // namespace orvan
