#pragma once

#include <QString>

#include "data/quickfindtext.h"
#include "data/schema.h"

class Connection;

// The quick find's index on each back end, as the find uses it.
namespace quickfind {

// On a file (quickfindfile.cpp): an FTS5 table kept in step by triggers. Whether it is there,
// of this kind; making it (anew when of an earlier kind), with progress reports; removing it.
bool FileIndexReady(Connection& connection);
QString PrepareFile(Connection& connection, const PrepareProgress& progress);
void DropFileIndex(Connection& connection);
// Looks the fragment up, `loose`ly (long fragments by some of their trigrams) or exactly.
// Gives whether a loose look-up read as many entries as it may: rows that do not hold the
// fragment may then have crowded out some that do.
bool FileRows(Connection& connection, const QString& fragment, const QString& number,
              FoundRows& rows, bool loose);
void PauseFile(Connection& connection, const QString& cid);
void ResumeFile(Connection& connection, const QString& cid);

// On a server (quickfindserver.cpp): a table kept in step by triggers, with trigram and pair
// indexes. Whether it is all there; whether a find can use it (its table and functions: a
// cheaper check, made at every keystroke); making it; removing it.
bool ServerIndexReady(Connection& connection);
bool ServerIndexUsable(Connection& connection);
QString PrepareServer(Connection& connection);
void DropServerIndex(Connection& connection);
void ServerRows(Connection& connection, const QString& fragment, const QString& number,
                FoundRows& rows);
void PauseServer(Connection& connection);
void ResumeServer(Connection& connection, const QString& cid);
// A table's row number column on a server.
QString ServerKey(int table);

}  // namespace quickfind
