#pragma once

// Reading customers as plain JSON through a connection of its own, so that the reliability
// suites compare what the file holds with what a program meant to write, without going through
// the program's data layer.

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include "data/schema.h"

namespace reliability {

inline QJsonValue Json(const QVariant& value) {
  return value.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(value.toString());
}

// A connection of its own on a database file, closed and removed when it goes.
class IndependentDb {
 public:
  explicit IndependentDb(const QString& file, const QString& options = QString())
      : m_name(QStringLiteral("independent-") + QUuid::createUuid().toString()) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    if (!options.isEmpty()) db.setConnectOptions(options);
    m_open = db.open();
    if (!m_open) m_error = db.lastError().text();
  }
  ~IndependentDb() {
    { QSqlDatabase::database(m_name, false).close(); }
    QSqlDatabase::removeDatabase(m_name);
  }
  IndependentDb(const IndependentDb&) = delete;
  IndependentDb& operator=(const IndependentDb&) = delete;

  bool IsOpen() const { return m_open; }
  QString Error() const { return m_error; }
  QSqlDatabase Db() const { return QSqlDatabase::database(m_name, false); }

  // The first column of every row of a statement; a failing statement gives its error text as
  // the only element, marked with a leading "!".
  QStringList Column(const QString& sql, const QVariantList& bound = {}) {
    QSqlQuery query(Db());
    query.setForwardOnly(true);
    if (!query.prepare(sql) || (bound.isEmpty() ? !query.exec() : false))
      return {QLatin1Char('!') + query.lastError().text()};
    if (!bound.isEmpty()) {
      for (const QVariant& value : bound) query.addBindValue(value);
      if (!query.exec()) return {QLatin1Char('!') + query.lastError().text()};
    }
    QStringList values;
    while (query.next()) values << query.value(0).toString();
    return values;
  }

  QString IntegrityCheck() { return Column(QStringLiteral("pragma integrity_check")).join('\n'); }

  // The data columns (position 2 on) of the rows of a child table with this key, in rowid order.
  QJsonArray ChildRows(const QString& table, const QString& key) {
    QSqlQuery query(Db());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("select * from %1 where CID=? order by rowid").arg(table));
    query.addBindValue(key);
    QJsonArray rows;
    if (!query.exec()) {
      rows.append(QStringLiteral("!") + query.lastError().text());
      return rows;
    }
    while (query.next()) {
      QJsonArray row;
      for (int i = 2; i < query.record().count(); ++i) row.append(Json(query.value(i)));
      rows.append(row);
    }
    return rows;
  }

  // Every customer by key: its row (every column by name) and its four lists. Customers that
  // share a key are reported under the key with a "#n" suffix so they never hide one another.
  QMap<QString, QJsonObject> Customers() {
    QMap<QString, QJsonObject> customers;
    QSqlQuery query(Db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select * from customer order by rowid"))) {
      customers[QStringLiteral("!error")] =
          QJsonObject{{QStringLiteral("error"), query.lastError().text()}};
      return customers;
    }
    while (query.next()) {
      QJsonObject row;
      for (int i = 0; i < query.record().count(); ++i)
        row[query.record().fieldName(i)] = Json(query.value(i));
      QString key = query.value(QStringLiteral("CID")).toString();
      QJsonObject customer{{QStringLiteral("row"), row}};
      for (const QString table : {"family", "insurance", "compensate", "contact"})
        customer[table] = ChildRows(table, key);
      while (customers.contains(key)) key += QStringLiteral("#n");
      customers[key] = customer;
    }
    return customers;
  }

 private:
  QString m_name;
  bool m_open = false;
  QString m_error;
};

}  // namespace reliability
