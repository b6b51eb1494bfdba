#include "ui/program/firststart.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "data/server.h"
#include "transfer/import.h"
#include "ui/toolkit/msgbox.h"

void ImportOnFirstStart(const QString& databaseFile, const QString& oldFile, int codepage) {
  // A shared server database is filled by its agency, not from one agent's old file.
  if (!ServerUri().isEmpty() || QFileInfo::exists(databaseFile) || !QFileInfo::exists(oldFile))
    return;
  ImportOptions options;
  options.codepage = codepage;
  ImportSummary summary;
  try {
    summary = ImportInto(databaseFile, oldFile, options);
  } catch (const DataError& error) {
    throw DataError(
        QCoreApplication::translate("FirstStart",
                                    "The card index in %1 could not be taken over; nothing was "
                                    "changed.\n%2")
            .arg(QFileInfo(oldFile).fileName(), error.message()));
  }
  MsgBox(QCoreApplication::translate(
             "FirstStart",
             "The card index in %1 was taken over: %2 customers and %3 list rows "
             "came over, %4 needed attention.\n\n%5")
             .arg(QFileInfo(oldFile).fileName())
             .arg(summary.Imported(QStringLiteral("customer")))
             .arg(summary.ListRows())
             .arg(summary.Attention())
             .arg(summary.Text()));
}
