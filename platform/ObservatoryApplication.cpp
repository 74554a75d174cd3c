#include "ObservatoryApplication.h"

#include "Language.h"

#include <QAbstractEventDispatcher>

namespace orvan {

namespace {
bool g_setByUs = false;
}

int& ObservatoryApplication::chooseLoop(int& argc) {
  // Qt reads QT_NO_GLIB once, when the application object creates its event dispatcher.
  g_setByUs = !qEnvironmentVariableIsSet("QT_NO_GLIB");
  if (g_setByUs) qputenv("QT_NO_GLIB", "1");
  return argc;
}

ObservatoryApplication::ObservatoryApplication(int& argc, char** argv) : QApplication(chooseLoop(argc), argv) {
  if (g_setByUs) qunsetenv("QT_NO_GLIB");
  g_setByUs = false;
  InstallLanguage(*this);
}

bool ObservatoryApplication::onPlainEventLoop() {
  const QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
  return d && !d->inherits("QEventDispatcherGlib");
}

}  // namespace orvan
