#include "transfer/import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "data/connection.h"
#include "data/history.h"
#include "data/rowstream.h"
#include "data/schema.h"
#include "data/server.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "data/transaction.h"
#include "transfer/outfile.h"
#include "transfer/source.h"

namespace {

const QString kCustomer = QStringLiteral("customer");
constexpr qint64 kProgressStep = 4096;

// Values travel as UTF-8, the way both CSV files and SQLite hold text.
using Row = QList<Utf8Value>;

// The columns an import writes: every column of the customer table; CID and the data columns of
// a list table (its row numbers are the database's own).
QStringList Targets(const TableLayout& layout) {
  return layout.name == kCustomer ? layout.columns : layout.columns.mid(1);
}

// Qt's SQL drivers take a null QString for Null: the empty text is bound as a non-null one.
QVariant Bind(const Utf8Value& value) {
  if (!value) return QVariant(QMetaType::fromType<QString>());
  if (value->isEmpty()) return QVariant(QStringLiteral(""));
  return QVariant(StripNul(QString::fromUtf8(*value)));
}

Utf8Value Read(const QSqlQuery& query, int column) {
  if (query.isNull(column)) return std::nullopt;
  return query.value(column).toString().toUtf8();
}

class Importer {
 public:
  Importer(Connection& db, ImportSource& source, const ImportOptions& options,
           ImportSummary& summary)
      : m_db(db), m_source(source), m_options(options), m_summary(summary) {}

  void Run() {
    for (const TableLayout& layout : Tables()) {
      const QStringList targets = Targets(layout);
      m_maxRowid[layout.name] = MaxRowid(layout.name);
      const QString columns = targets.join(QStringLiteral(", "));
      m_db.Execute(QStringLiteral("create temp table pending_%1 (%2)").arg(layout.name, columns));
      m_db.Execute(
          QStringLiteral("create index temp.pending_%1_CID on pending_%1 (CID)").arg(layout.name));
      if (layout.name == kCustomer) {
        m_db.Execute(QStringLiteral("create temp table duplicate_customer (%1)").arg(columns));
      } else {
        m_db.Execute(
            QStringLiteral("create temp table used_%1 (r integer primary key)").arg(layout.name));
      }
      m_summary.imported.append({layout.name, 0});
    }
    for (const TableLayout& layout : Tables()) ReadTable(layout);
    ResolvePending();
    PlaceDuplicates();
  }

 private:
  qint64 MaxRowid(const QString& table) {
    QSqlQuery& query = m_db.Prepared(QStringLiteral("select max(rowid) from %1").arg(table));
    m_db.Run(query);
    const qint64 max = query.next() ? query.value(0).toLongLong() : 0;
    query.finish();
    return max;
  }

  // Runs a prepared statement with these values bound in order.
  QSqlQuery& Exec(const QString& sql, const Row& values) {
    QSqlQuery& query = m_db.Prepared(sql);
    for (int i = 0; i < values.size(); ++i) query.bindValue(i, Bind(values[i]));
    m_db.Run(query);
    return query;
  }
  // A statement of the bulk path, prepared once per import.
  Statement& Fast(const QString& sql) {
    std::unique_ptr<Statement>& statement = m_statements[sql];
    if (!statement) statement = std::make_unique<Statement>(m_db, sql);
    return *statement;
  }
  bool Exists(const QString& sql, const Utf8Value& key) { return Fast(sql).Run({key}); }
  // The largest rowid of a customer with this key, 0 when there is none.
  qint64 CustomerRowid(const Utf8Value& key) {
    Statement& query = Fast(QStringLiteral("select max(rowid) from customer where CID = ?"));
    query.Run({key});
    return query.Integer();
  }

