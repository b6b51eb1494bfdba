#include "data/quickfindtext.h"

#include "data/schema.h"
#include "data/sqltext.h"

namespace quickfind {

namespace {

// What phone and ID numbers are written with besides their digits and letters.
const QString kNumberPunctuation = QStringLiteral(" -()./+,#");

// The columns of one row as one text, each followed by the separator (Null as empty).
QString JoinedSql(const QStringList& columns, const QString& prefix) {
  QStringList parts;
  for (const QString& column : columns)
    parts << QStringLiteral("coalesce(%1%2,'')").arg(prefix, column)
          << QLatin1String("'") + kSeparator + QLatin1String("'");
  return parts.join(QStringLiteral(" || "));
}

}  // namespace

bool IsNumberColumn(const QString& column) {
  static const QStringList numbers = {"Cust_id",         "Cust_telhome",   "Cust_cellphone",
                                      "Cust_otherphone", "Cust_teloffice", "Cust_fax",
                                      "fam_id",          "Insur_num"};
  return numbers.contains(column);
}

QStringList SearchColumns(int table) {
  return table == 0 ? Tables()[0].columns : Tables()[table].columns.mid(2);
}

QStringList NumberColumns(int table) {
  QStringList numbers;
  for (const QString& column : SearchColumns(table))
    if (IsNumberColumn(column)) numbers << column;
  return numbers;
}

QString TextSql(int table, const QString& prefix) {
  return JoinedSql(SearchColumns(table), prefix);
}

// SQLite has no translate: a replace per punctuation mark.
QString NumberFormSql(const QString& text, bool server) {
  QString sql = text;
  if (server) {
    sql = QStringLiteral("translate(%1, %2, '')").arg(sql, SqlQuote(kNumberPunctuation));
  } else {
    for (QChar c : kNumberPunctuation)
      sql = QStringLiteral("replace(%1, %2, '')").arg(sql, SqlQuote(QString(c)));
  }
  return QStringLiteral("lower(%1)").arg(sql);
}

QString NumberSql(int table, const QString& prefix, bool server) {
  const QStringList numbers = NumberColumns(table);
  return numbers.isEmpty() ? QStringLiteral("''")
                           : NumberFormSql(JoinedSql(numbers, prefix), server);
}

QString Normalized(const QString& text) {
  QString out;
  for (QChar c : text)
    if (!kNumberPunctuation.contains(c)) out += c;
  return out.toLower();
}

int Length(const QString& text) {
  return int(text.toUcs4().size());
}

QString Contains(const QString& text) {
  QString escaped = text;
  escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
      .replace(QLatin1Char('%'), QStringLiteral("\\%"))
      .replace(QLatin1Char('_'), QStringLiteral("\\_"));
  return QLatin1Char('%') + escaped + QLatin1Char('%');
}

}  // namespace quickfind
