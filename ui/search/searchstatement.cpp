#include "ui/search/searchstatement.h"

#include "data/sqltext.h"

namespace {

// The text as it stands between the quotes of a literal: quotes doubled, NULs removed.
QString Literal(const QString& text) {
  const QString quoted = SqlQuote(text);
  return quoted.mid(1, quoted.size() - 2);
}

// A combo criterion: "and" when set, "or" against the sentinel when open.
QString Combo(const QString& text, const QString& head, const QString& tail) {
  const QString connective = text == kOpenCriterion ? QStringLiteral("or") : QStringLiteral("and");
  return connective + head + Literal(text) + tail;
}

// "column like '%text%'". A server compares in lower case by the "C" collation, which lowers
// A to Z only, and is told that no character escapes (its default is the backslash).
QString Like(const QString& column, const QString& text, bool server) {
  if (!server) return column + QStringLiteral(" like '%") + Literal(text) + QStringLiteral("%'");
  QString lowered = Literal(text);
  for (QChar& c : lowered)
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = c.toLower();
  return QStringLiteral("lower(%1 collate \"C\") like '%%2%' escape ''").arg(column, lowered);
}

// An address criterion: nothing when open.
QString Address(const QString& text, const QString& column, bool server) {
  if (text == kOpenCriterion || text.isEmpty()) return QString();
  return QStringLiteral("and (") + Like(column, text, server) + QStringLiteral(")");
}

}  // namespace

SearchStatement BuildSearchStatement(const SearchCriteria& c, bool server) {
  SearchStatement s;
  s.name = c.name == kOpenCriterion ? QString() : c.name;
  s.condName =
      QStringLiteral("(") + Like(QStringLiteral("Cust_name"), s.name, server) + QStringLiteral(")");
  s.condSex = Combo(c.sex, QStringLiteral("(Cust_sex='"), QStringLiteral("')"));
  s.condType = Combo(c.type, QStringLiteral(" (Cust_type='"), QStringLiteral("') "));
  s.condAddHome = Address(c.addHome, QStringLiteral("Cust_addhome"), server);
  s.condBirthmonth =
      Combo(c.birthmonth, QStringLiteral(" (Cust_birthmonth = '"), QStringLiteral("')"));
  s.condJobtype = Combo(c.jobtype, QStringLiteral(" (Cust_jobtype = '"), QStringLiteral("')"));
  s.condAddOffice = Address(c.addOffice, QStringLiteral("Cust_addoffice"), server);
  s.condSalary = Combo(c.salary, QStringLiteral(" (Cust_salary = '"), QStringLiteral("')"));
  s.condMarriage = Combo(c.marriage, QStringLiteral(" (Cust_marriage = '"), QStringLiteral("')"));

  const QString close = QStringLiteral(")");
  s.sql = QStringLiteral("select CID from customer where (((((((") + s.condName + s.condSex +
          close + s.condType + close + s.condAddHome + close + s.condBirthmonth + close +
          s.condJobtype + close + s.condAddOffice + close + s.condSalary + close + s.condMarriage +
          QStringLiteral("    ");
  if (server) s.sql += QStringLiteral("order by rowid");
  return s;
}
