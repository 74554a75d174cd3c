#include "WindowPosition.h"

#include "IniFile.h"
#include "Vb.h"

#include <QWidget>

namespace orvan {

void WindowPosition::Restore() {
  const QString sec = window_.objectName();
  stored_ = QPoint(static_cast<int>(vb::Val(ReadIni(iniPath_, sec, QStringLiteral("Left")))),
                   static_cast<int>(vb::Val(ReadIni(iniPath_, sec, QStringLiteral("Top")))));
  window_.move(stored_ / 15);
}

void WindowPosition::Save() {
  const QPoint now = window_.pos() * 15;
  if ((now / 15) == (stored_ / 15)) return;
  WriteIni(iniPath_, window_.objectName(), QStringLiteral("Left"), vb::Str(static_cast<long long>(now.x())));
  WriteIni(iniPath_, window_.objectName(), QStringLiteral("Top"), vb::Str(static_cast<long long>(now.y())));
  stored_ = now;
}

}  // namespace orvan
