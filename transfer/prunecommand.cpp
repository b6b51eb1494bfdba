#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>

#include "data/connection.h"
#include "data/history.h"
#include "data/schema.h"
#include "data/server.h"
#include "data/transaction.h"
#include "transfer/backup.h"
#include "transfer/export.h"

int HistoryPruneCommand(const QString& databaseFile, const QString& days) {
  QTextStream out(stdout);
  QTextStream err(stderr);
  bool ok = false;
  const int count = days.toInt(&ok);
  if (!ok || count < 0) {
    err << QCoreApplication::translate("Transfer", "Not a number of days: %1").arg(days)
        << Qt::endl;
    return 2;
  }
  try {
    // What goes is kept first: the pruning is only as safe as the backup before it.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString folder = QFileInfo(databaseFile).absolutePath();
    QString kept;
    if (ServerUri().isEmpty()) {
      kept = folder + QStringLiteral("/qel-before-prune-%1.db").arg(stamp);
      BackupTo(databaseFile, kept);
    } else {
      kept = ExportTo(databaseFile, folder + QStringLiteral("/qel-before-prune-") + stamp).folder;
    }
    out << QCoreApplication::translate("Transfer", "Backed up to %1.").arg(kept) << Qt::endl;
    Connection connection;
    OpenDatabase(connection, databaseFile);
    Transaction transaction(connection);
    const int removed = PruneHistory(connection, count);
    transaction.Commit();
    out << QCoreApplication::translate("Transfer", "Removed %1 history entries older than %2 days.")
               .arg(removed)
               .arg(count)
        << Qt::endl;
    return 0;
  } catch (const DataError& error) {
    err << error.message() << Qt::endl;
    return 1;
  }
}
