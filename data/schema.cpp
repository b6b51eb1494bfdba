#include "data/schema.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include "data/connection.h"
#include "data/sqltext.h"

const QList<TableLayout>& Tables() {
  static const QList<TableLayout> tables = {
      {QStringLiteral("customer"), {"Cust_name",       "CID",
                                    "Cust_type",       "Cust_birthyear",
                                    "Cust_birthmonth", "Cust_birthday",
                                    "Cust_id",         "Cust_sex",
                                    "Cust_blood",      "Cust_birthplace",
                                    "Cust_marriage",   "Cust_email",
                                    "Cust_telhome",    "Cust_cellphone",
                                    "Cust_otherphone", "Cust_addhome",
                                    "Cust_company",    "Cust_jobtype",
                                    "Cust_jobtitle",   "Cust_jobgrade",
                                    "Cust_salary",     "Cust_teloffice",
                                    "Cust_fax",        "Cust_addoffice"}},
      {QStringLiteral("family"),
       {"ID", "CID", "fam_rel", "fam_name", "fam_sex", "fam_id", "fam_birth", "fam_age", "fam_job",
        "fam_comment"}},
      {QStringLiteral("insurance"),
       {"ID", "CID", "Insur_company", "Insur_type", "Insur_amount", "Insur_year", "Insur_num",
        "Insur_promisor", "Insur_benefit", "Insur_rate", "Insur_paymethod", "Insur_buydate",
        "Insur_anniver"}},
      {QStringLiteral("compensate"),
       {"ID", "CID", "Comp_date", "Comp_reason", "Comp_place", "Comp_item", "Comp_amount",
        "Comp_company", "Comp_state"}},
      {QStringLiteral("contact"),
       {"ID", "CID", "Cont_date", "Cont_time", "Cont_place", "Cont_type", "Cont_obj", "Cont_detail",
        "Cont_state", "Cont_comm"}},
  };
  return tables;
}

QStringList DataColumns(const QString& table) {
  for (const TableLayout& layout : Tables())
    if (layout.name == table) return layout.columns.mid(2);
  return {};
}

namespace {

// A refusal already names the file; other errors are wrapped into one.
class Refusal : public DataError {
 public:
  using DataError::DataError;
};

[[noreturn]] void Refuse(const QString& file, const QString& cause) {
  throw Refusal(QStringLiteral("The database file %1 cannot be used: %2")
                    .arg(QFileInfo(file).absoluteFilePath(), cause));
}

QString CreateStatement(const TableLayout& table) {
  QStringList columns;
  for (const QString& column : table.columns) {
    columns << (column == QLatin1String("ID") ? QStringLiteral("ID integer primary key")
                                              : column + QStringLiteral(" text"));
  }
  return QStringLiteral("create table %1 (%2)").arg(table.name, columns.join(QStringLiteral(", ")));
}

QString IndexStatement(const TableLayout& table) {
  return QStringLiteral("create index if not exists %1_CID on %1 (CID)").arg(table.name);
}

// True when some index of the table starts with its CID column.
bool HasCidIndex(Connection& connection, const QString& table) {
  QSqlQuery indexes(connection.Database());
  indexes.exec(QStringLiteral("pragma index_list(%1)").arg(SqlQuote(table)));
  QStringList names;
  while (indexes.next()) names << indexes.value(1).toString();
  for (const QString& index : names) {
    QSqlQuery info(connection.Database());
    info.exec(QStringLiteral("pragma index_info(%1)").arg(SqlQuote(index)));
    if (info.next() &&
        info.value(2).toString().compare(QLatin1String("CID"), Qt::CaseInsensitive) == 0)
      return true;
  }
  return false;
}

// How long the index build waits for another program's write lock: one short attempt.
constexpr int kIndexLockWaitMs = 100;
// How long a statement waits for a lock otherwise (the connection's own setting).
constexpr int kBusyTimeoutMs = 3000;

// Reports the index build now and then while SQLite works on it.
int ReportProgress(void* context) {
  const auto* report = static_cast<const std::function<void()>*>(context);
  (*report)();
  return 0;  // go on
}

// Why the indexes could not be added, and what the agent can do about it.
QString IndexNotice(const QString& file, const QSqlError& error) {
  const QString path = QFileInfo(file).absoluteFilePath();
  bool ok = false;
  const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
  const bool locked = ok && (code == SQLITE_BUSY || code == SQLITE_LOCKED);
  const QString head = QStringLiteral(
                           "The database file %1 has no index on the customer numbers (CID) "
                           "yet, and ")
                           .arg(path);
  const QString tail =
      QStringLiteral(" Until then, moving between customers, saving and deleting will be slow.");
  if (locked) {
    return head +
           QStringLiteral(
               "another program is using the file, so the indexes cannot be added now. Close "
               "the other program and start Qel again to add them.") +
           tail;
  }
  return head +
         QStringLiteral(
             "the file cannot be written, so the indexes cannot be added. Make the file and its "
             "folder writable and start Qel again to add them.") +
         tail;
}

// Adds the missing CID indexes in one transaction. Gives an empty text when done, else why not.
QString AddIndexes(Connection& connection, const QString& file, const QList<TableLayout>& tables,
                   const PrepareProgress& progress) {
  const QString what = QStringLiteral(
      "Preparing the database file for fast browsing: adding the indexes on the customer "
      "numbers (CID). This is done once.");
  QSqlQuery query(connection.Database());
  // One short attempt at the write lock: a file another program holds opens at once.
  query.exec(QStringLiteral("pragma busy_timeout=%1").arg(kIndexLockWaitMs));
  const bool locked = !query.exec(QStringLiteral("begin immediate"));
  const QSqlError lockError = query.lastError();
  query.exec(QStringLiteral("pragma busy_timeout=%1").arg(kBusyTimeoutMs));
  if (locked) return IndexNotice(file, lockError);

  sqlite3* handle = progress ? connection.SqliteHandle() : nullptr;
  const std::function<void()> report = [&] { progress(what); };
  if (progress) progress(what);
  // About every few milliseconds of work.
  if (handle)
    sqlite3_progress_handler(handle, 200000, ReportProgress,
                             const_cast<std::function<void()>*>(&report));
  bool done = true;
  QSqlError failure;
  for (const TableLayout& table : tables) {
    if (!query.exec(IndexStatement(table))) {
      done = false;
      failure = query.lastError();
      break;
    }
  }
  if (handle) sqlite3_progress_handler(handle, 0, nullptr, nullptr);
  if (done && query.exec(QStringLiteral("commit"))) return QString();
  if (done) failure = query.lastError();
  query.exec(QStringLiteral("rollback"));
  return IndexNotice(file, failure);
}

void CreateTables(Connection& connection) {
  connection.BeginTrans();
  try {
    for (const TableLayout& table : Tables()) {
      connection.Execute(CreateStatement(table));
      connection.Execute(IndexStatement(table));
    }
    connection.CommitTrans();
  } catch (const DataError&) {
    connection.RollbackTrans();
    throw;
  }
}

}  // namespace

