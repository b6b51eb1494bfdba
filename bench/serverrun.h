#pragma once

#include <QString>

#include "bench/options.h"

// The run on a PostgreSQL server (--postgres). The generated file is copied into a server
// database; the windows run on it through QEL_DATABASE, and each command's floor is taken right
// after it, so that both meet the server in the same state: raw libpq with prepared statements
// for browsing and saving, psql's own timing of the search statement for the searches. Gives
// the exit status of the benchmark program. `argc` must outlive the run.
int RunServerBench(const Options& options, const QString& file, int& argc, char** argv);