  // Adds a row to a table, or to the waiting table of the layout's shape.
  void Insert(const QString& table, const Row& values, const QString& layout = QString()) {
    Statement*& insert = m_inserts[table];
    if (!insert) {
      const QStringList targets = Targets(TableOf(layout.isEmpty() ? table : layout));
      insert = &Fast(
          QStringLiteral("insert into %1 (%2) values (%3)")
              .arg(table, targets.join(QStringLiteral(", ")),
                   QStringList(targets.size(), QStringLiteral("?")).join(QStringLiteral(", "))));
    }
    insert->Run(values);
  }
  void Store(const QString& table, const Row& values) {
    Insert(table, values);
    for (ImportSummary::TableCount& count : m_summary.imported)
      if (count.table == table) ++count.imported;
  }

  static const TableLayout& TableOf(const QString& table) {
    for (const TableLayout& layout : Tables())
      if (layout.name == table) return layout;
    throw DataError(QCoreApplication::translate("Transfer", "no such table: %1").arg(table));
  }

  void ReadTable(const TableLayout& layout) {
    std::unique_ptr<SourceTable> table = m_source.Open(layout.name);
    if (!table) {
      if (layout.name == kCustomer)
        throw DataError(
            QCoreApplication::translate("Transfer", "The source has no customer table."));
      m_summary.missingTables << layout.name;
      return;
    }
    // Source columns by name, case-insensitively; the rest are named in the summary.
    const QStringList targets = Targets(layout);
    QList<int> from(targets.size(), -1);
    const QStringList& columns = table->Columns();
    for (int c = 0; c < columns.size(); ++c) {
      qsizetype target = -1;
      for (qsizetype t = 0; t < targets.size() && target < 0; ++t)
        if (targets[t].compare(columns[c], Qt::CaseInsensitive) == 0) target = t;
      if (target >= 0 && from[target] < 0)
        from[target] = c;
      else if (layout.name == kCustomer ||
               columns[c].compare(QLatin1String("ID"), Qt::CaseInsensitive) != 0)
        m_summary.ignoredColumns << layout.name + QLatin1Char('.') + columns[c];
    }
    const qint64 total = table->Total();
    Report(layout.name, 0, total);
    Row source;
    Row values(targets.size());
    qint64 done = 0;
    while (table->Next(source)) {
      for (int t = 0; t < targets.size(); ++t)
        values[t] = from[t] >= 0 && from[t] < source.size() ? source[from[t]] : Utf8Value();
      if (layout.name == kCustomer)
        PlaceCustomer(values);
      else
        PlaceListRow(layout.name, values);
      if (++done % kProgressStep == 0) Report(layout.name, done, total);
    }
    // The count of a CSV file is an estimate (blank lines count): the end is the end.
    Report(layout.name, done, done);
    m_lastKey.reset();
  }

  void Report(const QString& table, qint64 done, qint64 total) {
    if (m_options.progress) m_options.progress(table, done, std::max(total, done));
  }

  int CustomerKeyColumn() const { return Tables().first().columns.indexOf(QStringLiteral("CID")); }

  void PlaceCustomer(const Row& values) {
    const Utf8Value& key = values[CustomerKeyColumn()];
    if (!key) {
      Store(kCustomer, values);
      return;
    }
    const qint64 rowid = CustomerRowid(key);
    if (rowid == 0) {
      Store(kCustomer, values);
    } else if (rowid > m_maxRowid[kCustomer] ||
               Exists(QStringLiteral("select 1 from pending_customer where CID = ?"), key)) {
      // The source has this key twice: the later customer gets a new key at the end.
      Insert(QStringLiteral("duplicate_customer"), values, kCustomer);
    } else {
      // The database held this key before: decided once its list rows are known.
      Insert(QStringLiteral("pending_customer"), values, kCustomer);
    }
  }

  enum class Owner { Pending, Imported, Other };

