#include "transfer/backup.h"

#include <sys/stat.h>
#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <optional>
#include <utility>

#include "data/connection.h"
#include "transfer/outfile.h"

namespace {

// SQLite's primary result codes for a failed read or write and for a full disk.
constexpr int kSqliteIoError = 10;
constexpr int kSqliteFull = 13;

[[noreturn]] void Refuse(const QString& target, const QString& cause) {
  throw DataError(QCoreApplication::translate("Transfer", "The backup %1 cannot be written: %2.")
                      .arg(target, cause));
}

QString Cause(const QSqlError& error) {
  const int code = error.nativeErrorCode().toInt() & 0xff;
  if (code == kSqliteFull) return QCoreApplication::translate("Transfer", "the disk is full");
  if (code == kSqliteIoError)
    return QCoreApplication::translate("Transfer", "the disk could not be read or written (%1)")
        .arg(error.databaseText());
  return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

// The copy must be a sound database before it replaces anything.
void Check(const QString& copy, const QString& target) {
  const QString name = QStringLiteral("qel-backup-check");
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(copy);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    QString problem;
    if (!db.open()) {
      problem = Cause(db.lastError());
    } else {
      QSqlQuery query(db);
      if (!query.exec(QStringLiteral("pragma quick_check")) || !query.next())
        problem = Cause(query.lastError());
      else if (query.value(0).toString() != QLatin1String("ok"))
        problem = QCoreApplication::translate("Transfer", "the copy is damaged (%1)")
                      .arg(query.value(0).toString());
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    if (!problem.isEmpty()) Refuse(target, problem);
  }
}

// A file's identity on the machine (links followed), or nothing when there is no such file.
std::optional<std::pair<dev_t, ino_t>> Identity(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
  return std::make_pair(info.st_dev, info.st_ino);
}

// Refuses a target that is the database or one of the files SQLite keeps beside it, also under
// another path (a linked folder, a hard or symbolic link): the rename would put the copy in the
// place of a file that programs have open, and their saves would go to a file no longer there.
// A file that does not exist yet is compared by its folder and name.
void RefuseDatabaseFiles(const QString& databaseFile, const QString& target) {
  const QFileInfo database(databaseFile);
  const QString shown = database.absoluteFilePath();
  const std::pair<const char*, QString> files[] = {
      {"", QCoreApplication::translate("Transfer", "it is the database itself (%1)")},
      {"-journal", QCoreApplication::translate("Transfer", "it is the journal of the database %1")},
      {"-wal",
       QCoreApplication::translate("Transfer", "it is the write-ahead log of the database %1")},
      {"-shm", QCoreApplication::translate("Transfer",
                                           "it is the shared-memory index of the database %1")}};
  const QFileInfo info(target);
  const auto targetFile = Identity(info.absoluteFilePath());
  const auto targetFolder = Identity(info.absolutePath());
  // SQLite names its files after the database's path with links resolved; a link named qel.db
  // keeps its files beside the file it points to.
  QStringList paths{shown};
  const QString canonical = database.canonicalFilePath();
  if (!canonical.isEmpty() && canonical != shown) paths << canonical;
  for (const QString& path : paths) {
    const QFileInfo file(path);
    const auto folder = Identity(file.absolutePath());
    for (const auto& [suffix, cause] : files) {
      const QString name = file.fileName() + QLatin1String(suffix);
      const auto identity = Identity(file.absoluteFilePath() + QLatin1String(suffix));
      const bool sameFile = identity && targetFile == identity;
      const bool sameEntry = folder && targetFolder == folder && info.fileName() == name;
      if (sameFile || sameEntry) Refuse(info.absoluteFilePath(), cause.arg(shown));
    }
  }
}

}  // namespace

qint64 BackupTo(const QString& databaseFile, const QString& target) {
  RequireFileDatabase(QStringLiteral("Backup"));
  RequireDatabase(databaseFile);
  const QFileInfo info(target);
  const QString absolute = info.absoluteFilePath();
  if (info.isDir()) Refuse(absolute, QCoreApplication::translate("Transfer", "it is a folder"));
  const QFileInfo folder(info.absolutePath());
  if (folder.exists() && !folder.isDir())
    Refuse(absolute,
           QCoreApplication::translate("Transfer", "%1 is not a folder").arg(info.absolutePath()));
  if (!folder.isDir())
    Refuse(absolute, QCoreApplication::translate("Transfer", "the folder %1 does not exist")
                         .arg(info.absolutePath()));
  RefuseDatabaseFiles(databaseFile, absolute);

  Connection connection;
  connection.Open(databaseFile);
  // An empty file made beside the target: VACUUM INTO fills an empty file and keeps its mode.
  OutFile copy(info.absolutePath(), info.fileName());
  copy.Finish();
  {
    QSqlQuery query(connection.Database());
    if (!query.prepare(QStringLiteral("vacuum into ?")))
      throw DataError(connection.Explain(query.lastError()));
    query.addBindValue(copy.TempPath());
    if (!query.exec()) {
      // The database locked by another program is the database's trouble, not the copy's.
      if (const DataError error = connection.Explain(query.lastError());
          error.cause() == DataError::Cause::Busy)
        throw error;
      Refuse(absolute, Cause(query.lastError()));
    }
  }
  connection.Close();
  Check(copy.TempPath(), absolute);
  // VACUUM INTO writes without syncing: the copy reaches the disk before it takes the name.
  OutFile::Sync(copy.TempPath(), absolute);
  copy.Commit();
  SyncFolder(info.absolutePath());
  return QFileInfo(absolute).size();
}

int BackupCommand(const QString& databaseFile, const QString& target) {
  try {
    const qint64 bytes = BackupTo(databaseFile, target);
    QTextStream(stdout) << QCoreApplication::translate("Transfer", "Backed up %1 to %2 (%3 bytes).")
                               .arg(QFileInfo(databaseFile).absoluteFilePath(),
                                    QFileInfo(target).absoluteFilePath())
                               .arg(bytes)
                        << Qt::endl;
    return 0;
  } catch (const DataError& error) {
    QTextStream(stderr) << error.message() << Qt::endl;
    return 1;
  }
}
