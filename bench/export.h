#pragma once

#include <QString>

// The export measure: `qel --export` of the database beside the sqlite3 shell's own CSV output
// (".mode csv" with headers) of the same five tables, each in a process of its own, with the
// wall time and peak memory of each. Gives the exit status of the benchmark program.
int RunExportBench(const QString& file, const QString& dir, int runs);
