#include <QApplication>
#include <QPalette>
#include <QTimer>

#include "app/module1.h"
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
  // Locked inputs still show a customer: keep their text readable, not faded out.
  QPalette palette = QApplication::palette();
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(60, 60, 60));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(60, 60, 60));
  QApplication::setPalette(palette);

  Guard([] { Show<frmCust>(); });
  int status = FatalStatus();
  if (status == 0) {
    // Developer aid for measuring start-up: quit as soon as the first customer is shown.
    if (qEnvironmentVariableIsSet("QEL_QUIT_AFTER_FIRST_DISPLAY"))
      QTimer::singleShot(0, &app, &QCoreApplication::quit);
    status = app.exec();
  }
  // The windows and the data objects go while Qt is still there.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const auto windows = QApplication::topLevelWidgets();
  for (QWidget* window : windows) {
    if (qobject_cast<Form*>(window)) delete window;
  }
  ReleaseDataObjects();
  return status;
}
