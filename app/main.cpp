#include <QApplication>
#include <QTimer>

#include "ui/customer/frmcust.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/look.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Qel"));
  // The program ends when no window is loaded after a handler, not when a window is hidden.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(SvgIcon(QStringLiteral("qel")));

  Guard([] { Show<frmCust>(); });
  if (FatalStatus() != 0) return FatalStatus();

  // Developer aid for measuring start-up: quit as soon as the first customer is shown.
  if (qEnvironmentVariableIsSet("QEL_QUIT_AFTER_FIRST_DISPLAY"))
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
  return app.exec();
}
