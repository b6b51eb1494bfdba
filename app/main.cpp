#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QPalette>
#include <QPointer>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "app/firststart.h"
#include "app/module1.h"
#include "transfer/backup.h"
#include "transfer/export.h"
#include "transfer/import.h"
#include "ui/customer/frmcust.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/look.h"

namespace {

// The jobs run without any window. Each option names one job in transfer/.
struct Options {
  QCommandLineOption import{QStringLiteral("import"),
                            QStringLiteral("Import an Access file (.mdb, .accdb) or a folder of "
                                           "CSV files into qel.db of the working folder."),
                            QStringLiteral("PATH")};
  QCommandLineOption codepage{
      QStringLiteral("codepage"),
      QStringLiteral("Windows code page of text in old (Jet 3) Access files (default 950)."),
      QStringLiteral("N"), QStringLiteral("950")};
  QCommandLineOption exportTo{
      QStringLiteral("export"),
      QStringLiteral("Export qel.db of the working folder into FOLDER: the five tables as CSV "
                     "files and the customers as customers.vcf."),
      QStringLiteral("FOLDER")};
  QCommandLineOption backup{QStringLiteral("backup"),
                            QStringLiteral("Write a consistent copy of qel.db of the working "
                                           "folder to FILE, also while Qel has it open."),
                            QStringLiteral("FILE")};
};

// Runs the job the options name; std::nullopt when there is none (the window program).
std::optional<int> RunJob(const QStringList& arguments) {
  Options options;
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Qel keeps an insurance agent's card index of customers in qel.db of the "
                     "working folder. Without options it opens the customer window."));
  const QCommandLineOption help = parser.addHelpOption();
  parser.addOption(options.import);
  parser.addOption(options.codepage);
  parser.addOption(options.exportTo);
  parser.addOption(options.backup);
  QTextStream err(stderr);
  if (!parser.parse(arguments)) {
    err << parser.errorText() << Qt::endl;
    return 2;
  }
  if (parser.isSet(help)) {
    QTextStream(stdout) << parser.helpText();
    return 0;
  }
  if (!parser.positionalArguments().isEmpty()) {
    err << QStringLiteral("Unknown argument: %1").arg(parser.positionalArguments().first())
        << Qt::endl;
    return 2;
  }
  bool ok = false;
  const int codepage = parser.value(options.codepage).toInt(&ok);
  if (!ok || codepage <= 0) {
    err << QStringLiteral("Not a code page number: %1").arg(parser.value(options.codepage))
        << Qt::endl;
    return 2;
  }
  if (parser.isSet(options.import))
    return ImportCommand(kDatabaseFile, parser.value(options.import), codepage);
  if (parser.isSet(options.exportTo))
    return ExportCommand(kDatabaseFile, parser.value(options.exportTo));
  if (parser.isSet(options.backup))
    return BackupCommand(kDatabaseFile, parser.value(options.backup));
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // The program's own options are long ones (and -h); single-dash ones such as -platform
    // belong to Qt and go to the window program.
    const bool job = std::any_of(arguments.begin() + 1, arguments.end(), [](const QString& a) {
      return a.startsWith(QLatin1String("--")) || a == QLatin1String("-h") ||
             a == QLatin1String("-?");
    });
    if (job) {
      // A job needs no display: only Qt Core runs.
      QCoreApplication core(argc, argv);
      QCoreApplication::setApplicationName(QStringLiteral("Qel"));
      if (const std::optional<int> status = RunJob(arguments)) return *status;
    }
  }
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

  Guard([] {
    ImportOnFirstStart(kDatabaseFile, kOldDatabaseFile);
    Show<frmCust>();
  });
  int status = FatalStatus();
  if (status == 0) {
    // Developer aid for measuring start-up: quit as soon as the first customer is shown.
    if (qEnvironmentVariableIsSet("QEL_QUIT_AFTER_FIRST_DISPLAY"))
      QTimer::singleShot(0, &app, &QCoreApplication::quit);
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
