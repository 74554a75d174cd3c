#include "frmSensor.h"

#include "Clock.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <QHBoxLayout>

namespace orvan {

namespace {
QString StateText(const QString& code) {
  if (code == u"00") return QStringLiteral(" 解除");
  if (code == u"01") return QStringLiteral(" 降雨雪");
  if (code == u"10") return QStringLiteral(" 停電");
  if (code == u"11") return QStringLiteral(" 降雨雪+停電");
  return QString();
}
}  // namespace

frmSensor::frmSensor(const QString& iniPath, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), iniPath_(iniPath) {
  setObjectName(QStringLiteral("frmSensor"));
  setWindowTitle(QStringLiteral("気象センサー"));
  auto* layout = new QVBoxLayout(this);
  auto* lamps = new QHBoxLayout;
  const char* captions[2] = {"停電", "降雨雪"};
  for (int i = 0; i < 2; ++i) {
    lblWeather[i] = new QLabel(QString::fromUtf8(captions[i]), this);
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
  // Label1 starts at "00" with an empty log: the first clear reading leaves no line.
  SetLabel1(QStringLiteral("00"));
  lstWeather->clear();
  position_.Restore();
}

void frmSensor::Report(const QString& code) {
  if (code == u"01" || code == u"10" || code == u"11") {
    SetLabel1(code);
    show();
    raise();
  } else if (code == u"00") {
    SetLabel1(code);
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
  for (int i = 0; i < 2; ++i) {
    const bool alarm = code[i] == u'1';
    const QColor back = alarm ? QColor(255, 0, 0) : QColor(128, 0, 0);
    const QColor fore = palette().color(alarm ? QPalette::Active : QPalette::Disabled,
                                        alarm ? QPalette::HighlightedText : QPalette::WindowText);
    lblWeather[i]->setStyleSheet(QStringLiteral("background: %1; color: %2;").arg(back.name(), fore.name()));
    lblWeather[i]->setProperty("alarm", alarm);
  }
}

void frmSensor::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
  position_.Save();
}

}  // namespace orvan
