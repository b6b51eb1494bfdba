#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

#include "data/dataerror.h"

class Connection;

// The history of changes: table `history`, one row per change of a customer (new, save,
// delete, restore) and one per import, written in the transaction of the change itself. A row
// holds when (UTC, ISO 8601 text), who (the login name on a file, the database role on a
// server), what, the key the change was made under (`cid`: the key before it, the new key for a
// new customer), the key after it (`new_cid`: the same unless the key was changed; Null after a
// delete) and the customer as it was before the change (`state`, JSON), so that any version can
// be rebuilt. The table is created by the first change that needs it.
struct HistoryEntry {
  qint64 id = 0;
  QString at;
  QString who;
  QString what;
  Value key;
  Value newKey;
  QByteArray state;
};

// Creates the table when the database lacks it. Run inside the change's transaction.
void EnsureHistoryTable(Connection& connection);
// Whether the database has the table (reading needs none: no table, no history).
bool HasHistory(Connection& connection);

// Whether changes are recorded (on unless the benchmark turns it off to compare).
void SetHistoryRecording(bool on);

// Adds an entry (in the running transaction) and gives its id (0 while recording is off).
qint64 AppendHistory(Connection& connection, const QString& what, const Value& key,
                     const Value& newKey, const QByteArray& state);

// The entries of a customer's key (made under it or leading to it), newest first, without
// their state (ReadHistoryEntry reads it).
QList<HistoryEntry> ReadHistory(Connection& connection, const QString& key);
// One entry with its state.
std::optional<HistoryEntry> ReadHistoryEntry(Connection& connection, qint64 id);
// The states of several entries in one statement, by id; an id without an entry is left out.
QHash<qint64, QByteArray> ReadHistoryStates(Connection& connection, const QList<qint64>& ids);
// The latest delete of every key that no customer holds now, newest first, without their state.
QList<HistoryEntry> ReadDeletions(Connection& connection);
// Removes the entries older than `days` days; gives how many went.
int PruneHistory(Connection& connection, int days);

// The key, or the key plus " (2)", " (3)", ...: the first that no customer or list row uses.
QString FreeKey(Connection& connection, const QString& key);

// The user a change is recorded for on a file: the login name.
QString LoginName();

// Adds the one entry of an import (in its transaction): its source and the customers it added.
void RecordImport(Connection& connection, const QString& source, qint64 customers);
