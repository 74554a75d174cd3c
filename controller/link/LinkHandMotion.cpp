#include "LinkHandMotion.h"

#include "LinkMessageCode.h"
#include "MountDriver.h"
#include "PlanetariumCommand.h"
#include "State.h"

#include <QRegularExpression>

namespace orvan {

namespace {
// The sky direction of each axis's plus and minus.
QString letterOf(int axis, int speed) {
  if (axis == 0) return HandsetLetter(QChar(speed > 0 ? u'e' : u'w'));
  return HandsetLetter(QChar(speed > 0 ? u'n' : u's'));
}
}  // namespace

LinkHandMotion::LinkHandMotion(const MountState& mount, Hooks hooks) : mount_(mount), hooks_(std::move(hooks)) {}

bool LinkHandMotion::message(int16_t code, const QString& text) {
  if (code != codeOf(LinkMessageCode::HandMove)) return false;
  static const QRegularExpression kRequest(QStringLiteral("^([01]),(-?[0-3])$"));
  const QRegularExpressionMatch m = kRequest.match(text);
  if (!m.hasMatch()) return false;
  const int axis = m.captured(1).toInt();
  const int speed = m.captured(2).toInt();
  QString why = refusal(axis, speed);
  if (why.isEmpty()) {
    if (speed == 0) {
      // Stopping an axis that does not move (any more) is done already.
      if (owner_ != 0 && axis_ == axis) stop();
    } else {
      const quint64 asker = hooks_.asker ? hooks_.asker() : 0;
      const QString letter = letterOf(axis, speed);
      MountDriver* t = hooks_.telescope();
      // A change of rate or direction on the moving axis ends the old move first, as
      // releasing one button before pressing the next does.
      if (owner_ != 0) stop();
      t->cmdMove(letter, static_cast<int16_t>(std::abs(speed)));
      // Not every family marks hand motion in TelState (the E-Vexil does not): the move was
      // sent when the mount is still there.
      if (t->isConnected()) {
        owner_ = asker != 0 ? asker : 1;
        axis_ = axis;
        letter_ = letter;
      } else {
        why = QStringLiteral("the mount is not connected");
      }
    }
  }
  hooks_.reply(codeOf(LinkMessageCode::HandMoveAnswer), why.isEmpty() ? QStringLiteral("OK") : QStringLiteral("NG,") + why);
  return true;
}

QString LinkHandMotion::refusal(int axis, int speed) const {
  MountDriver* t = hooks_.telescope ? hooks_.telescope() : nullptr;
  if (!t || !t->isConnected()) return QStringLiteral("the mount is not connected");
  if (speed == 0) return {};
  if (hooks_.rates().ofSpeed(std::abs(speed)) <= 0) return QStringLiteral("the mount has no such hand rate");
  const quint64 asker = hooks_.asker ? hooks_.asker() : 0;
  if (owner_ != 0 && asker != 0 && owner_ != asker) return QStringLiteral("another program is moving the mount");
  if (owner_ != 0 && axis_ != axis) return QStringLiteral("one axis moves at a time: the other axis is moving");
  // A goto, or the observer's own hand motion, is not the program's to replace.
  if (owner_ == 0 && mount_.TelState == 2) return QStringLiteral("the mount is moving (a goto or a hand move)");
  return {};
}

void LinkHandMotion::stop() {
  const QString letter = letter_;
  forget();
  if (MountDriver* t = hooks_.telescope ? hooks_.telescope() : nullptr) t->cmdMove(letter, 9);
}

void LinkHandMotion::clientGone(quint64 client) {
  if (owner_ != 0 && owner_ == client) stop();
}

void LinkHandMotion::forget() {
  owner_ = 0;
  letter_.clear();
}

}  // namespace orvan
