#pragma once

#include <QString>
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

// The hand-over of a search: entries 1 .. ResultCount hold the keys found, entry 0 is unused.
extern QVector<QString> ResultCIDs;
extern int ResultCount;

// Replaces the six data objects with new, unopened ones (releasing the old ones).
void CreateDataObjects();
// Releases the six data objects (record sets first). Called before the program ends, while Qt's
// SQL machinery still exists.
void ReleaseDataObjects();
// Opens DbConnection on kDatabaseFile and the five record sets on their whole tables, in the
// order customer, family, insurance, compensate, contact.
void OpenDataObjects();
