#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <cstdio>
#include <cstdlib>

#include "data/schema.h"
#include "data/server.h"
#include "ui/program/module1.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/msgbox.h"

namespace {

// Opens the database the program uses (the working folder's qel.db, or the server database)
// without creating anything.
void OpenExisting(Connection& connection) {
  if (OnServer()) {
    connection.OpenServer(ServerUri());
  } else {
    QFile file(kDatabaseFile);
    if (!file.exists()) file.open(QIODevice::WriteOnly);
    file.close();
    connection.Open(kDatabaseFile);
  }
}

// The suites that run on a server get a database of their own on the test cluster (whose
// key=value connection string QEL_TEST_POSTGRES gives), made afresh for each run; without a
// cluster they are skipped (exit status 77).
void PrepareServer() {
  static bool prepared = false;
  if (prepared || !ServerUri().isEmpty()) return;  // a second program inherits the first's
  prepared = true;
  const QString cluster = qEnvironmentVariable("QEL_TEST_POSTGRES");
  if (cluster.isEmpty()) {
    std::fputs("QEL_TEST_POSTGRES names no test cluster: skipped\n", stderr);
    std::exit(77);
  }
  const QString name = QStringLiteral("qel_") + QCoreApplication::applicationName().toLower();
  Connection admin;
  admin.OpenServer(cluster + QStringLiteral(" dbname=postgres"));
  admin.Execute(QStringLiteral("drop database if exists %1 with (force)").arg(name));
  admin.Execute(QStringLiteral("create database %1").arg(name));
  qputenv("QEL_DATABASE", (cluster + QStringLiteral(" dbname=") + name).toUtf8());
}

// A column name as the tables spell it (a server gives it in lower case).
QString Spelt(const QString& name) {
  for (const TableLayout& table : Tables())
    for (const QString& column : table.columns)
      if (column.compare(name, Qt::CaseInsensitive) == 0) return column;
  return name;
}

// On a server, the statements of the tests share one connection of their own (a new one costs
// a server process and half a dozen statements of its set-up), opened at the first of them and
// closed with the application. A file is opened afresh for each statement.
std::unique_ptr<Connection> g_server;
QString g_serverUri;

// The connection for the next statement; `fresh` opens a new one.
Connection& StatementConnection(std::unique_ptr<Connection>& own, bool fresh) {
  if (!OnServer()) {
    own = std::make_unique<Connection>();
    OpenExisting(*own);
    return *own;
  }
  if (fresh || !g_server || g_serverUri != ServerUri()) {
    [[maybe_unused]] static bool closed = (qAddPostRoutine([] { g_server.reset(); }), true);
    g_server.reset();
    g_server = std::make_unique<Connection>();
    g_server->OpenServer(ServerUri());
    g_serverUri = ServerUri();
  }
  return *g_server;
}

// Runs a statement on the program's database through a connection of its own; the rows by
// column name. A server customer table's own row number is left out, as SQLite leaves it out.
QVector<QMap<QString, Value>> Query(const QString& sql, const QVariantList& bound) {
  QVector<QMap<QString, Value>> rows;
  try {
    std::unique_ptr<Connection> own;
    Connection* connection = &StatementConnection(own, false);
    QSqlQuery q(connection->Database());
    // Unprepared without values: a server prepares no "create" and runs a script only so.
    auto run = [&] {
      bool ok = bound.isEmpty() || q.prepare(sql);
      for (const QVariant& v : bound) q.addBindValue(v);
      return ok && (bound.isEmpty() ? q.exec(sql) : q.exec());
    };
    bool ran = run();
    // The server may have been restarted since the last statement: once more on a new
    // connection (a failed statement changed nothing).
    if (!ran && OnServer()) {
      connection = &StatementConnection(own, true);
      q = QSqlQuery(connection->Database());
      ran = run();
    }
    if (!ran) qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    while (q.next()) {
      QMap<QString, Value> row;
      for (int i = 0, shown = 0; i < q.record().count(); ++i) {
        const QString name = Spelt(q.record().fieldName(i));
        if (connection->IsServer() && name == QLatin1String("rowid") && sql.contains('*')) continue;
        row[QStringLiteral("%1 %2").arg(shown++, 3).arg(name)] =
            q.value(i).isNull() ? Value() : Value(q.value(i).toString());
      }
      rows << row;
    }
  } catch (const DataError& error) {
    qFatal("%s: %s", qPrintable(sql), qPrintable(error.message()));
  }
  return rows;
}

// Qt SQL binds a null QString as Null; an empty text must stay an empty text.
QVariant ToVariant(const Value& v) {
  if (!v) return QVariant(QMetaType(QMetaType::QString));
  return QVariant(v->isNull() ? QStringLiteral("") : *v);
}

}  // namespace

bool OnServer() {
  return qEnvironmentVariable("QEL_TEST_BACKEND") == QLatin1String("postgres");
}

bool StrictRun() {
  return qEnvironmentVariable("QEL_TEST_STRICT") == QLatin1String("1");
}

TestEnv::TestEnv() : m_previous(QDir::currentPath()) {
  if (!m_dir.isValid()) qFatal("no temporary folder");
  QDir::setCurrent(m_dir.path());
  if (OnServer()) {
    // Every test starts on an empty database, as on a folder without qel.db; on the connection
    // of the test before, or a new one when the server was restarted since.
    PrepareServer();
    Sql(QStringLiteral("drop schema if exists public cascade; create schema public"));
  }
  SetMsgBoxHook([this](const QString& text) { messages << text; });
  SetFatalHandler([this](int status) { fatalStatus = status; });
  SetEndHandler([this] { ++ended; });
}

