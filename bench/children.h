#pragma once

#include <QString>
#include <QVector>

#include "bench/options.h"

struct Measure;

// The work forked off before this process makes its QApplication, so that its memory does not
// count in the peak of the measuring process: the generator, and the floors of the file run.

// Generates the database `file` in a child process.
void GenerateInChild(const Options& options, const QString& file, int argc, char** argv);

// Runs the floors in a child process and adds their samples to `measures` (in MeasureId
// order). Gives the child's peak resident set in MB.
double FloorsInChild(const Options& options, const QString& file, QVector<Measure*>& measures,
                     int argc, char** argv);
