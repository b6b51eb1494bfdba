#include <QtTest>

#include "ui/search/searchstatement.h"

Q_DECLARE_METATYPE(SearchCriteria)

namespace {

// The statement of a freshly opened or reset window.
const QString kAllOpen = QStringLiteral(
    "select CID from customer where ((((((((Cust_name like '%%')or(Cust_sex='NA'))or "
    "(Cust_type='NA') ))or (Cust_birthmonth = 'NA'))or (Cust_jobtype = 'NA')))or (Cust_salary = "
    "'NA'))or (Cust_marriage = 'NA')    ");

// The all-open statement with one fragment replaced.
QString AllOpenWith(const QString& open, const QString& set) {
  QString sql = kAllOpen;
  if (!sql.contains(open)) qFatal("no fragment %s", qPrintable(open));
  return sql.replace(open, set);
}

// The all-open statement with an address fragment put between the two closing parentheses
// that stand for it (the home address is the first empty pair, the office address the second).
QString AllOpenWithAddress(int which, const QString& fragment) {
  QString sql = kAllOpen;
  const QString anchor = which == 0 ? QStringLiteral("') ))") : QStringLiteral("'NA')))");
  const qsizetype at = sql.indexOf(anchor);
  if (at < 0) qFatal("no address place");
  sql.insert(at + anchor.size() - 1, fragment);
  return sql;
}

}  // namespace

// Quoting over thousands of random texts is proven in the reliability suite; here the worked
// examples to the character, every criterion alone, and the cases where a criterion counts as
// open or not.
class TestSearchStatement : public QObject {
  Q_OBJECT

 private slots:
  void statement_data();
  void statement();
};

void TestSearchStatement::statement_data() {
  QTest::addColumn<SearchCriteria>("criteria");
  QTest::addColumn<QString>("expected");

  const SearchCriteria open{"NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA"};
  auto with = [&](auto member, const QString& text) {
    SearchCriteria c = open;
    c.*member = text;
    return c;
  };

  QTest::newRow("worked example: all open") << open << kAllOpen;
  QTest::newRow("worked example: Wang, male, Road, May")
      << SearchCriteria{"Wang", "male", "NA", "Road", "5", "NA", "NA", "NA", "NA"}
      << QStringLiteral(
             "select CID from customer where ((((((((Cust_name like '%Wang%')and(Cust_sex='male'))"
             "or (Cust_type='NA') )and (Cust_addhome like '%Road%'))and (Cust_birthmonth = '5'))"
             "or (Cust_jobtype = 'NA')))or (Cust_salary = 'NA'))or (Cust_marriage = 'NA')    ");

  QTest::newRow("name alone") << with(&SearchCriteria::name, "Lin")
                              << AllOpenWith("'%%'", "'%Lin%'");
  QTest::newRow("sex alone") << with(&SearchCriteria::sex, "female")
                             << AllOpenWith("or(Cust_sex='NA')", "and(Cust_sex='female')");
  QTest::newRow("type alone, trailing blank kept")
      << with(&SearchCriteria::type, "Potential ")
      << AllOpenWith("or (Cust_type='NA') ", "and (Cust_type='Potential ') ");
  QTest::newRow("home address alone") << with(&SearchCriteria::addHome, "Road")
                                      << AllOpenWithAddress(0, "and (Cust_addhome like '%Road%')");
  QTest::newRow("birth month alone")
      << with(&SearchCriteria::birthmonth, "12")
      << AllOpenWith("or (Cust_birthmonth = 'NA')", "and (Cust_birthmonth = '12')");
  QTest::newRow("job type alone") << with(&SearchCriteria::jobtype, "Finance")
                                  << AllOpenWith("or (Cust_jobtype = 'NA')",
                                                 "and (Cust_jobtype = 'Finance')");
  QTest::newRow("office address alone")
      << with(&SearchCriteria::addOffice, "Park")
      << AllOpenWithAddress(1, "and (Cust_addoffice like '%Park%')");
  QTest::newRow("typed salary that is no entry")
      << with(&SearchCriteria::salary, "about 50k")
      << AllOpenWith("or (Cust_salary = 'NA')", "and (Cust_salary = 'about 50k')");
  QTest::newRow("marriage alone") << with(&SearchCriteria::marriage, "married")
                                  << AllOpenWith("or (Cust_marriage = 'NA')",
                                                 "and (Cust_marriage = 'married')");

  QTest::newRow("name emptied by hand is the open name")
      << with(&SearchCriteria::name, "") << kAllOpen;
  QTest::newRow("lower-case na in the name is searched for")
      << with(&SearchCriteria::name, "na") << AllOpenWith("'%%'", "'%na%'");
  QTest::newRow("empty home address adds nothing")
      << with(&SearchCriteria::addHome, "") << kAllOpen;
  QTest::newRow("lower-case na as office address is searched for")
      << with(&SearchCriteria::addOffice, "na")
      << AllOpenWithAddress(1, "and (Cust_addoffice like '%na%')");
  QTest::newRow("quote in the name is doubled")
      << with(&SearchCriteria::name, "O'Brien") << AllOpenWith("'%%'", "'%O''Brien%'");
}

void TestSearchStatement::statement() {
  QFETCH(SearchCriteria, criteria);
  QFETCH(QString, expected);
  QCOMPARE(BuildSearchStatement(criteria).sql, expected);
}

QTEST_APPLESS_MAIN(TestSearchStatement)
#include "tst_searchstatement.moc"
