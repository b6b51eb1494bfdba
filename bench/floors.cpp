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

const QStringList& CustomerColumns() {
  return Tables()[0].columns;
}

// The data columns of a list (position 2 on).
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

// The result window's 23 labels, in its order.
const QStringList kResultFields = {
    "Cust_name",      "Cust_type",    "Cust_birthyear", "Cust_birthmonth", "Cust_birthday",
    "Cust_id",        "cust_sex",     "Cust_blood",     "Cust_birthplace", "Cust_marriage",
    "Cust_email",     "Cust_telhome", "Cust_cellphone", "Cust_otherphone", "Cust_addhome",
    "Cust_company",   "Cust_jobtype", "Cust_jobtitle",  "Cust_jobgrade",   "Cust_salary",
    "Cust_teloffice", "Cust_fax",     "Cust_addoffice"};

int g_rawConnections = 0;

}  // namespace

// ---------------------------------------------------------------------------------------------
// DataFloor

void DataFloor::Load(const QString& file) {
  // New objects replace the old ones, record sets first (they belong to the connection).
  m_customer = std::make_unique<Recordset>();
  for (auto& list : m_lists) list = std::make_unique<Recordset>();
  m_connection = std::make_unique<Connection>();
  OpenDatabase(*m_connection, file);
  m_customer->Open(QStringLiteral("customer"), *m_connection);
  for (int i = 0; i < 4; ++i) m_lists[i]->Open(QLatin1String(kListTables[i]), *m_connection);
  Display();
}

void DataFloor::Unload() {
  m_customer.reset();
  for (auto& list : m_lists) list.reset();
  m_connection.reset();
}

QString DataFloor::CurrentKey() {
  return m_customer->Field(QStringLiteral("CID")).value_or(QString());
}

void DataFloor::Display() {
  const QStringList& columns = CustomerColumns();
  m_shown.resize(columns.size());
  for (int i = 0; i < columns.size(); ++i) {
    try {
      m_shown[i] = m_customer->Field(columns[i]);
    } catch (const DataError&) {
      m_shown[i].reset();
    }
  }
  const QString key = m_shown[1].value_or(QString());
  m_listRows.resize(4);
  for (int i = 0; i < 4; ++i) {
    Recordset& set = *m_lists[i];
    const QString table = QLatin1String(kListTables[i]);
    const QStringList names = DataColumns(table);
    set.Close();
    set.Open(QStringLiteral("select * from %1 where CID=").arg(table) + SqlQuote(key),
             *m_connection);
    m_listRows[i].clear();
    while (!set.Eof()) {
      QVector<Value> row;
      QStringList cells;
      for (const QString& name : names) {
        row << set.Field(name);
        cells << row.last().value_or(QString());
      }
      m_listRows[i] << row;
      set.MoveNext();
    }
  }
}

void DataFloor::Navigate(const QString& key) {
  Recordset& set = *m_customer;
  if (set.RecordCount() > 0) {
    if (key == QLatin1String("first")) {
      set.MoveFirst();
    } else if (key == QLatin1String("previous")) {
      set.MovePrevious();
    } else if (key == QLatin1String("next")) {
      set.MoveNext();
    } else {
      set.MoveLast();
    }
  }
  const bool bof = set.Bof(), eof = set.Eof();
  if (bof && !eof) set.MoveFirst();
  if (eof && !bof) set.MoveLast();
  Display();
}

void DataFloor::MoveTo(qint64 rowid) {
  if (!m_customer->MoveToBookmark(rowid)) throw DataError(QStringLiteral("no such customer"));
}

int DataFloor::CustomersWithKey(const QString& key) {
  Recordset matches;
  matches.Open(QStringLiteral("select CID from customer where CID=") + SqlQuote(key), *m_connection,
               Recordset::Cursor::Static);
  return matches.RecordCount();
}

