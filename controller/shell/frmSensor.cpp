#include "frmSensor.h"

#include "Clock.h"

#include <QCoreApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <QHBoxLayout>

namespace orvan {

namespace {
// One character a sensor: "0" clear, "1" alarm, "?" unknown, "-" not fitted.
bool IsCode(const QString& code) {
  if (code.size() != 2) return false;
  for (QChar c : code)
    if (c != u'0' && c != u'1' && c != u'?' && c != u'-') return false;
  return true;
}

QString StateText(const QString& code) {
  if (!IsCode(code)) return QString();
  const bool power = code[0] == u'1', rain = code[1] == u'1';
  if (power && rain) return frmSensor::tr(" 降雨雪+停電");
  if (rain) return frmSensor::tr(" 降雨雪");
  if (power) return frmSensor::tr(" 停電");
  // Clear only when every fitted sensor said so.
  if (code.contains(u'?')) return frmSensor::tr(" 不明");
  return frmSensor::tr(" 解除");
}
}  // namespace

frmSensor::frmSensor(const QString& iniPath, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), iniPath_(iniPath) {
  setObjectName(QStringLiteral("frmSensor"));
  setWindowTitle(tr("気象センサー"));
  auto* layout = new QVBoxLayout(this);
  auto* lamps = new QHBoxLayout;
  const char* captions[2] = {QT_TR_NOOP("停電"), QT_TR_NOOP("降雨雪")};
  for (int i = 0; i < 2; ++i) {
    lblWeather[i] = new QLabel(tr(captions[i]), this);
    lblWeather[i]->setObjectName(QStringLiteral("lblWeather_%1").arg(i));
    lblWeather[i]->setAlignment(Qt::AlignCenter);
    lblWeather[i]->setMinimumSize(90, 28);
    lamps->addWidget(lblWeather[i]);
  }
  layout->addLayout(lamps);
  lstWeather = new QListWidget(this);
  lstWeather->setObjectName(QStringLiteral("lstWeather"));
  layout->addWidget(lstWeather);
  resize(260, 200);
  // Label1 starts at "00" with an empty log: the first clear reading leaves no line. Until a
  // reading comes the indicators say nothing is known.
  SetLabel1(QStringLiteral("00"));
  lstWeather->clear();
  paint(QStringLiteral("??"));
  position_.Restore();
}

void frmSensor::Report(const QString& code) {
  if (!IsCode(code)) return;
  SetLabel1(code);
  paint(code);
  if (code.contains(u'1')) {
    show();
    raise();
  }
}

void frmSensor::SetLabel1(const QString& code) {
  const bool changed = code != label1_;
  label1_ = code;
  const QString state = StateText(code);
  if (!changed || state.isEmpty()) return;
  const Clock& clock = Clock::current();
  const QDateTime now(clock.localDate(), QTime(0, 0).addMSecs(static_cast<int>(clock.secondsSinceMidnight() * 1000)));
  lstWeather->addItem(now.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")) + state);
  lstWeather->setCurrentRow(lstWeather->count() - 1);
  paint(code);
}

void frmSensor::paint(const QString& code) {
  // The loop reports every tick: a style sheet is rebuilt only when the code changed.
  if (!IsCode(code) || code == painted_) return;
  painted_ = code;
  static const char* captions[2] = {QT_TR_NOOP("停電"), QT_TR_NOOP("降雨雪")};
  for (int i = 0; i < 2; ++i) {
    const QChar c = code[i];
    const bool alarm = c == u'1';
    const bool known = c == u'0' || alarm;
    // Unknown and not fitted are grey: a dark red lamp would read as "clear".
    const QColor back = alarm ? QColor(255, 0, 0) : known ? QColor(128, 0, 0) : QColor(96, 96, 96);
    const QColor fore = palette().color(alarm ? QPalette::Active : QPalette::Disabled,
                                        alarm ? QPalette::HighlightedText : QPalette::WindowText);
    lblWeather[i]->setStyleSheet(QStringLiteral("background: %1; color: %2;").arg(back.name(), fore.name()));
    lblWeather[i]->setProperty("alarm", alarm);
    lblWeather[i]->setProperty("state", QString(c));
    QString caption = tr(captions[i]);
    if (c == u'?') caption += tr(" 不明");
    else if (c == u'-') caption += tr(" なし");
    lblWeather[i]->setText(caption);
  }
}

void frmSensor::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
  position_.Save();
}

}  // namespace orvan
