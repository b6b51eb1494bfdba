#pragma once

#include <QString>

#include "bench/options.h"

// The quick find run (--find; with --postgres on a server): the first building of the index and
// its size, the find box from a keystroke to its list shown for fragments of two, three and
// eight characters, common and rare, and "modify" + "save" with the index in place and without
// it. Gives the exit status of the benchmark program. `argc` must outlive the run.
int RunFindBench(const Options& options, const QString& file, int& argc, char** argv);