void DataFloor::ModifySave() {
  Connection& connection = *m_connection;
  Recordset& customer = *m_customer;
  const QStringList& columns = CustomerColumns();
  connection.BeginTrans();
  const Value key = customer.Field(QStringLiteral("CID"));
  for (const char* table : {"family", "compensate", "contact", "insurance"}) {
    connection.Execute(QStringLiteral("delete from %1 where CID=").arg(QLatin1String(table)) +
                       SqlQuote(key.value_or(QString())));
  }
  for (const QString& column : kSaveColumns) {
    const int index = int(columns.indexOf(column));
    customer.SetField(column, m_shown[index].value_or(QString()));
  }
  QList<Recordset*> written;
  for (int i = 0; i < 4; ++i) {
    if (m_listRows[i].isEmpty()) continue;
    Recordset& set = *m_lists[i];
    for (const QVector<Value>& row : m_listRows[i]) {
      set.AddNew();
      set.SetField(QStringLiteral("CID"), key);
      for (int c = 0; c < row.size(); ++c) {
        const QString text = row[c].value_or(QString());
        set.SetField(c + 2, text.isEmpty() ? Value() : Value(text));
      }
    }
    set.Update();
    written << &set;
  }
  customer.Update();
  const qint64 saved = customer.Bookmark();
  connection.CommitTrans();
  for (Recordset* set : written) set->Requery();
  customer.Requery();
  customer.MoveToBookmark(saved);
}

void DataFloor::NewSave(const QString& key, const QString& name) {
  Connection& connection = *m_connection;
  Recordset& customer = *m_customer;
  connection.BeginTrans();
  if (CustomersWithKey(key) > 0) throw DataError(QStringLiteral("duplicate key"));
  customer.AddNew();
  customer.SetField(QStringLiteral("CID"), key);
  for (const QString& column : kSaveColumns)
    customer.SetField(column, column == QLatin1String("Cust_name") ? name : QString());
  customer.Update();
  const qint64 saved = customer.Bookmark();
  connection.CommitTrans();
  customer.Requery();
  customer.MoveToBookmark(saved);
}

void DataFloor::Delete() {
  Connection& connection = *m_connection;
  Recordset& customer = *m_customer;
  if (customer.RecordCount() == 0 || customer.Bof() || customer.Eof()) return;
  connection.BeginTrans();
  const Value key = customer.Field(QStringLiteral("CID"));
  if (key && CustomersWithKey(*key) == 1) {
    for (const char* table : kListTables) {
      connection.Execute(QStringLiteral("delete from %1 where CID=").arg(QLatin1String(table)) +
                         SqlQuote(*key));
    }
  }
  customer.Delete();
  connection.CommitTrans();
  customer.Requery();
  if (customer.RecordCount() > 0) {
    customer.MoveFirst();
    customer.Requery();
  }
  Display();
  (void)customer.Bof();
  (void)customer.Eof();
}

// ---------------------------------------------------------------------------------------------
// SearchFloor

int SearchFloor::Search(const QString& file, const QString& statement) {
  if (!m_search) m_search = std::make_unique<Connection>();
  if (!m_match) m_match = std::make_unique<Recordset>();
  m_search->Close();
  OpenDatabase(*m_search, file);
  m_match->Open(statement, *m_search, Recordset::Cursor::Static);
  m_keys = {QString()};
  while (!m_match->Eof()) {
    m_keys << m_match->Field(QStringLiteral("CID")).value_or(QString());
    m_match->MoveNext();
  }
  if (m_keys.size() < 2) return 0;

  // The result window's load.
  m_customer = std::make_unique<Recordset>();
  for (auto& list : m_lists) list = std::make_unique<Recordset>();
  m_connection = std::make_unique<Connection>();
  OpenDatabase(*m_connection, file);
  m_customer->Open(QStringLiteral("customer"), *m_connection);
  for (int i = 0; i < 4; ++i) m_lists[i]->Open(QLatin1String(kListTables[i]), *m_connection);
  ShowResult(m_keys[1]);
  return int(m_keys.size() - 1);
}

void SearchFloor::ShowResult(const QString& key) {
  m_customer->Close();
  m_customer->Open(QStringLiteral("select * from customer where CID =") + SqlQuote(key),
                   *m_connection);
  const bool found = !m_customer->Eof();
  QStringList labels;
  for (const QString& column : kResultFields)
    labels << (found ? m_customer->Field(column).value_or(QString()) : QString());
  for (int i = 0; i < 4; ++i) {
    Recordset& set = *m_lists[i];
    set.Close();
    set.Open(QStringLiteral("select * from %1 where CID=").arg(QLatin1String(kListTables[i])) +
                 SqlQuote(key),
             *m_connection);
    while (!set.Eof()) {
      const QStringList cells{set.Field(QLatin1String(kResultColumns[i][0])).value_or(QString()),
                              set.Field(QLatin1String(kResultColumns[i][1])).value_or(QString())};
      set.MoveNext();
    }
  }
}

