#pragma once

#include <QList>
#include <QString>

#include "data/schema.h"

class Connection;

// Quick find: customers found from any fragment of any of their columns or of their lists'
// columns. Letters A-Z match in either case; in phone and ID numbers spaces and punctuation do
// not count (0912-345-678 finds 0912345678).
//
// On a file the fragments are looked up in a full-text table of trigrams ("quickfind") that
// triggers on the five tables keep in step with every write, whoever makes it. On a server, a
// table of the same entries ("quickfind_entries") with trigram indexes (pg_trgm), kept in step
// the same way, serves them. Without an index the find reads the tables.

// One customer found: where the window finds it, and what matched.
struct FindHit {
  qint64 rowid = 0;  // the customer row's number (a bookmark of the customer record set)
  QString cid;
  QString name;
  QString table;   // the table that matched: customer or one of the lists
  QString column;  // its column
  QString value;   // the stored text that matched
};

// The customers a fragment finds, best first (exact before beginning before anywhere, the
// customer's own columns before its lists), each once, at most `limit`. A fragment of fewer than
// two characters finds nothing.
QList<FindHit> QuickFind(Connection& connection, const QString& fragment, int limit = 20);

// Makes sure the index exists, building it for a database that has none (with progress reports
// as OpenDatabase gives them). Gives an empty text, or why the find will be slow.
QString PrepareQuickFind(Connection& connection, const PrepareProgress& progress = {});

// Removes the index and its triggers (the benchmark compares saves with and without them).
void DropQuickFind(Connection& connection);

// Stops keeping the index in step (on a file its triggers go, and the entries of the rows of
// key `cid`; on a server its triggers are turned off), and starts again (the triggers come
// back, and the entries of that key's rows as they are then). The benchmark's saves without
// the index use them: dropping the index and building it again would take minutes, at a
// million customers on a file a quarter of an hour.
void PauseQuickFind(Connection& connection, const QString& cid);
void ResumeQuickFind(Connection& connection, const QString& cid);

// Whether the index is in place on this database.
bool HasQuickFindIndex(Connection& connection);
