#pragma once

#include <QString>

// The card index of the earlier Windows program, looked up beside the database file.
inline const QString kOldDatabaseFile = QStringLiteral("qel.mdb");

// A first start beside an old card index (the old file there, no database file yet): imports it
// into a new database file and tells the agent in the message box what came over. The old file
// is only read. Nothing happens when the database file exists or the old file does not. Throws
// DataError when the import fails; no database file is left then.
void ImportOnFirstStart(const QString& databaseFile, const QString& oldFile, int codepage = 950);
