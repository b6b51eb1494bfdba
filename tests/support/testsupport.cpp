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

#include "app/module1.h"
#include "data/schema.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/msgbox.h"

namespace {

// Runs a statement on qel.db through a connection of its own; the rows by column name.
QVector<QMap<QString, Value>> Query(const QString& sql, const QVariantList& bound) {
  const QString name = QStringLiteral("qel-test-check");
  QVector<QMap<QString, Value>> rows;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(QDir::current().filePath(kDatabaseFile));
    QSqlQuery q(db);
    bool ok = db.open() && q.prepare(sql);
    for (const QVariant& v : bound) q.addBindValue(v);
    if (!ok || !q.exec()) qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    while (q.next()) {
      QMap<QString, Value> row;
      for (int i = 0; i < q.record().count(); ++i)
        row[QStringLiteral("%1 %2").arg(i, 3).arg(q.record().fieldName(i))] =
            q.value(i).isNull() ? Value() : Value(q.value(i).toString());
      rows << row;
    }
  }
  QSqlDatabase::removeDatabase(name);
  return rows;
}

// Qt SQL binds a null QString as Null; an empty text must stay an empty text.
QVariant ToVariant(const Value& v) {
  if (!v) return QVariant(QMetaType(QMetaType::QString));
  return QVariant(v->isNull() ? QStringLiteral("") : *v);
}

}  // namespace

TestEnv::TestEnv() : m_previous(QDir::currentPath()) {
  if (!m_dir.isValid()) qFatal("no temporary folder");
  QDir::setCurrent(m_dir.path());
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
  Connection connection;
  OpenDatabase(connection, kDatabaseFile);
}

void Sql(const QString& statement, const QVariantList& bound) {
  Query(statement, bound);
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
      Rows(QStringLiteral("select * from %1 where CID=? order by rowid").arg(table), {cid});
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
