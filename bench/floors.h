#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdio>

#include "bench/generate.h"

// The floors: the least SQL that gives the agent the same effect as each measured command, run
// straight through QSqlQuery on SQLite, without the program's data layer or windows. "next" is
// one indexed row look-up and the four list queries; a save is the same writes in one
// transaction; start-up is the opening of the file, the first row and its lists.
class RawFloor {
 public:
  explicit RawFloor(const QString& file);
  ~RawFloor();
  RawFloor(const RawFloor&) = delete;
  RawFloor& operator=(const RawFloor&) = delete;

  // The window's load: the file opened on a new connection, the first row and its lists.
  void Load();
  // The customer row after / before `rowid`, the first or the last one, read with its four
  // lists (every column). Each gives the rowid shown, -1 for none.
  qint64 Next(qint64 rowid);
  qint64 Previous(qint64 rowid);
  qint64 First();
  qint64 Last();
  // The key of a customer row.
  QString Key(qint64 rowid);
  // What a modify + save of this customer writes: the values it holds, read beforehand (the
  // window has them on screen).
  struct Save {
    qint64 rowid = -1;
    QString key;
    QVariantList values;
    QVector<QVector<QVariantList>> lists;
  };
  Save ReadForSave(qint64 rowid);
  // The writes of that save in one transaction: the lists deleted and written anew, the row
  // updated.
  void ModifySave(const Save& save);
  // The write of a new + save: one customer row in one transaction. Gives its rowid.
  qint64 NewSave(const QString& key, const QString& name);
  // The writes of a delete in one transaction (the customer and its lists), then the display
  // of the first customer, which the window shows afterwards.
  void Delete(qint64 rowid);
  // The search statement reading every key, then the result display of the first one. Gives
  // the number of keys.
  int Search(const QString& statement);
  // The result window's display of one key: the customer by key and two columns of its lists.
  void ShowResult(const QString& key);

 private:
  qint64 Show(const QString& customerSql, const QVariantList& bound);

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
  kBack,
  kMeasureCount
};

// What the floors' run needs to repeat the window run's commands.
struct FloorPlan {
  BenchDatabase database;  // file, customers and the special customers
  int named = 0;           // customers with a name: the all-open search's matches
  double runsScale = 1.0;
};

// Runs the floor of every reading measure with the window run's repetitions and writes each
// sample as a line "<MeasureId> f <ms>" to `out`. Meant for a process of its own. The floors of
// the writes are taken by the window run itself, each right after the window's command, so
// that both meet the disk in the same state.
void RunFloors(const FloorPlan& plan, std::FILE* out);

// The customer columns a modify + save writes, in its order (the key is written only for a new
// row).
const QStringList& SaveColumns();

// Runs the five "create index" statements of the CID indexes in one transaction on `file`.
void CreateIndexesRaw(const QString& file);
// Drops the five CID indexes of `file`, making it an older file without them.
void DropIndexesRaw(const QString& file);
