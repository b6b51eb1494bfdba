#include <QApplication>
#include <QCommandLineParser>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "app/module1.h"
#include "app/userfolder.h"
#include "ui/customer/frmcust.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"

int main(int argc, char** argv) {
  QCoreApplication::setApplicationName(QStringLiteral("Qel"));
  QCoreApplication::setApplicationVersion(QStringLiteral(QEL_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "A card index of customers for an insurance agent. Without options it opens the customer "
      "window on qel.db in the working folder."));
  const QCommandLineOption helpOption = parser.addHelpOption();
  const QCommandLineOption versionOption = parser.addVersionOption();
  const QCommandLineOption userFolderOption(
      QStringLiteral("user-folder"),
      QStringLiteral("Keep the data in ~/Qel (created, readable by its owner only, when missing) "
                     "instead of the working folder. The desktop menu starts Qel this way."));
  parser.addOption(userFolderOption);

  // --help and --version are answered by a plain core application, so they work without a
  // display. Everything else gets the window system first, which takes Qt's own options
  // (-platform, -style, ...) off the command line before the rest is checked.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (parser.parse(arguments) && (parser.isSet(helpOption) || parser.isSet(versionOption))) {
    QCoreApplication terminal(argc, argv);
    parser.process(terminal);  // prints the help or the version and ends the program
    return 0;
  }

  QApplication app(argc, argv);
  parser.process(app);  // an unknown option ends the program with a message
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "Qel: Unexpected argument '%s'.\n",
                 qPrintable(parser.positionalArguments().constFirst()));
    return 1;
  }
  // The program ends when no window is loaded after a handler, not when a window is hidden.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(SvgIcon(QStringLiteral("qel")));
  // Locked inputs still show a customer: keep their text readable, not faded out.
  QPalette palette = QApplication::palette();
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(60, 60, 60));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(60, 60, 60));
  QApplication::setPalette(palette);

  Guard([&] {
    if (parser.isSet(userFolderOption)) EnterUserFolder();
    Show<frmCust>();
  });
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
