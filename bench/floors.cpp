#include "bench/floors.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <stdexcept>
#include <string>

#include "bench/stats.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "ui/search/searchstatement.h"

namespace {

const char* const kListTables[4] = {"family", "insurance", "compensate", "contact"};

// The customer columns the save writes, in its order (the key is written only for a new row).
const QStringList kSaveColumns = {
    "Cust_type",      "Cust_birthyear", "Cust_birthmonth", "Cust_birthday",   "Cust_marriage",
    "Cust_blood",     "Cust_sex",       "Cust_name",       "Cust_id",         "Cust_birthplace",
    "Cust_email",     "Cust_telhome",   "Cust_cellphone",  "Cust_otherphone", "Cust_addhome",
    "Cust_company",   "Cust_jobtype",   "Cust_jobtitle",   "Cust_jobgrade",   "Cust_salary",
    "Cust_teloffice", "Cust_fax",       "Cust_addoffice"};

// The result window's two columns per list.
const char* const kResultColumns[4][2] = {{"fam_rel", "fam_name"},
                                          {"Insur_company", "Insur_type"},
                                          {"Comp_date", "Comp_reason"},
                                          {"Cont_date", "Cont_time"}};

int g_rawConnections = 0;

}  // namespace

namespace {

QSqlQuery Prepare(const QSqlDatabase& db, const QString& sql) {
  QSqlQuery query(db);
  query.setForwardOnly(true);
  if (!query.prepare(sql))
    throw std::runtime_error((sql + QStringLiteral(": ") + query.lastError().text()).toStdString());
  return query;
}

void Exec(QSqlQuery& query) {
  if (!query.exec())
    throw std::runtime_error(
        (query.lastQuery() + QStringLiteral(": ") + query.lastError().text()).toStdString());
}

void Exec(const QSqlDatabase& db, const QString& sql, const QVariantList& bound = {}) {
  QSqlQuery query = Prepare(db, sql);
  for (const QVariant& value : bound) query.addBindValue(value);
  Exec(query);
}

// Reads every value of every row.
int ReadAll(QSqlQuery& query) {
  int rows = 0;
  const int count = query.record().count();
  while (query.next()) {
    for (int i = 0; i < count; ++i) (void)query.value(i).toString();
    ++rows;
  }
  return rows;
}

QSqlDatabase OpenRaw(const QString& file, QString& name) {
  name = QStringLiteral("raw-floor-%1").arg(++g_rawConnections);
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
  db.setDatabaseName(file);
  if (!db.open()) throw std::runtime_error(db.lastError().text().toStdString());
  return db;
}

void CloseRaw(QSqlDatabase& db, const QString& name) {
  db.close();
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase(name);
}

QString ListSql(int list) {
  return QStringLiteral("select * from %1 where CID=?").arg(QLatin1String(kListTables[list]));
}

}  // namespace

RawFloor::RawFloor(const QString& file) {
  m_db = OpenRaw(file, m_name);
}

RawFloor::~RawFloor() {
  CloseRaw(m_db, m_name);
}

qint64 RawFloor::Show(const QString& customerSql, const QVariantList& bound) {
  QSqlQuery customer = Prepare(m_db, customerSql);
  for (const QVariant& value : bound) customer.addBindValue(value);
  Exec(customer);
  if (!customer.next()) return -1;
  const QSqlRecord record = customer.record();
  for (int i = 1; i < record.count(); ++i) (void)customer.value(i).toString();
  const qint64 rowid = customer.value(0).toLongLong();
  const QString key = customer.value(record.indexOf(QStringLiteral("CID"))).toString();
  customer.finish();
  for (int i = 0; i < 4; ++i) {
    QSqlQuery list = Prepare(m_db, ListSql(i));
    list.addBindValue(key);
    Exec(list);
    ReadAll(list);
  }
  return rowid;
}

void RawFloor::Load() {
  QString name;
  QSqlDatabase db = OpenRaw(m_db.databaseName(), name);
  std::swap(db, m_db);
  First();
  std::swap(db, m_db);
  CloseRaw(db, name);
}

qint64 RawFloor::Next(qint64 rowid) {
  return Show(QStringLiteral("select rowid, * from customer where rowid>? order by rowid limit 1"),
              {rowid});
}

qint64 RawFloor::Previous(qint64 rowid) {
  return Show(
      QStringLiteral("select rowid, * from customer where rowid<? order by rowid desc limit 1"),
      {rowid});
}