TestEnv::~TestEnv() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* form = qobject_cast<Form*>(widget); form && form->IsLoaded()) form->Unload();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  CreateDataObjects();  // releases the program-wide connection on this folder's file
  SetMsgBoxHook({});
  SetFatalHandler({});
  SetEndHandler({});
  QDir::setCurrent(m_previous);
}

QString TestEnv::DbPath() const {
  return QDir(m_dir.path()).filePath(kDatabaseFile);
}

void CreateDatabase() {
  // On a server through the tests' own connection (a new one costs a server process), which
  // forgets the tables of the test before.
  std::unique_ptr<Connection> own;
  Connection& connection =
      OnServer() ? StatementConnection(own, false) : *(own = std::make_unique<Connection>());
  connection.ForgetTables();
  OpenDatabase(connection, kDatabaseFile);
}

void Sql(const QString& statement, const QVariantList& bound) {
  Query(statement, bound);
}

QString RefuseStatement(const QString& event, const QString& message) {
  if (!OnServer()) {
    return QStringLiteral("create trigger refuse before %1 begin select raise(abort, '%2'); end")
        .arg(event, message);
  }
  return QStringLiteral(
             "create function refuse() returns trigger language plpgsql as $$ begin raise "
             "exception '%2'; end $$; create trigger refuse before %1 for each row execute "
             "function refuse()")
      .arg(event, message);
}

QString AllowStatement(const QString& event) {
  if (!OnServer()) return QStringLiteral("drop trigger refuse");
  return QStringLiteral("drop trigger refuse %1; drop function refuse()")
      .arg(event.section(' ', 1));
}

void InsertCustomer(const QMap<QString, Value>& columns) {
  QVariantList values;
  for (const Value& value : columns) values << ToVariant(value);
  Sql(QStringLiteral("insert into customer (%1) values (%2)")
          .arg(columns.keys().join(','), QStringList(columns.size(), "?").join(',')),
      values);
}

void InsertSimpleCustomer(const QString& cid, const QString& name) {
  QMap<QString, Value> row;
  for (const QString& column : Tables().at(0).columns) row[column] = QString();
  row[QStringLiteral("CID")] = cid;
  row[QStringLiteral("Cust_name")] = name;
  InsertCustomer(row);
}

QStringList AddNumberedCustomers(int count) {
  QStringList keys;
  for (int i = 1; i <= count; ++i) {
    keys << QStringLiteral("K%1").arg(i);
    InsertSimpleCustomer(keys.last(), QStringLiteral("Customer %1").arg(i));
  }
  return keys;
}

void InsertChild(const QString& table, const QString& cid, const QVector<Value>& data) {
  const QStringList columns = DataColumns(table).mid(0, data.size());
  QVariantList values{ToVariant(cid)};
  for (const Value& v : data) values << ToVariant(v);
  Sql(QStringLiteral("insert into %1 (CID,%2) values (%3)")
          .arg(table, columns.join(','), QStringList(values.size(), "?").join(',')),
      values);
}

QVector<QVector<Value>> Rows(const QString& query, const QVariantList& bound) {
  QVector<QVector<Value>> rows;
  for (const auto& row : Query(query, bound)) rows << row.values().toVector();
  return rows;
}

QVector<QVector<Value>> ChildRows(const QString& table, const QString& cid) {
  QVector<QVector<Value>> rows =
      Rows(QStringLiteral("select * from %1 where CID=? order by %2")
               .arg(table, OnServer() ? QStringLiteral("ID") : QStringLiteral("rowid")),
           {cid});
  for (auto& row : rows) row.remove(0, 2);
  return rows;
}

QMap<QString, Value> CustomerRow(const QString& cid) {
  QMap<QString, Value> row;
  const auto rows = Query(QStringLiteral("select * from customer where CID=?"), {cid});
  if (!rows.isEmpty())
    for (auto it = rows[0].begin(); it != rows[0].end(); ++it) row[it.key().mid(4)] = *it;
  return row;
}

int Count(const QString& query, const QVariantList& bound) {
  const Value value = Rows(query, bound).value(0).value(0);
  return value ? value->toInt() : -1;
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList GridLines(const ListGrid* grid) {
  QStringList lines;
  for (int row = 1; row < grid->Rows(); ++row) {
    QStringList cells;
    for (int col = 0; col < grid->Cols(); ++col) cells << grid->TextMatrix(row, col);
    lines << cells.join('|');
  }
  return lines;
}

QStringList HandedOver() {
  QStringList keys;
  for (int number = 1; number <= ResultCount; ++number) keys << ResultCIDs.value(number);
  return keys;
}

void ClickButton(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton);
}

void TypeText(QWidget* widget, const QString& text) {
  for (const char32_t c : text.toUcs4()) {
    if (c < 0x7f) QTest::keyClick(widget, char(c));
    if (c >= 0x7f)
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1),
                          Qt::NoModifier);
  }
}

void ReplaceText(QWidget* input, const QString& text) {
  auto* combo = qobject_cast<QComboBox*>(input);
  QLineEdit* box = combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(input);
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  TypeText(box, text);
}

void PickEntry(QWidget* input, const QString& entry) {
  auto* combo = qobject_cast<QComboBox*>(input);
  const int index = combo ? combo->findText(entry) : -1;
  if (index < 0) qFatal("no entry %s", qPrintable(entry));
  combo->setCurrentIndex(index);
}

QString ShownText(const QWidget* input) {
  if (auto* box = qobject_cast<const QLineEdit*>(input)) return box->text();
  return qobject_cast<const QComboBox*>(input)->currentText();
}