// ---------------------------------------------------------------------------------------------
// RawFloor

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

void Exec(const QSqlDatabase& db, const QString& sql) {
  QSqlQuery query = Prepare(db, sql);
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

}  // namespace

RawFloor::RawFloor(const QString& file) {
  m_db = OpenRaw(file, m_name);
}

RawFloor::~RawFloor() {
  CloseRaw(m_db, m_name);
}

QVector<qint64> RawFloor::CustomerRowids() {
  QSqlQuery query = Prepare(m_db, QStringLiteral("select rowid from customer order by rowid"));
  Exec(query);
  QVector<qint64> rowids;
  while (query.next()) rowids << query.value(0).toLongLong();
  return rowids;
}

void RawFloor::Display(qint64 rowid) {
  QSqlQuery customer = Prepare(m_db, QStringLiteral("select * from customer where rowid=?"));
  customer.addBindValue(rowid);
  Exec(customer);
  QString key;
  if (customer.next()) {
    const QSqlRecord record = customer.record();
    for (int i = 0; i < record.count(); ++i) (void)customer.value(i).toString();
    key = customer.value(record.indexOf(QStringLiteral("CID"))).toString();
  }
  for (const char* table : kListTables) {
    QSqlQuery list =
        Prepare(m_db, QStringLiteral("select * from %1 where CID=?").arg(QLatin1String(table)));
    list.addBindValue(key);
    Exec(list);
    ReadAll(list);
  }
}

void RawFloor::Load() {
  QString name;
  QSqlDatabase db = OpenRaw(m_db.databaseName(), name);
  std::swap(db, m_db);
  const QVector<qint64> rowids = CustomerRowids();
  if (!rowids.isEmpty()) Display(rowids.first());
  std::swap(db, m_db);
  CloseRaw(db, name);
}

