#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "transfer/backup.h"
#include "transfer/export.h"
#include "transfer/import.h"
#include "ui/customer/findbox.h"
#include "ui/customer/frmcust.h"
#include "ui/program/firststart.h"
#include "ui/program/language.h"
#include "ui/program/module1.h"
#include "ui/program/userfolder.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"

namespace {

// The jobs run without any window. Each option names one job in transfer/.
struct Options {
  QCommandLineOption import{
      QStringLiteral("import"),
      QCoreApplication::translate("main",
                                  "Import an Access file (.mdb, .accdb), a folder of "
                                  "CSV files or another qel.db into qel.db of the "
                                  "working folder, or into the shared database that "
                                  "QEL_DATABASE names."),
      QStringLiteral("PATH")};
  QCommandLineOption codepage{
      QStringLiteral("codepage"),
      QCoreApplication::translate(
          "main",
          "Windows code page of the text in old (Jet 3) Access files (default 950) "
          "and in CSV files without a UTF-8 byte-order mark (default UTF-8), e.g. "
          "950 for Traditional Chinese."),
      QStringLiteral("N"), QStringLiteral("950")};
  // Not a job: the window program on ~/Qel/qel.db, as the desktop menu starts it.
  QCommandLineOption userFolder{
      QStringLiteral("user-folder"),
      QCoreApplication::translate(
          "main",
          "Keep the data in ~/Qel (created, readable by its owner only, when missing) "
          "instead of the working folder. The desktop menu starts Qel this way.")};
  QCommandLineOption exportTo{
      QStringLiteral("export"),
      QCoreApplication::translate(
          "main",
          "Export qel.db of the working folder into FOLDER: the five tables as CSV "
          "files and the customers as customers.vcf."),
      QStringLiteral("FOLDER")};
  QCommandLineOption backup{
      QStringLiteral("backup"),
      QCoreApplication::translate("main",
                                  "Write a consistent copy of qel.db of the working "
                                  "folder to FILE, also while Qel has it open."),
      QStringLiteral("FILE")};
  QCommandLineOption find{
      QStringLiteral("find"),
      QCoreApplication::translate("main",
                                  "Print the customers TEXT finds in qel.db of the working "
                                  "folder, as the find box lists them: name, C_No and "
                                  "what matched, one per line."),
      QStringLiteral("TEXT")};
  QCommandLineOption prune{
      QStringLiteral("history-prune"),
      QCoreApplication::translate("main",
                                  "Remove the history of changes older than DAYS days, "
                                  "after a backup, whose place it prints."),
      QStringLiteral("DAYS")};
};

// Runs the job the options name; std::nullopt when there is none (the window program), with
// userFolder telling whether it keeps its data in ~/Qel.
std::optional<int> RunJob(const QStringList& arguments, bool& userFolder) {
  Options options;
  QCommandLineParser parser;
  parser.setApplicationDescription(QCoreApplication::translate(
      "main",
      "Qel keeps an insurance agent's card index of customers in qel.db of the "
      "working folder. Without options it opens the customer window."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  parser.addOption(options.import);
  parser.addOption(options.codepage);
  parser.addOption(options.userFolder);
  parser.addOption(options.exportTo);
  parser.addOption(options.backup);
  parser.addOption(options.find);
  parser.addOption(options.prune);
  QTextStream err(stderr);
  if (!parser.parse(arguments)) {
    err << parser.errorText() << Qt::endl;
    return 2;
  }
  if (parser.isSet(help)) {
    QTextStream(stdout) << parser.helpText();
    return 0;
  }
  if (parser.isSet(version)) {
    QTextStream(stdout) << QStringLiteral("Qel %1").arg(QCoreApplication::applicationVersion())
                        << Qt::endl;
    return 0;
  }
  if (!parser.positionalArguments().isEmpty()) {
    err << QCoreApplication::translate("main", "Unknown argument: %1")
               .arg(parser.positionalArguments().first())
        << Qt::endl;
    return 2;
  }
  bool ok = false;
  const int codepage = parser.value(options.codepage).toInt(&ok);
  if (!ok || codepage <= 0) {
    err << QCoreApplication::translate("main", "Not a code page number: %1")
               .arg(parser.value(options.codepage))
        << Qt::endl;
    return 2;
  }
  if (int(parser.isSet(options.import)) + int(parser.isSet(options.exportTo)) +
          int(parser.isSet(options.backup)) + int(parser.isSet(options.find)) +
          int(parser.isSet(options.prune)) >
      1) {
    err << QCoreApplication::translate(
               "main",
               "Give one job at a time: --import, --export, --backup, --find or "
               "--history-prune.")
        << Qt::endl;
    return 2;
  }
  if (parser.isSet(options.import))
    return ImportCommand(
        kDatabaseFile, parser.value(options.import),
        parser.isSet(options.codepage) ? std::optional<int>(codepage) : std::nullopt);
  if (parser.isSet(options.exportTo))
    return ExportCommand(kDatabaseFile, parser.value(options.exportTo));
  if (parser.isSet(options.backup))
    return BackupCommand(kDatabaseFile, parser.value(options.backup));
  if (parser.isSet(options.find)) return FindCommand(kDatabaseFile, parser.value(options.find));
  if (parser.isSet(options.prune))
    return HistoryPruneCommand(kDatabaseFile, parser.value(options.prune));
  if (parser.isSet(options.codepage)) {
    err << QCoreApplication::translate("main", "--codepage goes with --import.") << Qt::endl;
    return 2;
  }
  userFolder = parser.isSet(options.userFolder);
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationVersion(QStringLiteral(QEL_VERSION));
  // How long a database file locked by another program is waited for; a nightly job may wait
  // longer than an agent at the window would.
  bool given = false;
  if (const int wait = qEnvironmentVariableIntValue("QEL_BUSY_WAIT", &given); given && wait >= 0)
    SetBusyWait(wait);
  bool userFolder = false;
  {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // The program's own options are long ones (and -h); single-dash ones such as -platform
    // belong to Qt and go to the window program.
    const bool job = std::any_of(arguments.begin() + 1, arguments.end(), [](const QString& a) {
      return a.startsWith(QLatin1String("--")) || a == QLatin1String("-h") ||
             a == QLatin1String("-?") || a == QLatin1String("-v");
    });
    if (job) {
      // A job needs no display: only Qt Core runs.
      QCoreApplication core(argc, argv);
      QCoreApplication::setApplicationName(QStringLiteral("Qel"));
      InstallTranslations();
      if (const std::optional<int> status = RunJob(arguments, userFolder)) return *status;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Qel"));
  InstallTranslations();
  // The program ends when no window is loaded after a handler, not when a window is hidden.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(SvgIcon(QStringLiteral("qel")));
  // Locked inputs still show a customer: keep their text readable, not faded out.
  QPalette palette = QApplication::palette();
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(60, 60, 60));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(60, 60, 60));
  QApplication::setPalette(palette);

  Guard([&] {
    if (userFolder) EnterUserFolder();
    ImportOnFirstStart(kDatabaseFile, kOldDatabaseFile);
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
