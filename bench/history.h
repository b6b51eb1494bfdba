#pragma once

#include <QString>

#include "bench/options.h"

// qel_bench --history: the customer window's saves and deletes with the history of changes
// against the same commands without it (turned off in turns, so both meet the same load), the
// database's growth per save, and the history window opened on a customer with 1,000 changes.
// On the file, or with --postgres on the server.
int RunHistoryBench(const Options& options, const QString& file, int& argc, char** argv);
