#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include "app/module1.h"
#include "data/connection.h"
#include "data/schema.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/msgbox.h"

namespace {

class CheckDb {
 public:
  CheckDb() : m_name(QStringLiteral("qel-test-check")) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(QDir::current().filePath(kDatabaseFile));
    if (!db.open()) qFatal("cannot open check connection: %s", qPrintable(db.lastError().text()));
  }
  ~CheckDb() {
    { QSqlDatabase::database(m_name).close(); }
    QSqlDatabase::removeDatabase(m_name);
  }
  QSqlQuery Query(const QString& sql, const QVariantList& bound) {
    QSqlQuery q(QSqlDatabase::database(m_name));
    if (!q.prepare(sql))
      qFatal("prepare failed: %s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    for (const QVariant& v : bound) q.addBindValue(v);
    if (!q.exec()) qFatal("exec failed: %s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q;
  }

 private:
  QString m_name;
};

// Qt SQL binds a null QString as Null; an empty text must stay an empty text.
QVariant ToVariant(const Value& v) {
  if (!v) return QVariant(QMetaType(QMetaType::QString));
  return QVariant(v->isNull() ? QStringLiteral("") : *v);
}

}  // namespace

TestEnv::TestEnv() : m_previous(QDir::currentPath()) {
  if (!m_dir.isValid()) qFatal("no temporary folder");
  QDir::setCurrent(m_dir.path());
  SetMsgBoxHook([this](const QString& text) {
    messages << text;
    if (onMessage) onMessage(text);
  });
  SetFatalHandler([this](int status) { fatalStatus = status; });
  SetEndHandler([this] { ++ended; });
}

TestEnv::~TestEnv() {
  UnloadAllWindows();
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
  Connection connection;
  OpenDatabase(connection, kDatabaseFile);
}

void Sql(const QString& statement, const QVariantList& bound) {
  CheckDb db;
  db.Query(statement, bound);
}

void InsertCustomer(const QMap<QString, Value>& columns) {
  QStringList names;
  QStringList marks;
  QVariantList values;
  for (auto it = columns.begin(); it != columns.end(); ++it) {
    names << it.key();
    marks << QStringLiteral("?");
    values << ToVariant(it.value());
  }
  Sql(QStringLiteral("insert into customer (%1) values (%2)").arg(names.join(','), marks.join(',')),
      values);
}

void InsertCustomer(const QString& cid, const QMap<QString, Value>& columns) {
  QMap<QString, Value> row = columns;
  row[QStringLiteral("CID")] = cid;
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

void InsertSimpleCustomer(const QString& cid, const QString& name) {
  QMap<QString, Value> row;
  for (const QString& column : Tables().at(0).columns) row[column] = QString();
  row[QStringLiteral("CID")] = cid;
  row[QStringLiteral("Cust_name")] = name;
  InsertCustomer(row);
}

void InsertChild(const QString& table, const QString& cid, const QVector<Value>& data) {
  QStringList columns;
  for (const TableLayout& layout : Tables())
    if (layout.name == table) columns = layout.columns.mid(2, data.size());
  if (columns.size() != data.size()) qFatal("bad child row for %s", qPrintable(table));
  QStringList marks(data.size() + 1, QStringLiteral("?"));
  QVariantList values{ToVariant(cid)};
  for (const Value& v : data) values << ToVariant(v);
  Sql(QStringLiteral("insert into %1 (CID,%2) values (%3)")
          .arg(table, columns.join(','), marks.join(',')),
      values);
}

QVector<QVector<Value>> Rows(const QString& query, const QVariantList& bound) {
  CheckDb db;
  QSqlQuery q = db.Query(query, bound);
  QVector<QVector<Value>> rows;
  while (q.next()) {
    QVector<Value> row;
    for (int i = 0; i < q.record().count(); ++i)
      row << (q.value(i).isNull() ? Value() : Value(q.value(i).toString()));
    rows << row;
  }
  return rows;
}

QVector<QVector<Value>> ChildRows(const QString& table, const QString& cid) {
  QVector<QVector<Value>> rows =
      Rows(QStringLiteral("select * from %1 where CID=? order by rowid").arg(table), {cid});
  for (auto& row : rows) row.remove(0, 2);
  return rows;
}

QMap<QString, Value> CustomerRow(const QString& cid) {
  CheckDb db;
  QSqlQuery q = db.Query(QStringLiteral("select * from customer where CID=?"), {cid});
  QMap<QString, Value> row;
  if (q.next()) {
    for (int i = 0; i < q.record().count(); ++i)
      row[q.record().fieldName(i)] = q.value(i).isNull() ? Value() : Value(q.value(i).toString());
  }
  return row;
}

int Count(const QString& query, const QVariantList& bound) {
  QVector<QVector<Value>> rows = Rows(query, bound);
  return rows.isEmpty() || rows[0].isEmpty() || !rows[0][0] ? -1 : rows[0][0]->toInt();
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
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

QStringList Headings(const ListGrid* grid) {
  QStringList texts;
  for (int col = 0; col < grid->Cols(); ++col) texts << grid->TextMatrix(0, col);
  return texts;
}

void UnloadAllWindows() {
  const auto widgets = QApplication::topLevelWidgets();
  for (QWidget* widget : widgets) {
    if (auto* form = qobject_cast<Form*>(widget)) {
      if (form->IsLoaded()) form->Unload();
    }
  }
  // Run the deferred deletions now.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void HandOver(const QStringList& keys) {
  ResultCIDs = QVector<QString>{QString()} + QVector<QString>(keys.begin(), keys.end());
  ResultCount = int(keys.size());
}

QStringList HandedOver() {
  return ResultCIDs.mid(1, ResultCount).toList();
}

void ClickButton(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton);
}

void ReplaceText(QWidget* input, const QString& text) {
  auto* box = qobject_cast<QLineEdit*>(input);
  if (auto* combo = qobject_cast<QComboBox*>(input)) box = combo->lineEdit();
  if (!box) qFatal("no text input");
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Delete);
  if (text.toLatin1() == text.toUtf8()) {
    QTest::keyClicks(box, text);
  } else {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
  }
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
