#include "EVexilProgrammer.h"

#include "IniFile.h"
#include "PortAccess.h"
#include "Prompter.h"
#include "Vb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>

namespace orvan {

namespace {
// The texts of this file for the translation (the Japanese is the source).
struct Texts {
  Q_DECLARE_TR_FUNCTIONS(EVexilProgrammer)
};


// A whole decimal number within [low, high] and nothing else.
bool wholeIn(const QString& text, double low, double high, double& value) {
  bool ok = false;
  value = text.trimmed().toDouble(&ok);
  return ok && std::isfinite(value) && value == std::floor(value) && value >= low && value <= high;
}

// "RD → 「reply」" for a message.
QString quoted(const QString& cmd, const QString& reply) {
  return cmd + QStringLiteral(" → 「") + reply + QStringLiteral("」");
}

// The `width` hexadecimal digits at 1-based character `from` of a reply.
bool hexAt(const QString& reply, int from, int width, uint32_t& value) {
  const QStringView digits = QStringView(reply).mid(from - 1, width);
  if (digits.size() != width) return false;
  for (const QChar c : digits) {
    const char16_t u = c.unicode();
    if (!((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f'))) return false;
  }
  value = digits.toUInt(nullptr, 16);
  return true;
}

QString hexDigits(uint32_t v, int width) { return QString::number(v, 16).toUpper().rightJustified(width, u'0'); }

}  // namespace

EVexilProgrammer::EVexilProgrammer(QString iniPath, std::unique_ptr<SerialLink> link)
    : iniPath_(std::move(iniPath)), link_(std::move(link)) {}

EVexilProgrammer::~EVexilProgrammer() {
  if (link_ && link_->isOpen()) link_->close();
}

bool EVexilProgrammer::cmdConnect(bool open, int port) {
  if (!open) {
    if (link_->isOpen()) link_->close();
    Connected = false;
    return true;
  }
  link_->setCommPort(port);
  link_->setSettings(QStringLiteral("9600,n,8,1"));
  link_->setInputLen(0);
  link_->setDTREnable(false);
  link_->setEOFEnable(false);
  link_->setHandshaking(Handshaking::None);
  link_->setInputMode(InputMode::Text);
  link_->setRTSEnable(false);
  if (port <= 0 || !link_->open()) {
    Prompter::current().ask(Texts::tr("COMポートオープンエラー"),
                            port <= 0 ? Texts::tr("COMポートがOPENできません")
                                      : OpenFailureText(*link_, Texts::tr("COMポートがOPENできません")),
                            Buttons::Ok, Icon::Critical);
    WriteIni(iniPath_, QStringLiteral("PUBLIC"), QStringLiteral("FormSizeChange"), QStringLiteral("2"));
    Connected = false;
    return false;
  }
  Connected = true;
  return true;
}

std::optional<QString> EVexilProgrammer::SendTelescope(const QString& cmd) {
  if (!link_->isOpen()) return std::nullopt;
  link_->discardInput();
  if (!link_->write(cmd.toLatin1() + '\r')) {
    cmdConnect(false, 0);
    return std::nullopt;
  }
  QByteArray reply;
  QElapsedTimer clock;
  clock.start();
  while (!reply.contains('\r')) {
    if (link_->waitForInput(50)) reply += link_->readAll();
    // A reply longer than any the controller gives is not one: no need to wait for its end.
    if (reply.size() > 256) break;
    if (!link_->isOpen()) {
      Connected = false;
      return std::nullopt;
    }
    if (clock.elapsed() < kTimeoutMs) continue;
    const Answer a = Prompter::current().ask(Texts::tr("タイムアウト"), Texts::tr("E-Vexilからの応答がありません（受信）"),
                                             Buttons::AbortRetryIgnore, Icon::Critical);
    LastTimeoutAnswer = static_cast<int>(a);
    WriteIni(iniPath_, QStringLiteral("PUBLIC"), QStringLiteral("FormSizeChange"), QStringLiteral("2"));
    if (a == Answer::Retry) {
      clock.restart();
      continue;
    }
    // The observer gave up on the controller: the connection ends, the utility stays open
    // with everything typed so far.
    cmdConnect(false, 0);
    return std::nullopt;
  }
  QString text = QString::fromLatin1(reply.left(reply.indexOf('\r')));
  text.remove(u'\n');
  return text;
}

bool EVexilProgrammer::ParseRevolution(const QString& reply, uint32_t& axis1, uint32_t& axis2) {
  return hexAt(reply, 4, 8, axis1) && hexAt(reply, 13, 8, axis2);
}

bool EVexilProgrammer::ParseSlowDown(const QString& reply, uint32_t& first, uint32_t& second) {
  if (!hexAt(reply, 4, 2, first) || !hexAt(reply, 7, 2, second)) return false;
  first *= 256;
  second *= 256;
  return true;
}

bool EVexilProgrammer::cmdStartUP(EVexilParameters& out, QString& problem) {
  out = EVexilParameters{};
  const QString bad = Texts::tr("E-Vexilの応答が正しくありません: ");
  const auto rd = SendTelescope(QStringLiteral("RD"));
  if (!rd) return problem = Texts::tr("E-Vexilから応答がありません"), false;
  uint32_t a = 0, b = 0;
  if (!ParseRevolution(*rd, a, b)) return problem = bad + quoted(QStringLiteral("RD"), *rd), false;
  out.txtEncMax = {QString::number(a), QString::number(b)};

  const auto pa = SendTelescope(QStringLiteral("PA"));
  if (!pa) return problem = Texts::tr("E-Vexilから応答がありません"), false;
  if (!ParseSlowDown(*pa, a, b)) return problem = bad + quoted(QStringLiteral("PA"), *pa), false;
  out.txtSlowDown[0] = QString::number(a);
  out.txtSlowDown[1] = QString::number(b);

  const auto sl = SendTelescope(QStringLiteral("SL"));
  if (!sl) return problem = Texts::tr("E-Vexilから応答がありません"), false;
  if (*sl == u"?") {
    out.txtSlowDown[2] = out.txtSlowDown[3] = QStringLiteral("---");
  } else if (ParseSlowDown(*sl, a, b)) {
    out.txtSlowDown[2] = QString::number(a);
    out.txtSlowDown[3] = QString::number(b);
  } else {
    return problem = bad + quoted(QStringLiteral("SL"), *sl), false;
  }

  const auto vr = SendTelescope(QStringLiteral("VR"));
  if (!vr) return problem = Texts::tr("E-Vexilから応答がありません"), false;
  out.lblVersion = *vr == u"?" ? Texts::tr("不明") : *vr;
  return true;
}

bool EVexilProgrammer::Write(const QString& cmd, QString& problem) {
  const auto reply = SendTelescope(cmd);
  if (!reply) return problem = Texts::tr("E-Vexilから応答がありません"), false;
  if (*reply == u"?") return problem = Texts::tr("E-Vexilが受け付けませんでした: ") + quoted(cmd, *reply), false;
  return true;
}

bool EVexilProgrammer::RevolutionCommand(const QString& axis1, const QString& axis2, QString& cmd, QString& problem) {
  double a = 0, b = 0;
  if (!wholeIn(axis1, 1, 4294967295.0, a) || !wholeIn(axis2, 1, 4294967295.0, b))
    return problem = Texts::tr("周回ステップ数は 1 から 4294967295 までの整数です"), false;
  cmd = QStringLiteral("RD#") + hexDigits(static_cast<uint32_t>(a), 8) + u'#' + hexDigits(static_cast<uint32_t>(b), 8);
  return true;
}

bool EVexilProgrammer::RateCommand(const QString& rate, QString& cmd, QString& problem) {
  double r = 0;
  if (!wholeIn(rate, 1, 99999999, r)) return problem = Texts::tr("恒星時周波数は 1 から 99999999 までの整数です"), false;
  cmd = QStringLiteral("RD&") + vb::Format(r, QStringLiteral("00000000"));
  return true;
}

bool EVexilProgrammer::SlowDownCommands(const std::array<QString, 4>& counts, QString& pa, QString& sl, QString& problem) {
  QString h[4];
  // A controller without "SL" showed "---": only the "PA" pair is sent.
  const bool noSl = counts[2] == u"---" && counts[3] == u"---";
  for (int k = 0; k < (noSl ? 2 : 4); ++k) {
    double v = 0;
    if (!wholeIn(counts[k], 0, 65535, v)) return problem = Texts::tr("スローダウンステップ数は 0 から 65535 までの整数です"), false;
    // Four hexadecimal digits, of which the controller takes the first two (units of 256).
    h[k] = hexDigits(static_cast<uint32_t>(v), 4).left(2);
  }
  pa = QStringLiteral("PA#") + h[0] + u'#' + h[1];
  sl = noSl ? QString() : QStringLiteral("SL#") + h[2] + u'#' + h[3];
  return true;
}

QString EVexilProgrammer::Ratecal(int optRate, const QString& encMax0, const QString& percent) {
  const double counts = vb::Val(encMax0);
  switch (optRate) {
    case 0: return encMax0;
    case 1: return vb::Str(vb::Int(counts * 0.9997));
    case 2: return vb::Str(vb::Int(counts * vb::Val(percent) / 100.0));
    default: return QString();
  }
}

}  // namespace orvan
