#include "SerialFamily.h"

namespace orvan {

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
    s.timeoutText = QStringLiteral("LX200からの応答がありません（受信）");
    s.openFailText = QStringLiteral("LX200側のCOMポートがOPENできません");
    s.openFailTitle = QStringLiteral("COMポートオープンエラー (");
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
    s.timeoutText = QStringLiteral("RST400からの応答がありません（受信）");
    s.openFailText = QStringLiteral("LX200側のCOMポートがOPENできません");
    s.openFailTitle = QStringLiteral("COMポートオープンエラー (");
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
    s.timeoutText = QStringLiteral("E-Vexilからの応答がありません（受信）");
    s.timeoutShowsCommand = false;
    s.openFailText = QStringLiteral("E-Vexil側のCOMポートがOPENできません");
    s.openFailTitle = QStringLiteral("COMポートオープンエラー(");
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
    s.timeoutText = QStringLiteral("Temma2Mからの応答がありません（受信）");
    s.emptyOnTimeoutCommand = QStringLiteral("s");
    s.openFailText = QStringLiteral("Temma側のCOMポートがOPENできません");
    s.openFailTitle = QStringLiteral("COMポートオープンエラー (");
    s.approachNeedsBacklash = true;
    return s;
  }();
  return f;
}

QString CommErrorText(int eventCode) {
  switch (eventCode) {
    case 1001: return QStringLiteral("中断信号を受信");
    case 1002: return QStringLiteral("CTSタイムアウト");
    case 1003: return QStringLiteral("DSRタイムアウト");
    case 1004: return QStringLiteral("フレーム エラー");
    case 1006: return QStringLiteral("ポート オーバーラン");
    case 1007: return QStringLiteral("CDタイムアウト");
    case 1008: return QStringLiteral("受信バッファ オーバーフロー");
    case 1009: return QStringLiteral("パリティ エラー");
    case 1010: return QStringLiteral("送信バッファがいっぱい");
    case 1011: return QStringLiteral("予期しないDCBエラー");
    default: return QStringLiteral("その他の通信エラー");
  }
}

}  // namespace orvan