  void PlaceListRow(const QString& table, const Row& values) {
    const Utf8Value& key = values[0];
    if (!m_lastKey || *m_lastKey != key) {
      m_lastKey = key;
      if (!key)
        m_lastOwner = Owner::Other;
      else if (Exists(QStringLiteral("select 1 from pending_customer where CID = ?"), key))
        m_lastOwner = Owner::Pending;
      else
        m_lastOwner = CustomerRowid(key) > m_maxRowid[kCustomer] ? Owner::Imported : Owner::Other;
    }
    if (m_lastOwner == Owner::Pending) {
      Insert(QStringLiteral("pending_") + table, values, table);
      return;
    }
    if (m_lastOwner == Owner::Imported) {
      Store(table, values);
      return;
    }
    // No customer of the source owns this row: it is stored unless the database held the very
    // same row before (an import run again), each held row answering for one source row.
    const QStringList targets = Targets(TableOf(table));
    QStringList same;
    for (const QString& column : targets) same << column + QStringLiteral(" is ?");
    Statement& match = Fast(QStringLiteral("select rowid from %1 where %2 and rowid <= %3 and "
                                           "rowid not in (select r from used_%1) limit 1")
                                .arg(table, same.join(QStringLiteral(" and ")))
                                .arg(m_maxRowid[table]));
    const qint64 held = match.Run(values) ? match.Integer() : 0;
    if (held > 0) {
      Fast(QStringLiteral("insert into used_%1 values (?)").arg(table))
          .Run({QByteArray::number(held)});
      ++m_summary.listRowsPresent;
      return;
    }
    Store(table, values);
    if (!key || CustomerRowid(key) == 0) ++m_summary.orphans;
  }