qint64 RawFloor::First() {
  return Show(QStringLiteral("select rowid, * from customer order by rowid limit 1"), {});
}

qint64 RawFloor::Last() {
  return Show(QStringLiteral("select rowid, * from customer order by rowid desc limit 1"), {});
}

QString RawFloor::Key(qint64 rowid) {
  QSqlQuery read = Prepare(m_db, QStringLiteral("select CID from customer where rowid=?"));
  read.addBindValue(rowid);
  Exec(read);
  if (!read.next()) throw std::runtime_error("no customer row");
  return read.value(0).toString();
}

RawFloor::Save RawFloor::ReadForSave(qint64 rowid) {
  Save save;
  save.rowid = rowid;
  QSqlQuery read = Prepare(m_db, QStringLiteral("select * from customer where rowid=?"));
  read.addBindValue(rowid);
  Exec(read);
  if (!read.next()) throw std::runtime_error("no customer row");
  const QSqlRecord record = read.record();
  save.key = read.value(record.indexOf(QStringLiteral("CID"))).toString();
  for (const QString& column : kSaveColumns)
    save.values << QVariant(read.value(record.indexOf(column)).toString());
  read.finish();
  save.lists.resize(4);
  for (int i = 0; i < 4; ++i) {
    QSqlQuery list = Prepare(m_db, ListSql(i));
    list.addBindValue(save.key);
    Exec(list);
    while (list.next()) {
      QVariantList row{save.key};
      for (int c = 2; c < list.record().count(); ++c) row << list.value(c);
      save.lists[i] << row;
    }
  }
  return save;
}

void RawFloor::ModifySave(const Save& save) {
  Exec(m_db, QStringLiteral("begin immediate"));
  for (const char* table : kListTables)
    Exec(m_db, QStringLiteral("delete from %1 where CID=?").arg(QLatin1String(table)), {save.key});
  QStringList sets;
  for (const QString& column : kSaveColumns) sets << column + QStringLiteral("=?");
  Exec(m_db,
       QStringLiteral("update customer set %1 where rowid=?").arg(sets.join(QLatin1Char(','))),
       save.values + QVariantList{save.rowid});
  for (int i = 0; i < 4; ++i) {
    if (save.lists[i].isEmpty()) continue;
    const QStringList columns =
        QStringList{QStringLiteral("CID")} + DataColumns(QLatin1String(kListTables[i]));
    const QStringList marks(columns.size(), QStringLiteral("?"));
    QSqlQuery insert =
        Prepare(m_db, QStringLiteral("insert into %1 (%2) values (%3)")
                          .arg(QLatin1String(kListTables[i]), columns.join(QLatin1Char(',')),
                               marks.join(QLatin1Char(','))));
    for (const QVariantList& row : save.lists[i]) {
      for (int c = 0; c < row.size(); ++c) insert.bindValue(c, row[c]);
      Exec(insert);
    }
  }
  Exec(m_db, QStringLiteral("commit"));
}

