#pragma once

#include <QString>

// The schedule's measure: the schedule window opened on the database in `dir` (30 days from
// today) against the raw SQL that reads the same columns, `runs` times each, alternating.
// Prints the medians, the ratio, the lines listed and the memory; gives the exit status
// (0 when the window took at most 1.5 times the raw SQL).
int RunScheduleBench(const QString& dir, int runs, int argc, char** argv);