  std::vector<Row> Rows(const QString& sql, const Utf8Value& key, int width) {
    std::vector<Row> rows;
    QSqlQuery& query = Exec(sql, {key});
    while (query.next()) {
      Row row;
      for (int c = 0; c < width; ++c) row.append(Read(query, c));
      rows.push_back(row);
    }
    Finished(query);
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  using Lists = QList<QPair<QString, std::vector<Row>>>;

  // A customer whose key the database held before: skipped when the database holds exactly
  // this customer with these list rows, else stored with its list rows under a new key.
  void ResolvePending() {
    const QStringList customerColumns = Targets(Tables().first());
    const std::vector<Row> pending =
        AllRows(QStringLiteral("select %1 from pending_customer order by rowid")
                    .arg(customerColumns.join(QStringLiteral(", "))),
                customerColumns.size());
    for (const Row& customer : pending) {
      const Utf8Value key = customer[CustomerKeyColumn()];
      Lists lists;
      for (const TableLayout& layout : Tables().mid(1)) {
        const QStringList targets = Targets(layout);
        lists.append({layout.name, Rows(QStringLiteral("select %1 from pending_%2 where CID = ?")
                                            .arg(targets.join(QStringLiteral(", ")), layout.name),
                                        key, targets.size())});
      }
      Settle(customer, lists);
    }
  }

  // A second customer with a key the source already gave: stored under a new key; the list rows
  // of the key stay with the first, as the old program showed them.
  void PlaceDuplicates() {
    const QStringList customerColumns = Targets(Tables().first());
    const std::vector<Row> duplicates =
        AllRows(QStringLiteral("select %1 from duplicate_customer order by rowid")
                    .arg(customerColumns.join(QStringLiteral(", "))),
                customerColumns.size());
    Lists none;
    for (const TableLayout& layout : Tables().mid(1)) none.append({layout.name, {}});
    for (const Row& customer : duplicates) Settle(customer, none);
  }

  void Settle(const Row& customer, Lists lists) {
    const QByteArray key = *customer[CustomerKeyColumn()];
    if (Held(key, customer, lists)) {
      ++m_summary.alreadyPresent;
      return;
    }
    const QByteArray newKey = FreeKey(key);
    Row renamed = customer;
    renamed[CustomerKeyColumn()] = newKey;
    Store(kCustomer, renamed);
    for (auto& [table, rows] : lists) {
      for (Row& row : rows) {
        row[0] = newKey;
        Store(table, row);
      }
    }
    m_summary.renamed.append({QString::fromUtf8(key), QString::fromUtf8(newKey)});
  }

  // Whether the database held this customer and exactly these list rows before the import,
  // under its key or under a new key an earlier import gave it ("key (2)", ...). Each held
  // customer answers for one source customer only.
  bool Held(const QByteArray& key, const Row& customer, Lists lists) {
    const QStringList customerColumns = Targets(Tables().first());
    const int cid = CustomerKeyColumn();
    QSqlQuery& query = Exec(QStringLiteral("select rowid, %1 from customer where rowid <= %2 and "
                                           "(CID = ? or (CID >= ? and CID < ?))")
                                .arg(customerColumns.join(QStringLiteral(", ")))
                                .arg(m_maxRowid[kCustomer]),
                            {key, key + " (", key + " )"});
    QList<QPair<qint64, Row>> candidates;
    while (query.next()) {
      Row row;
      for (int c = 0; c < customerColumns.size(); ++c) row.append(Read(query, c + 1));
      candidates.append({query.value(0).toLongLong(), row});
    }
    Finished(query);
    const QRegularExpression renamed(QStringLiteral("^%1 \\((\\d+)\\)$")
                                         .arg(QRegularExpression::escape(QString::fromUtf8(key))));
    for (auto& [rowid, held] : candidates) {
      if (m_matched.contains(rowid)) continue;
      const QByteArray heldKey = held[cid].value_or(QByteArray());
      if (heldKey != key && !renamed.match(QString::fromUtf8(heldKey)).hasMatch()) continue;
      Row probe = customer;
      probe[cid] = heldKey;
      if (probe != held) continue;
      bool same = true;
      for (auto& [table, rows] : lists) {
        const QStringList targets = Targets(TableOf(table));
        for (Row& row : rows) row[0] = heldKey;
        std::sort(rows.begin(), rows.end());
        same = same && rows == Rows(QStringLiteral("select %1 from %2 where CID = ? and "
                                                   "rowid <= %3")
                                        .arg(targets.join(QStringLiteral(", ")), table)
                                        .arg(m_maxRowid[table]),
                                    heldKey, targets.size());
        if (!same) break;
      }
      if (same) {
        m_matched.insert(rowid);
        return true;
      }
    }
    return false;
  }

  std::vector<Row> AllRows(const QString& sql, int width) {
    std::vector<Row> rows;
    QSqlQuery query(m_db.Database());
    query.setForwardOnly(true);
    if (!query.exec(sql)) throw DataError(m_db.Explain(query.lastError()));
    while (query.next()) {
      Row row;
      for (int c = 0; c < width; ++c) row.append(Read(query, c));
      rows.push_back(row);
    }
    Finished(query);
    return rows;
  }

  // Ends a read of the database: a step that failed midway must not pass for the last row, or
  // the comparison with what the file holds would be made with part of it.
  void Finished(QSqlQuery& query) {
    const QSqlError error = query.lastError();
    query.finish();
    if (error.isValid()) throw m_db.Explain(error);
  }

  // The key plus " (2)", " (3)", ...: the first that no customer, list row or waiting customer
  // uses.
  QByteArray FreeKey(const QByteArray& key) {
    for (int n = 2;; ++n) {
      const QByteArray candidate = key + " (" + QByteArray::number(n) + ")";
      bool used = Exists(QStringLiteral("select 1 from pending_customer where CID = ?"), candidate);
      for (const TableLayout& layout : Tables()) {
        if (used) break;
        used = Exists(QStringLiteral("select 1 from %1 where CID = ?").arg(layout.name), candidate);
      }
      if (!used) return candidate;
    }
  }

  Connection& m_db;
  ImportSource& m_source;
  const ImportOptions& m_options;
  ImportSummary& m_summary;
  QHash<QString, qint64> m_maxRowid;
  std::optional<Utf8Value> m_lastKey;
  QSet<qint64> m_matched;
  std::map<QString, std::unique_ptr<Statement>> m_statements;
  QHash<QString, Statement*> m_inserts;
  Owner m_lastOwner = Owner::Other;
};

// A name beside the database file for building a new one, so that no half-made database file
// is ever seen under its real name.
QString BuildingName(const QString& databaseFile) {
  return databaseFile + QStringLiteral(".import-%1")
                            .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

[[noreturn]] void FailFile(const QString& what, const QString& file) {
  throw DataError(
      QStringLiteral("%1 %2: %3").arg(what, file, QString::fromLocal8Bit(strerror(errno))));
}

// Puts the finished new database file under the database file's name. A file of that name made
// meanwhile (a second program started in the same folder, an import run twice at once) is never
// replaced: nothing is published then, so of two programs doing this at once one only succeeds.
//  1. link(): atomic, and fails when the name exists. FAT, exFAT and many SMB shares have no
//     hard links (EPERM, EOPNOTSUPP, ENOSYS).
//  2. renameat2() with RENAME_NOREPLACE: as atomic; Linux has it for those file systems, but
//     not everywhere (EINVAL, ENOSYS, EOPNOTSUPP: FUSE, older kernels, some shares).
//  3. The name is claimed by creating it with O_CREAT | O_EXCL, which only one program can do,
//     and at once the finished file is renamed over the claim. For that instant the name holds
//     an empty file; a program that opens it then keeps the claim open, and SQLite refuses its
//     writes once the file has been replaced, so nothing it stores is lost without a word.
// The folder is flushed afterwards, so that the new name survives a power cut.
void Publish(const QString& building, const QString& databaseFile) {
  const QByteArray from = QFile::encodeName(building);
  const QByteArray to = QFile::encodeName(databaseFile);
  int done = ::link(from.constData(), to.constData());
  if (done == 0) {
    ::unlink(from.constData());
  } else if (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS) {
    done = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (done != 0 && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
      const int claim = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (claim < 0)
        FailFile(QCoreApplication::translate("Transfer", "Cannot create"), databaseFile);
      done = ::rename(from.constData(), to.constData());
      const int error = errno;
      // A claim not replaced goes again, unless someone has written into it meanwhile.
      struct stat mine = {}, named = {};
      if (done != 0 && ::fstat(claim, &mine) == 0 && ::stat(to.constData(), &named) == 0 &&
          mine.st_ino == named.st_ino && mine.st_dev == named.st_dev && named.st_size == 0)
        ::unlink(to.constData());
      ::close(claim);
      errno = error;
    }
  }
  if (done != 0) FailFile(QCoreApplication::translate("Transfer", "Cannot create"), databaseFile);
  SyncFolder(QFileInfo(databaseFile).absolutePath());
}

// The server's rows of a table, in the order they were added, into the same table of the scratch
// file; gives the scratch file's last row number then: what lies beyond it is the import's.
qint64 CopyFromServer(Connection& server, Connection& scratch, const TableLayout& layout) {
  const QStringList targets = Targets(layout);
  const QString columns = targets.join(QStringLiteral(", "));
  RowStream rows(server, QStringLiteral("select %1 from %2 order by %3")
                             .arg(columns, layout.name, server.RowKey(layout.name)));
  Statement insert(
      scratch,
      QStringLiteral("insert into %1 (%2) values (%3)")
          .arg(layout.name, columns,
               QStringList(targets.size(), QStringLiteral("?")).join(QStringLiteral(", "))));
  Row values(targets.size());
  while (rows.Next()) {
    for (int c = 0; c < targets.size(); ++c) {
      const RowStream::Cell cell = rows.Value(c);
      values[c] = cell.null ? Utf8Value() : Utf8Value(QByteArray(cell.data, cell.size));
    }
    insert.Run(values);
  }
  Statement last(scratch, QStringLiteral("select max(rowid) from %1").arg(layout.name));
  last.Run({});
  return last.Integer();
}

// The import onto the shared database: the whole of it is one transaction on the server, under
// the writers' lock, so no agent's save comes in between and a failure leaves the server as it
// was. The rules run on a scratch file holding the server's rows; what they add goes to the
// server with COPY, in the order it was added.
ImportSummary ImportIntoServer(ImportSource& input, const ImportOptions& options,
                               const QString& source) {
  Connection server;
  OpenDatabase(server, QString());
  // The scratch file holds personal data: in a folder of the user's own, removed at the end.
  QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("qel-import-XXXXXX")));
  if (!folder.isValid())
    throw DataError(QCoreApplication::translate("Transfer", "Cannot create a scratch folder: %1")
                        .arg(folder.errorString()));
  Connection scratch;
  OpenDatabaseFile(scratch, folder.filePath(QStringLiteral("import.db")));
  scratch.Execute(QStringLiteral("pragma journal_mode = off"));
  scratch.Execute(QStringLiteral("pragma synchronous = off"));
  ImportSummary summary;
  Transaction transaction(server);
  QHash<QString, qint64> held;
  {
    Transaction staging(scratch);
    for (const TableLayout& layout : Tables())
      held[layout.name] = CopyFromServer(server, scratch, layout);
    Importer(scratch, input, options, summary).Run();
    staging.Commit();
  }
  for (const TableLayout& layout : Tables()) {
    const QStringList targets = Targets(layout);
    RowStream rows(scratch, QStringLiteral("select %1 from %2 where rowid > %3 order by rowid")
                                .arg(targets.join(QStringLiteral(", ")), layout.name)
                                .arg(held[layout.name]));
    CopyToServer(rows, server, layout.name, targets);
  }
  RecordImport(server, source, summary.Imported(QStringLiteral("customer")));
  transaction.Commit();
  return summary;
}

}  // namespace

