#include "SerialFamily.h"

#include <QCoreApplication>

namespace orvan {

namespace {
// The texts of this file for the translation (the Japanese is the source).
struct Texts {
  Q_DECLARE_TR_FUNCTIONS(SerialFamily)
};
}  // namespace

const SerialFamily& FamilyLX200() {
  static const SerialFamily f = [] {
    SerialFamily s;
    s.name = QStringLiteral("LX200");
    s.settings = QStringLiteral("9600,n,8,1");
    s.noReplyPrefixes = {QStringLiteral(":Mn"), QStringLiteral(":Ms"), QStringLiteral(":Mw"), QStringLiteral(":Me"),
                         QStringLiteral(":Q"), QStringLiteral(":RS"), QStringLiteral(":RM"), QStringLiteral(":RC")};
    s.replyEnd = SerialFamily::ReplyEnd::AnyCharacter;
    s.timeoutSeconds = 2;
    s.hashReplyPrefixes = {QStringLiteral(":G"), QStringLiteral(":CM")};
    s.slewRefusalHasText = true;
    s.timeoutText = Texts::tr("LX200からの応答がありません（受信）");
    s.openFailText = Texts::tr("LX200側のCOMポートがOPENできません");
    s.openFailTitle = Texts::tr("COMポートオープンエラー (");
    s.slewWatchLimit = 60;
    // Low precision reports 6 s of RA and whole minutes of Dec.
    s.arrivalTolerance = 60;
    s.axisCountsFromSky = true;
    return s;
  }();
  return f;
}

const SerialFamily& FamilyRST400() {
  static const SerialFamily f = [] {
    SerialFamily s;
    s.name = QStringLiteral("RST400");
    s.settings = QStringLiteral("115200,n,8,1");
    s.ending = QByteArrayLiteral("\r");
    for (const char* p : {":Q", ":Mn", ":Ms", ":Mw", ":Me", ":RS", ":RM", ":RC", ":SPH", ":SPE", ":CtA", ":CtL", ":Ch",
                          ":Sr", ":Sd", ":MS", ":CM", ":Cm", ":Sa", ":Sz", ":SC", ":SL", ":SG", ":Sg", ":St", ":SS"})
      s.noReplyPrefixes << QString::fromLatin1(p);
    s.replyEnd = SerialFamily::ReplyEnd::Hash;
    s.timeoutSeconds = 10;
    s.timeoutText = Texts::tr("RST400からの応答がありません（受信）");
    s.openFailText = Texts::tr("LX200側のCOMポートがOPENできません");
    s.openFailTitle = Texts::tr("COMポートオープンエラー (");
    s.slewWatchLimit = 10;
    s.slewWatchInclusive = true;
    s.axisCountsFromSky = true;
    return s;
  }();
  return f;
}

const SerialFamily& FamilyEVexil() {
  static const SerialFamily f = [] {
    SerialFamily s;
    s.name = QStringLiteral("E-Vexil");
    s.settings = QStringLiteral("9600,n,8,1");
    s.rtsEnable = true;
    s.rThreshold = 1;
    s.sThreshold = 1;
    s.ending = QByteArrayLiteral("\r");
    s.replyEnd = SerialFamily::ReplyEnd::CarriageReturn;
    s.timeoutSeconds = 4;
    s.timeoutRule = SerialFamily::TimeoutRule::StopAndRerun;
    s.noRerunPrefixes = {QStringLiteral("DV")};
    s.timeoutText = Texts::tr("E-Vexilからの応答がありません（受信）");
    s.timeoutShowsCommand = false;
    s.openFailText = Texts::tr("E-Vexil側のCOMポートがOPENできません");
    s.openFailTitle = Texts::tr("COMポートオープンエラー(");
    s.showsErrorEvents = true;
    s.approachNeedsBacklash = true;
    // The position is worked out from exact counts: at the target means on it.
    s.arrivalTolerance = 1;
    return s;
  }();
  return f;
}

const SerialFamily& FamilyTemma() {
  static const SerialFamily f = [] {
    SerialFamily s;
    s.name = QStringLiteral("Temma");
    s.settings = QStringLiteral("19200,e,8,1");
    s.rThreshold = 1;
    s.alwaysWriteEncoderLog = true;
    s.ending = QByteArrayLiteral("\r\n");
    for (const char* p : {"I", "M", "T", "Z", "P", "N", "J", "K"}) s.noReplyPrefixes << QString::fromLatin1(p);
    s.replyEnd = SerialFamily::ReplyEnd::CarriageReturn;
    s.timeoutSeconds = 2;
    s.timeoutText = Texts::tr("Temma2Mからの応答がありません（受信）");
    s.emptyOnTimeoutCommand = QStringLiteral("s");
    s.openFailText = Texts::tr("Temma側のCOMポートがOPENできません");
    s.openFailTitle = Texts::tr("COMポートオープンエラー (");
    s.approachNeedsBacklash = true;
    return s;
  }();
  return f;
}

QString CommErrorText(int eventCode) {
  switch (eventCode) {
    case 1001: return Texts::tr("中断信号を受信");
    case 1002: return Texts::tr("CTSタイムアウト");
    case 1003: return Texts::tr("DSRタイムアウト");
    case 1004: return Texts::tr("フレーム エラー");
    case 1006: return Texts::tr("ポート オーバーラン");
    case 1007: return Texts::tr("CDタイムアウト");
    case 1008: return Texts::tr("受信バッファ オーバーフロー");
    case 1009: return Texts::tr("パリティ エラー");
    case 1010: return Texts::tr("送信バッファがいっぱい");
    case 1011: return Texts::tr("予期しないDCBエラー");
    default: return Texts::tr("その他の通信エラー");
  }
}

}  // namespace orvan