qint64 RawFloor::NewSave(const QString& key, const QString& name) {
  QStringList columns{QStringLiteral("CID")};
  QVariantList values{key};
  for (const QString& column : kSaveColumns) {
    columns << column;
    values << (column == QLatin1String("Cust_name") ? name : QString());
  }
  const QStringList marks(columns.size(), QStringLiteral("?"));
  Exec(m_db, QStringLiteral("begin immediate"));
  QSqlQuery insert =
      Prepare(m_db, QStringLiteral("insert into customer (%1) values (%2)")
                        .arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
  for (const QVariant& value : values) insert.addBindValue(value);
  Exec(insert);
  const qint64 rowid = insert.lastInsertId().toLongLong();
  Exec(m_db, QStringLiteral("commit"));
  return rowid;
}

void RawFloor::Delete(qint64 rowid) {
  const QString key = Key(rowid);
  Exec(m_db, QStringLiteral("begin immediate"));
  for (const char* table : kListTables)
    Exec(m_db, QStringLiteral("delete from %1 where CID=?").arg(QLatin1String(table)), {key});
  Exec(m_db, QStringLiteral("delete from customer where rowid=?"), {rowid});
  Exec(m_db, QStringLiteral("commit"));
  First();
}

int RawFloor::Search(const QString& statement) {
  int keys = 0;
  QString first;
  {
    QSqlQuery query = Prepare(m_db, statement);
    Exec(query);
    while (query.next()) {
      const QString key = query.value(0).toString();
      if (keys++ == 0) first = key;
    }
  }
  if (keys > 0) ShowResult(first);
  return keys;
}

void RawFloor::ShowResult(const QString& key) {
  QSqlQuery customer = Prepare(m_db, QStringLiteral("select * from customer where CID =?"));
  customer.addBindValue(key);
  Exec(customer);
  ReadAll(customer);
  for (int i = 0; i < 4; ++i) {
    QSqlQuery list =
        Prepare(m_db, QStringLiteral("select %1, %2 from %3 where CID=?")
                          .arg(QLatin1String(kResultColumns[i][0]),
                               QLatin1String(kResultColumns[i][1]), QLatin1String(kListTables[i])));
    list.addBindValue(key);
    Exec(list);
    ReadAll(list);
  }
}

const QStringList& SaveColumns() {
  return kSaveColumns;
}

void CreateIndexesRaw(const QString& file) {
  QString name;
  QSqlDatabase db = OpenRaw(file, name);
  Exec(db, QStringLiteral("begin immediate"));
  for (const char* table : {"customer", "family", "insurance", "compensate", "contact"})
    Exec(db, QStringLiteral("create index %1_CID on %1 (CID)").arg(QLatin1String(table)));
  Exec(db, QStringLiteral("commit"));
  CloseRaw(db, name);
}

void DropIndexesRaw(const QString& file) {
  QString name;
  QSqlDatabase db = OpenRaw(file, name);
  for (const char* table : {"customer", "family", "insurance", "compensate", "contact"})
    Exec(db, QStringLiteral("drop index if exists %1_CID").arg(QLatin1String(table)));
  CloseRaw(db, name);
}

// ---------------------------------------------------------------------------------------------
// The floors' run

void RunFloors(const FloorPlan& plan, std::FILE* out) {
  const BenchDatabase& db = plan.database;
  auto runs = [&](int count) { return ScaledRuns(plan.runsScale, count); };
  auto add = [&](MeasureId id, double ms) { std::fprintf(out, "%d f %.6f\n", int(id), ms); };
  auto check = [](bool condition, const char* what) {
    if (!condition) throw std::runtime_error(std::string("floor check failed: ") + what);
  };
  RawFloor raw(db.file);

  // 1. Start-up: the window's load on a fresh connection each time.
  for (int i = 0; i < runs(20); ++i) add(kStartup, TimeMs([&] { raw.Load(); }));

  // 2. Navigation.
  const int steps = qMin(runs(1000), db.customers - 1);
  qint64 at = raw.First();
  for (int i = 0; i < steps; ++i) add(kNext, TimeMs([&] { at = raw.Next(at); }));
  check(raw.Key(at) == KeyAt(steps + 1, db.customers), "\"next\" reached the right customer");
  for (int i = 0; i < runs(50); ++i) {
    add(kLast, TimeMs([&] { raw.Last(); }));
    add(kFirst, TimeMs([&] { raw.First(); }));
  }

  // 3. The display of the customer with 40 list rows, "next" from the first one.
  for (int i = 0; i < runs(200); ++i) {
    const qint64 first = raw.First();
    add(kShow40, TimeMs([&] { at = raw.Next(first); }));
    check(raw.Key(at) == db.key40, "the floor shows the customer with 40 list rows");
  }

  // 6. The searches: the statement reading every key, and the display of the first match.
  SearchCriteria open{QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA"),
                      QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA"),
                      QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA")};
  const QString allStatement = BuildSearchStatement(open).sql;
  SearchCriteria few = open;
  few.name = db.nameFragment;
  const QString fewStatement = BuildSearchStatement(few).sql;
  for (int i = 0; i < runs(10); ++i) {
    int found = 0;
    add(kSearchAll, TimeMs([&] { found = raw.Search(allStatement); }));
    check(found == plan.named, "the all-open search");
  }
  for (int i = 0; i < runs(30); ++i) {
    int found = 0;
    add(kSearchFew, TimeMs([&] { found = raw.Search(fewStatement); }));
    check(found == db.fragmentMatches, "the selective search");
  }

  // 7. Steps in the result window: one customer by key and its lists.
  const int resultSteps = qMin(runs(1000), plan.named - 1);
  for (int i = 0; i < resultSteps; ++i) {
    const QString key = KeyAt(i + 2, db.customers);
    add(kResultStep, TimeMs([&] { raw.ShowResult(key); }));
  }
  std::fflush(out);
}