ImportSummary ImportInto(const QString& databaseFile, const QString& source,
                         const ImportOptions& options) {
  // The source is opened first: a wrong path changes nothing.
  std::unique_ptr<ImportSource> input =
      OpenImportSource(source, options.codepage, options.csvCodepage);
  if (!ServerUri().isEmpty()) return ImportIntoServer(*input, options, source);
  if (QFileInfo(source).canonicalFilePath() == QFileInfo(databaseFile).canonicalFilePath())
    throw DataError(
        QCoreApplication::translate("Transfer", "%1 is the database itself.").arg(source));
  const QFileInfo info(databaseFile);
  const bool fresh = !info.exists();
  const bool empty = !fresh && info.size() == 0;
  const QString target = fresh ? BuildingName(databaseFile) : databaseFile;
  ImportSummary summary;
  Connection db;
  try {
    OpenDatabase(db, target);
    // A new file is thrown away on any failure: it needs no journal of its own.
    if (fresh) {
      db.Execute(QStringLiteral("pragma journal_mode = off"));
      db.Execute(QStringLiteral("pragma synchronous = off"));
    }
    {
      Transaction transaction(db);
      Importer(db, *input, options, summary).Run();
      RecordImport(db, source, summary.Imported(QStringLiteral("customer")));
      transaction.Commit();
    }
    db.Close();
    if (fresh) {
      const QByteArray building = QFile::encodeName(target);
      const int fd = ::open(building.constData(), O_RDONLY);
      if (fd < 0 || ::fsync(fd) != 0)
        FailFile(QCoreApplication::translate("Transfer", "Cannot write"), target);
      ::close(fd);
      Publish(target, databaseFile);
    }
  } catch (const DataError&) {
    db.Close();
    if (fresh) QFile::remove(target);
    // An empty file was given its tables on opening; it goes back to empty.
    if (empty) QFile::resize(databaseFile, 0);
    throw;
  }
  return summary;
}
