#include "transfer/import.h"

#include <QTextStream>

qint64 ImportSummary::Imported(const QString& table) const {
  for (const TableCount& count : imported)
    if (count.table == table) return count.imported;
  return 0;
}

qint64 ImportSummary::ListRows() const {
  qint64 rows = 0;
  for (const TableCount& count : imported)
    if (count.table != QLatin1String("customer")) rows += count.imported;
  return rows;
}

QString ImportSummary::Text() const {
  return QStringLiteral("%1 customers and %2 list rows imported.")
      .arg(Imported(QStringLiteral("customer")))
      .arg(ListRows());
}

ImportSummary ImportInto(const QString&, const QString& source, const ImportOptions&) {
  throw DataError(QStringLiteral("%1: importing is not available yet.").arg(source));
}

int ImportCommand(const QString& databaseFile, const QString& source, int codepage) {
  QTextStream err(stderr);
  ImportOptions options;
  options.codepage = codepage;
  try {
    const ImportSummary summary = ImportInto(databaseFile, source, options);
    err << summary.Text() << Qt::endl;
    return 0;
  } catch (const DataError& error) {
    err << error.message() << Qt::endl;
    return 1;
  }
}