QString OpenDatabase(Connection& connection, const QString& file, const PrepareProgress& progress) {
  if (!QFileInfo::exists(file)) {
    // A new file holds personal data: readable and writable by its owner only.
    const int fd = ::open(QFile::encodeName(file).constData(), O_CREAT | O_EXCL | O_WRONLY, 0600);
    if (fd < 0) Refuse(file, QString::fromLocal8Bit(strerror(errno)));
    ::close(fd);
  }
  try {
    connection.Open(file);
    QSqlQuery query(connection.Database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select name from sqlite_master where type='table'")))
      Refuse(file, query.lastError().databaseText());
    QSet<QString> present;
    while (query.next()) present << query.value(0).toString().toLower();
    query.finish();
    if (present.isEmpty()) {
      CreateTables(connection);
      return QString();
    }
    for (const TableLayout& table : Tables()) {
      if (!present.contains(table.name))
        Refuse(file, QStringLiteral("it has no table \"%1\".").arg(table.name));
      const QStringList& actual = connection.Columns(table.name);
      const bool child = table.columns.first() == QLatin1String("ID");
      for (int i = 0; i < table.columns.size(); ++i) {
        const QString& column = table.columns[i];
        if (child) {
          // List data is written by position: CID and the data columns must stand where the
          // lists expect them. The first column is only an automatic row number.
          if (i == 0) continue;
          if (i >= actual.size() || actual[i].compare(column, Qt::CaseInsensitive) != 0)
            Refuse(file, QStringLiteral("column %1 of table \"%2\" is not \"%3\".")
                             .arg(i + 1)
                             .arg(table.name, column));
        } else if (!actual.contains(column, Qt::CaseInsensitive)) {
          Refuse(file,
                 QStringLiteral("table \"%1\" has no column \"%2\".").arg(table.name, column));
        }
      }
    }
    QList<TableLayout> unindexed;
    for (const TableLayout& table : Tables())
      if (!HasCidIndex(connection, table.name)) unindexed << table;
    // A read-only or locked file still browses, without the indexes.
    return unindexed.isEmpty() ? QString() : AddIndexes(connection, file, unindexed, progress);
  } catch (const Refusal&) {
    connection.Close();
    throw;
  } catch (const DataError& error) {
    connection.Close();
    // A message about the file itself names it already.
    if (error.message().contains(QFileInfo(file).absoluteFilePath())) throw;
    Refuse(file, error.message());
  }
}