int RawFloor::Search(const QString& statement) {
  QString name;
  QSqlDatabase db = OpenRaw(m_db.databaseName(), name);
  QStringList keys;
  {
    QSqlQuery query = Prepare(db, statement);
    Exec(query);
    while (query.next()) keys << query.value(0).toString();
  }
  CloseRaw(db, name);
  if (!keys.isEmpty()) ShowResult(keys.first());
  return int(keys.size());
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

void RawFloor::ModifySave(qint64 rowid) {
  // What the window holds: the customer row and its lists, read before the save.
  QSqlQuery read = Prepare(m_db, QStringLiteral("select * from customer where rowid=?"));
  read.addBindValue(rowid);
  Exec(read);
  if (!read.next()) throw std::runtime_error("no customer row");
  const QSqlRecord record = read.record();
  const QString key = read.value(record.indexOf(QStringLiteral("CID"))).toString();
  QVariantList values;
  for (const QString& column : kSaveColumns)
    values << QVariant(read.value(record.indexOf(column)).toString());
  read.finish();
  QVector<QVector<QVariantList>> lists(4);
  for (int i = 0; i < 4; ++i) {
    QSqlQuery list = Prepare(
        m_db, QStringLiteral("select * from %1 where CID=?").arg(QLatin1String(kListTables[i])));
    list.addBindValue(key);
    Exec(list);
    while (list.next()) {
      QVariantList row{key};
      for (int c = 2; c < list.record().count(); ++c) row << list.value(c);
      lists[i] << row;
    }
  }

  Exec(m_db, QStringLiteral("begin immediate"));
  for (const char* table : {"family", "compensate", "contact", "insurance"}) {
    QSqlQuery remove =
        Prepare(m_db, QStringLiteral("delete from %1 where CID=?").arg(QLatin1String(table)));
    remove.addBindValue(key);
    Exec(remove);
  }
  QStringList sets;
  for (const QString& column : kSaveColumns) sets << column + QStringLiteral("=?");
  QSqlQuery update = Prepare(
      m_db,
      QStringLiteral("update customer set %1 where rowid=?").arg(sets.join(QLatin1Char(','))));
  for (const QVariant& value : values) update.addBindValue(value);
  update.addBindValue(rowid);
  Exec(update);
  for (int i = 0; i < 4; ++i) {
    if (lists[i].isEmpty()) continue;
    const QStringList columns =
        QStringList{QStringLiteral("CID")} + DataColumns(QLatin1String(kListTables[i]));
    const QStringList marks(columns.size(), QStringLiteral("?"));
    QSqlQuery insert =
        Prepare(m_db, QStringLiteral("insert into %1 (%2) values (%3)")
                          .arg(QLatin1String(kListTables[i]), columns.join(QLatin1Char(',')),
                               marks.join(QLatin1Char(','))));
    for (const QVariantList& row : lists[i]) {
      for (int c = 0; c < row.size(); ++c) insert.bindValue(c, row[c]);
      Exec(insert);
    }
  }
  Exec(m_db, QStringLiteral("commit"));
}

qint64 RawFloor::NewSave(const QString& key, const QString& name) {
  Exec(m_db, QStringLiteral("begin immediate"));
  QSqlQuery count = Prepare(m_db, QStringLiteral("select CID from customer where CID=?"));
  count.addBindValue(key);
  Exec(count);
  if (ReadAll(count) > 0) throw std::runtime_error("duplicate key");
  QStringList columns{QStringLiteral("CID")};
  QVariantList values{key};
  for (const QString& column : kSaveColumns) {
    columns << column;
    values << (column == QLatin1String("Cust_name") ? name : QString());
  }
  const QStringList marks(columns.size(), QStringLiteral("?"));
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
  Exec(m_db, QStringLiteral("begin immediate"));
  QSqlQuery read = Prepare(m_db, QStringLiteral("select CID from customer where rowid=?"));
  read.addBindValue(rowid);
  Exec(read);
  if (!read.next()) throw std::runtime_error("no customer row");
  const QString key = read.value(0).toString();
  read.finish();
  QSqlQuery count = Prepare(m_db, QStringLiteral("select CID from customer where CID=?"));
  count.addBindValue(key);
  Exec(count);
  if (ReadAll(count) == 1) {
    for (const char* table : kListTables) {
      QSqlQuery remove =
          Prepare(m_db, QStringLiteral("delete from %1 where CID=?").arg(QLatin1String(table)));
      remove.addBindValue(key);
      Exec(remove);
    }
  }
  QSqlQuery remove = Prepare(m_db, QStringLiteral("delete from customer where rowid=?"));
  remove.addBindValue(rowid);
  Exec(remove);
  Exec(m_db, QStringLiteral("commit"));
  CustomerRowids();
  const QVector<qint64> rowids = CustomerRowids();
  if (!rowids.isEmpty()) Display(rowids.first());
}

// ---------------------------------------------------------------------------------------------
// The floors' run

void RunFloors(const FloorPlan& plan, std::FILE* out) {
  const BenchDatabase& db = plan.database;
  const QString& file = db.file;
  auto runs = [&](int count) { return ScaledRuns(plan.runsScale, count); };
  auto add = [&](MeasureId id, char kind, double ms) {
    std::fprintf(out, "%d %c %.6f\n", int(id), kind, ms);
  };
  auto check = [](bool condition, const char* what) {
    if (!condition) throw std::runtime_error(std::string("floor check failed: ") + what);
  };
  RawFloor raw(file);

  // 1. Start-up: the window's load on a fresh connection each time.
  for (int i = 0; i < runs(20); ++i) {
    DataFloor startup;
    add(kStartup, 'f', TimeMs([&] { startup.Load(file); }));
    add(kStartup, 'r', TimeMs([&] { raw.Load(); }));
  }

  DataFloor floor;
  floor.Load(file);
  const QVector<qint64> rowids = raw.CustomerRowids();
  check(rowids.size() == db.customers, "the keyset holds every customer");

  // 2. Navigation.
  const int steps = qMin(runs(1000), db.customers - 1);
  floor.Navigate(QStringLiteral("first"));
  for (int i = 0; i < steps; ++i) add(kNext, 'f', TimeMs([&] { floor.Navigate("next"); }));
  for (int i = 0; i < steps; ++i) add(kNext, 'r', TimeMs([&] { raw.Display(rowids[i + 1]); }));
  for (int i = 0; i < runs(50); ++i) {
    add(kLast, 'f', TimeMs([&] { floor.Navigate("last"); }));
    add(kFirst, 'f', TimeMs([&] { floor.Navigate("first"); }));
    add(kLast, 'r', TimeMs([&] { raw.Display(rowids.last()); }));
    add(kFirst, 'r', TimeMs([&] { raw.Display(rowids.first()); }));
  }

  // 3. The display of the customer with 40 list rows, "next" from the first one.
  for (int i = 0; i < runs(200); ++i) {
    floor.Navigate(QStringLiteral("first"));
    add(kShow40, 'f', TimeMs([&] { floor.Navigate("next"); }));
    check(floor.CurrentKey() == db.key40, "the floor shows the customer with 40 list rows");
    add(kShow40, 'r', TimeMs([&] { raw.Display(rowids[db.position40 - 1]); }));
  }

  // 4. modify + save of the customer with 20 list rows.
  floor.Navigate(QStringLiteral("first"));
  for (int i = 1; i < db.position20; ++i) floor.Navigate(QStringLiteral("next"));
  check(floor.CurrentKey() == db.key20, "the floor is on the customer with 20 list rows");
  for (int i = 0; i < runs(100); ++i) {
    add(kSave20, 'f', TimeMs([&] { floor.ModifySave(); }));
    add(kSave20, 'r', TimeMs([&] { raw.ModifySave(rowids[db.position20 - 1]); }));
  }

  // 5. new + save, then delete of the customers made (each the last row of the table).
  const int made = runs(100);
  QVector<qint64> floorMade, rawMade;
  for (int i = 0; i < made; ++i) {
    const QString floorKey = QStringLiteral("F%1").arg(i, 6, 10, QChar(u'0'));
    add(kNewSave, 'f', TimeMs([&] { floor.NewSave(floorKey, QStringLiteral("Floor Customer")); }));
    floorMade << floor.Bookmark();
    const QString rawKey = QStringLiteral("R%1").arg(i, 6, 10, QChar(u'0'));
    add(kNewSave, 'r',
        TimeMs([&] { rawMade << raw.NewSave(rawKey, QStringLiteral("Raw Customer")); }));
  }
  while (!rawMade.isEmpty()) {
    const qint64 rowid = rawMade.takeLast();
    add(kRemove, 'r', TimeMs([&] { raw.Delete(rowid); }));
    floor.MoveTo(floorMade.takeLast());
    check(floor.CurrentKey().startsWith(QLatin1Char('F')), "a customer the floor made");
    add(kRemove, 'f', TimeMs([&] { floor.Delete(); }));
  }
  check(raw.CustomerRowids().size() == db.customers, "every customer made was deleted again");
  floor.Unload();

  // 6. The searches.
  SearchCriteria open{QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA"),
                      QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA"),
                      QStringLiteral("NA"), QStringLiteral("NA"), QStringLiteral("NA")};
  const QString allStatement = BuildSearchStatement(open).sql;
  SearchCriteria few = open;
  few.name = db.nameFragment;
  const QString fewStatement = BuildSearchStatement(few).sql;
  {
    SearchFloor search;
    for (int i = 0; i < runs(10); ++i) {
      add(kSearchAll, 'f', TimeMs([&] {
            check(search.Search(file, allStatement) == plan.named, "the all-open search");
          }));
      add(kSearchAll, 'r', TimeMs([&] { raw.Search(allStatement); }));
    }
  }
  {
    SearchFloor search;
    for (int i = 0; i < runs(30); ++i) {
      add(kSearchFew, 'f', TimeMs([&] {
            check(search.Search(file, fewStatement) == db.fragmentMatches, "the selective search");
          }));
      add(kSearchFew, 'r', TimeMs([&] { raw.Search(fewStatement); }));
    }
  }

  // 7. Steps in the result window of the all-open search.
  SearchFloor search;
  search.Search(file, allStatement);
  const int resultSteps = qMin(runs(1000), plan.named - 1);
  for (int i = 0; i < resultSteps; ++i) {
    const QString key = search.Keys()[i + 2];
    add(kResultStep, 'f', TimeMs([&] { search.ShowResult(key); }));
    add(kResultStep, 'r', TimeMs([&] { raw.ShowResult(key); }));
  }
  std::fflush(out);
}
