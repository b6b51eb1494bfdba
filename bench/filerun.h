#pragma once

#include <QString>

#include "bench/launcher.h"
#include "bench/options.h"

// The run of the windows on the SQLite file `file` in `dir`: start-up, navigation, the display
// of 40 list rows, modify + save, new + save, delete, the searches, the result window and the
// way back, each beside its floor (the reading floors taken beforehand in a process of their
// own, the writes' right after each command); then the whole process, the qel binary started
// afresh through `launcher` (started already when options.process). Prints the tables and the
// targets; gives the exit status of the benchmark program. `argc` must outlive the run.
int RunFileBench(const Options& options, const QString& file, const QString& dir,
                 Launcher& launcher, int& argc, char** argv);
