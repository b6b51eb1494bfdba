#pragma once

#include <QString>

#include "bench/options.h"

class PgLink;
struct FileCounts;

// The run on a PostgreSQL server (--postgres). The generated file is copied into a server
// database; the windows run on it through QEL_DATABASE, and each command's floor is taken right
// after it, so that both meet the server in the same state: raw libpq with prepared statements
// for browsing and saving, psql's own timing of the search statement for the searches. Gives
// the exit status of the benchmark program. `argc` must outlive the run.
int RunServerBench(const Options& options, const QString& file, int& argc, char** argv);

// The server's connection: the database QEL_DATABASE names, or else an empty database in a
// throwaway cluster started here (and QEL_DATABASE set to it). `where` says which.
QString ServerDatabase(QString& where);
// Loads the file's customers into the server database unless it holds them already, and
// prints what the database holds.
void LoadServer(PgLink& link, const QString& file, const QString& conninfo,
                const FileCounts& counts, const QString& where);
