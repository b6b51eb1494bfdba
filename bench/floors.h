#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdio>
#include <memory>

#include "bench/generate.h"
#include "data/connection.h"
#include "data/recordset.h"

// The floors: what each measured command costs without any window.
//
// DataFloor runs the statements through the data layer (Connection, Recordset) in the order
// the windows run them, reading every value the windows read, but writes nothing to a widget.
// RawFloor runs the same statements straight through QSqlQuery on SQLite.

// The customer window's work, on a connection of its own.
class DataFloor {
 public:
  // Opens the file and the five record sets and shows the first customer (the window's load).
  void Load(const QString& file);
  void Unload();

  void Navigate(const QString& key);  // first, previous, next, last
  // The modify + save of the current customer with the values it shows.
  void ModifySave();
  // new + save of a customer with this key and name and no lists.
  void NewSave(const QString& key, const QString& name);
  // Deletes the current customer; the first one is shown afterwards.
  void Delete();
  QString CurrentKey();
  qint64 Bookmark() { return m_customer->Bookmark(); }
  // Makes the customer with this rowid current (no display).
  void MoveTo(qint64 rowid);

 private:
  void Display();
  int CustomersWithKey(const QString& key);

  std::unique_ptr<Connection> m_connection;
  std::unique_ptr<Recordset> m_customer;
  std::unique_ptr<Recordset> m_lists[4];
  // What the display read, which the save writes back.
  QVector<Value> m_shown;
  QVector<QVector<QVector<Value>>> m_listRows;
};

// The search and result windows' work.
class SearchFloor {
 public:
  // The search statement on a fresh connection, then the result window's load on another one
  // and the display of the first match. Gives the keys found.
  int Search(const QString& file, const QString& statement);
  // The result window's display of one key.
  void ShowResult(const QString& key);
  const QVector<QString>& Keys() const { return m_keys; }

 private:
  std::unique_ptr<Connection> m_search;
  std::unique_ptr<Recordset> m_match;
  std::unique_ptr<Connection> m_connection;
  std::unique_ptr<Recordset> m_customer;
  std::unique_ptr<Recordset> m_lists[4];
  QVector<QString> m_keys;
};

// The same statements through QSqlQuery, without the data layer.
class RawFloor {
 public:
  explicit RawFloor(const QString& file);
  ~RawFloor();

  // The keyset of the customer table (all rowids in stored order).
  QVector<qint64> CustomerRowids();
  // Reads a customer row by rowid and its four lists (every column).
  void Display(qint64 rowid);
  // The window's load: the keyset and the first customer's display.
  void Load();
  // The search statement's keys, then the result display of the first one.
  int Search(const QString& statement);
  // The result window's display of one key: the customer by key and its four lists.
  void ShowResult(const QString& key);
  // The writes of a modify + save in one transaction: the lists deleted and written anew, the
  // customer row updated.
  void ModifySave(qint64 rowid);
  // The writes of a new + save: one customer row in one transaction. Gives its rowid.
  qint64 NewSave(const QString& key, const QString& name);
  // The writes of a delete in one transaction, then the keyset read anew and the first
  // customer displayed.
  void Delete(qint64 rowid);

 private:
  QSqlDatabase m_db;
  QString m_name;
};

// The measures of the benchmark, in the order of its table.
enum MeasureId : int {
  kStartup,
  kNext,
  kLast,
  kFirst,
  kShow40,
  kSave20,
  kNewSave,
  kRemove,
  kSearchAll,
  kSearchFew,
  kResultStep,
  kMeasureCount
};

// What the floors' run needs to repeat the window run's statements.
struct FloorPlan {
  BenchDatabase database;  // file, customers and the special customers
  int named = 0;           // customers with a name: the all-open search's matches
  double runsScale = 1.0;
};

// Runs every floor measure with the window run's repetitions, on the data layer and on raw SQL,
// and writes each sample as a line "<MeasureId> <f|r> <ms>" (f: data layer, r: raw SQL) to
// `out`. Meant for a process of its own, so its memory does not count in the windows' peak.
void RunFloors(const FloorPlan& plan, std::FILE* out);
