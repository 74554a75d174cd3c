#include "FrmOrvanOS.h"

#include "IniFile.h"
#include "ProgramEnd.h"
#include "Prompter.h"

#include <QCoreApplication>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcBoard)

namespace orvan {

namespace {
// The texts of this file for the translation (the Japanese is the source).
struct Texts {
  Q_DECLARE_TR_FUNCTIONS(FrmOrvanOS)
};
}  // namespace

FrmOrvanOS::FrmOrvanOS(SharedState& state, Epx30sc& board, QString iniPath)
    : DomeDriver(state), board_(board), iniPath_(std::move(iniPath)) {}

void FrmOrvanOS::fail(const char* function) {
  if (opened_) {
    board_.EPX30SC_Close(BoardHandle);
    opened_ = false;
  }
  Prompter::current().ask(QString(), QString::fromLatin1(function) + "() Error", Buttons::Ok, Icon::None);
  EndProgramNow();
}

Flag FrmOrvanOS::DomeConnect(Flag connect) {
  if (connect == kFalse) {
    if (opened_) board_.EPX30SC_Close(BoardHandle);
    opened_ = false;
    return kTrue;
  }
  if (opened_) return kTrue;

  // A library without one of the board's functions ends the run as a failing call of it would.
  if (const QString missing = board_.missingFunction(); !missing.isEmpty()) {
    fail(missing.toLatin1().constData());
    return kFalse;
  }
  if (board_.EPX30SC_GetNumberOfDevices(DeviceCount) != 0) {
    fail("EPX30SC_GetNumberOfDevices");
    return kFalse;
  }
  if (DeviceCount == 0) {
    Prompter::current().ask(Texts::tr("ドームコントローラ接続エラー"),
                            Texts::tr("ドームコントローラが見つかりません\nUSBケーブルの接続を確認して下さい"),
                            Buttons::Ok, Icon::Critical);
    WriteIni(iniPath_, "PUBLIC", "FormSizeChange", "2");
    board_.EPX30SC_Close(BoardHandle);
    EndProgramNow();
    return kFalse;
  }
  if (board_.EPX30SC_Open(BoardHandle) != 0) {
    fail("EPX30SC_Open");
    return kFalse;
  }
  opened_ = true;

  const int32_t h = BoardHandle;
  uint8_t dir = 0;
  LastResult = board_.EPX30SC_SetCounterMode(h, 1);
  LastResult = board_.EPX30SC_SetCounterDirection(h, 0);
  // Each read overwrites the memory byte, so it ends with port 2's code: the home memory.
  for (int port = 0; port <= 2; ++port) {
    LastResult = board_.EPX30SC_GetPortDirection(h, port, dir);
    s_.dome.DomeZMemory = dir;
  }
  LastResult = board_.EPX30SC_SetPortDirection(h, 0, 1);
  LastResult = board_.EPX30SC_SetPortDirection(h, 1, 1);
  LastResult = board_.EPX30SC_SetPortDirection(h, 2, 0);
  // The relays are latched: a motor a killed program left running runs on until told.
  LastResult = board_.EPX30SC_OutputPort(h, 0, 0);
  LastResult = board_.EPX30SC_OutputPort(h, 1, 0);
  qCDebug(lcBoard) << "every motor output switched off at connect";
  uint8_t discard = 0;
  LastResult = board_.EPX30SC_InputPort(h, 2, discard);
  OutputState = QString(24, u'0');
  PortValue[0] = PortValue[1] = 0;

  // Port 2 was an input: the board has been powered up since it last held the home, so its
  // count means nothing.
  if (s_.dome.DomeZMemory == 0) LastResult = board_.EPX30SC_ResetCounter(h);
  LastResult = board_.EPX30SC_SetCounterControl(h, 1);

  LastResult = board_.EPX30SC_GetPortDirection(h, 2, dir);
  s_.dome.DomeZMemory = dir;
  s_.dome.DomeZFlag = toFlag(dir == 1);
  return kTrue;
}

int32_t FrmOrvanOS::DomeGetEnc() {
  int32_t value = 0;
  if (board_.EPX30SC_GetCounterValue(BoardHandle, value) != 0) {
    fail("EPX30SC_GetCounterValue");
    return s_.mount.AxisDisp[2];
  }
  // The board's 32-bit counter wraps; so does the difference.
  int64_t v = static_cast<int64_t>(value) - s_.dome.DomeLatch;
  if (!s_.domeSettings.UpDown) v = -v;
  const auto e = static_cast<int32_t>(static_cast<uint32_t>(v));
  s_.mount.AxisDisp[2] = e;
  return e;
}

Flag FrmOrvanOS::DomeGetZFlag() {
  uint8_t dir = 0;
  if (board_.EPX30SC_GetPortDirection(BoardHandle, 2, dir) != 0) {
    fail("EPX30SC_GetPortDirection");
    return s_.dome.DomeZFlag;
  }
  s_.dome.DomeZMemory = dir;
  if (dir == 1) {
    s_.dome.DomeZFlag = kTrue;
    return kTrue;
  }
  s_.dome.DomeZFlag = kFalse;
  if (s_.dome.DomeZSearching != kFalse) {
    if (board_.EPX30SC_GetCounterLatchFlag(BoardHandle, LatchFlag) != 0) {
      fail("EPX30SC_GetCounterLatchFlag");
      return kFalse;
    }
    if (LatchFlag == 1) {
      if (board_.EPX30SC_GetCounterLatchValue(BoardHandle, LatchValue) != 0) {
        fail("EPX30SC_GetCounterLatchValue");
        return kFalse;
      }
      s_.dome.DomeLatch = LatchValue;
      DomeSetZflag(kTrue);
      s_.dome.DomeZSearching = kFalse;
      s_.dome.DomeZFlag = kTrue;
    }
  }
  return s_.dome.DomeZFlag;
}

Flag FrmOrvanOS::DomeSetZflag(Flag flag) {
  if (flag != kTrue && flag != kFalse) return kFalse;
  s_.dome.DomeZFlag = flag;
  if (board_.EPX30SC_SetPortDirection(BoardHandle, 2, flag == kTrue ? 1 : 0) != 0) {
    fail("EPX30SC_SetPortDirection");
  }
  return kFalse;
}

Flag FrmOrvanOS::DomeZsearch(Flag flag) {
  s_.dome.DomeZSearching = flag;
  if (flag != kTrue) return kFalse;
  // Only a latch after this moment counts: an old one is read away.
  if (board_.EPX30SC_GetCounterLatchFlag(BoardHandle, LatchFlag) != 0) {
    fail("EPX30SC_GetCounterLatchFlag");
    return kFalse;
  }
  if (LatchFlag == 1 && board_.EPX30SC_GetCounterLatchValue(BoardHandle, LatchValue) != 0) {
    fail("EPX30SC_GetCounterLatchValue");
    return kFalse;
  }
  if (board_.EPX30SC_SetPortDirection(BoardHandle, 2, 0) != 0) {
    fail("EPX30SC_SetPortDirection");
    return kFalse;
  }
  s_.dome.DomeZFlag = kFalse;
  return kFalse;
}

QString FrmOrvanOS::GetSensor() {
  // Reading the weather inputs turns port 2 into an input, which also clears the home memory.
  uint8_t value = 0;
  LastResult = board_.EPX30SC_SetPortDirection(BoardHandle, 2, 0);
  LastResult = board_.EPX30SC_InputPort(BoardHandle, 2, value);
  // A power failure is believed only after 21 readings in a row; rain at once.
  auto powerFailure = [this](const char* code) {
    if (++SensorRepeat <= 20) return QString();
    SensorRepeat = 0;
    return QString::fromLatin1(code);
  };
  switch (value) {
    case 255: SensorRepeat = 0; return QStringLiteral("00");
    case 252: SensorRepeat = 0; return QStringLiteral("01");
    case 243: return powerFailure("10");
    case 240: return powerFailure("11");
    // A pattern no sensor makes (a loose cable, a sensor not fitted): the weather is unknown,
    // which is not the same as clear.
    default: SensorRepeat = 0; return QStringLiteral("??");
  }
}

void FrmOrvanOS::SetRelay(const QString& pattern) {
  for (int k = 0; k < 16 && k < pattern.size(); ++k) {
    if (pattern[k] == u'1' || pattern[k] == u'0') OutputState[k] = pattern[k];
  }
  for (int p = 0; p <= 1; ++p) {
    int value = 0;
    for (int j = 0; j < 8; ++j) {
      if (OutputState[8 * p + j] == u'1') value |= 1 << j;
    }
    PortValue[p] = static_cast<int16_t>(value);
    LastResult = board_.EPX30SC_OutputPort(BoardHandle, p, static_cast<uint8_t>(value));
  }
}

QString FrmOrvanOS::simulationNotice() const {
  return board_.isSimulated() ? Texts::tr("ドーム: シミュレーション (模擬USBボード)") : QString();
}

}  // namespace orvan
