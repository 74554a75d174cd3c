#pragma once
// One row per serial mount family: how its port is set up, how a transaction ends and what
// the observer is told when it does not. The common driver (SerialMountDriver) reads only
// this row, so a new family adds a row rather than a code path.
//
// Adding a family: write its row in SerialFamily.cpp (start from the nearest family), then a
// driver class on SerialMountDriver with the family's protocol; keep or replace the hooks of
// CommonMountDriver (goto motion step, status steps, goto completion, connect steps) where the
// family differs. frmRST400 is the example of a family written almost entirely as a row.
#include "MountTraits.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvan {

struct SerialFamily : MountTraits {
  enum class ReplyEnd { AnyCharacter, Hash, CarriageReturn };
  // What Retry does at a time-out: the LX200 kind keeps waiting (the clock restarts, nothing
  // is sent again), the E-Vexil kind stops and runs the transaction again. Abort and Ignore
  // stop waiting and give up communication in both.
  enum class TimeoutRule { KeepWaiting, StopAndRerun };

  QString settings;             // "9600,n,8,1"
  bool rtsEnable = false;       // RTS line on after open
  int rThreshold = 0;           // receive threshold after open (bytes that raise a receive event)
  int sThreshold = 0;           // send threshold after open
  QByteArray ending;            // appended to every command
  QStringList noReplyPrefixes;  // sent without waiting for a reply
  ReplyEnd replyEnd = ReplyEnd::AnyCharacter;
  int timeoutSeconds = 2;
  // Commands whose reply closes with "#": after the first characters the transaction reads on
  // briefly for the "#", so a reply that reaches the port in pieces is still read whole.
  QStringList hashReplyPrefixes;
  TimeoutRule timeoutRule = TimeoutRule::KeepWaiting;
  // Commands Retry never sends again (a relative move that may have been taken already would
  // be made twice): the transaction returns empty and the driver finds out what is missing.
  QStringList noRerunPrefixes;
  // A refused slew (":MS#") is "1" or "2", a text and "#", where an accepted one is a single
  // "0": a reply other than "0" is read on for its "#".
  bool slewRefusalHasText = false;
  QString timeoutText;          // "LX200からの応答がありません（受信）"
  bool timeoutShowsCommand = true;  // a CR and "(" + cmd + ")" follow the text
  QString emptyOnTimeoutCommand;    // this exact command returns empty at a time-out, unasked
  QString openFailText;         // "LX200側のCOMポートがOPENできません"
  QString openFailTitle;        // "COMポートオープンエラー (" — the error number and ")" follow
  bool showsErrorEvents = false;  // error events (1001..) are shown in a message box
};

const SerialFamily& FamilyLX200();
const SerialFamily& FamilyRST400();
const SerialFamily& FamilyEVexil();
const SerialFamily& FamilyTemma();

// The text shown for an error event of a port (E-Vexil shows them).
QString CommErrorText(int eventCode);

}  // namespace orvan
