#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

#include "data/connection.h"
#include "data/recordset.h"

// The program-wide state shared by the windows.

// The database file, looked up in the working directory.
inline const QString kDatabaseFile = QStringLiteral("qel.db");

// The connection and record sets of the browsing windows. The customer window and the result
// window each replace all six when they load (CreateDataObjects + OpenDataObjects).
extern std::unique_ptr<Connection> DbConnection;
extern std::unique_ptr<Recordset> CustomerSet;
extern std::unique_ptr<Recordset> FamilySet;
extern std::unique_ptr<Recordset> InsuranceSet;
extern std::unique_ptr<Recordset> CompensateSet;
extern std::unique_ptr<Recordset> ContactSet;

// The keys a search found, in one text buffer with an end offset per key: a million keys cost
// a few bytes each, not a heap object each. Entries are numbered from 1; value(0) and any
// number past the end give an empty text.
class KeyList {
 public:
  KeyList() = default;
  explicit KeyList(const QStringList& keys);
  void clear();
  void append(QStringView key);
  qsizetype count() const { return m_ends.size(); }
  QString value(qsizetype number) const;

 private:
  QString m_text;
  QVector<qsizetype> m_ends;
};

// The hand-over of a search: entries 1 .. ResultCount hold the keys found.
extern KeyList ResultCIDs;
extern int ResultCount;
// Hands these keys to the result window the way a search does.
void HandOverKeys(const QStringList& keys);

// Replaces the six data objects with new, unopened ones (releasing the old ones).
void CreateDataObjects();
// Releases the six data objects (record sets first). Called before the program ends, while Qt's
// SQL machinery still exists.
void ReleaseDataObjects();
// Opens DbConnection on kDatabaseFile and the five record sets on their whole tables, in the
// order customer, family, insurance, compensate, contact. A long preparation of an older file
// shows a progress window; a file that cannot get its indexes says why, once per run.
void OpenDataObjects();
