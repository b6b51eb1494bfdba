#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "data/dataerror.h"

// What an export wrote: each file's name and how many records it holds (rows of a table, cards
// of the address book).
struct ExportSummary {
  struct File {
    QString name;
    qint64 records = 0;
  };
  QString folder;  // absolute
  QList<File> files;
  // A few lines for the terminal or a message box.
  QString Text() const;
};

// Writes the five tables as customer.csv, family.csv, insurance.csv, compensate.csv and
// contact.csv (RFC 4180, UTF-8 with a byte-order mark, a header row of the column names, every
// column in table order; Null an empty unquoted field, the empty text "") and the customers as
// the address book customers.vcf (vCard 4.0) into the folder, made if missing.
//
// Every file comes from one read transaction, so all of them show the same moment even while
// another program writes. Rows are streamed: memory does not grow with the tables. The files
// are written into a temporary folder and moved into place only when all are complete, so the
// folder holds either its older files of those names or the six new ones: a failure while
// reading, writing or moving leaves the older ones as they were, and DataError names the cause
// (and, should even putting them back fail, where each file is). Files hold personal data:
// mode 0600; a folder made for them, 0700.
ExportSummary ExportTo(const QString& databaseFile, const QString& folder);

// For tests: called before each step of writing the files and moving them into place ("write
// NAME", "place folder", "aside NAME", "place NAME", "back NAME", "remove NAME"); an error
// number it gives makes that step fail with that error. An empty hook removes it.
void SetExportStepHook(std::function<int(const QString& step)> hook);

// The birthday as vCard writes it, the three texts read as the schedule reads them (see
// data/datetext.h: "69" and "民國69年" are 1980, "5月" and "５" are 5): "YYYYMMDD" when year,
// month and day form a real date, "--MMDD" when month and day alone do, else empty.
QString VCardBirthday(const Value& year, const Value& month, const Value& day);

// The command-line job: exports the database file into the folder and prints what was written
// (or the reason it failed) on standard error. Gives the exit status (0 done, 1 failed).
int ExportCommand(const QString& databaseFile, const QString& folder);
