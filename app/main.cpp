#include <QApplication>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "app/module1.h"
#include "ui/customer/frmcust.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"

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
    // Developer aid for measuring start-up: quit as soon as the first customer is shown; with
    // "search", first run an all-open search (its messages answered at once) to the result
    // window.
    const QByteArray aid = qgetenv("QEL_QUIT_AFTER_FIRST_DISPLAY");
    if (aid == "search") {
      QTimer::singleShot(0, &app, [] {
        SetMsgBoxHook([](const QString&) {});
        Guard([] { Show<frmSearch>()->cmdStart->click(); });
        QCoreApplication::exit(Loaded<frmSearchResult>() ? 0 : 1);
      });
    } else if (!aid.isEmpty()) {
      QTimer::singleShot(0, &app, &QCoreApplication::quit);
    }
    status = app.exec();
  }
  // The windows and the data objects go while Qt is still there.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  // Collected first and held by QPointer: deleting a window also deletes top-level widgets it
  // owns (a combo box's popup), which must not be looked at afterwards.
  QList<QPointer<Form>> forms;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* form = qobject_cast<Form*>(window)) forms << form;
  }
  for (const QPointer<Form>& form : forms) delete form.data();
  ReleaseDataObjects();
  return status;
}
