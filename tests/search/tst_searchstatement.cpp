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

class TestSearchStatement : public QObject {
  Q_OBJECT

 private slots:
  void statement_data();
  void statement();
  void openNameIsEmptied_data();
  void openNameIsEmptied();
  void fragmentsAreKept();
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

  QTest::newRow("all open") << open << kAllOpen;
  QTest::newRow("worked example: Wang, male, Road, May")
      << SearchCriteria{"Wang", "male", "NA", "Road", "5", "NA", "NA", "NA", "NA"}
      << QStringLiteral(
             "select CID from customer where ((((((((Cust_name like '%Wang%')and(Cust_sex='male'))"
             "or (Cust_type='NA') )and (Cust_addhome like '%Road%'))and (Cust_birthmonth = '5'))"
             "or (Cust_jobtype = 'NA')))or (Cust_salary = 'NA'))or (Cust_marriage = 'NA')    ");
  QTest::newRow("name emptied by hand is the open name")
      << with(&SearchCriteria::name, "") << kAllOpen;

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
  QTest::newRow("salary alone") << with(&SearchCriteria::salary, "under 100,000")
                                << AllOpenWith("or (Cust_salary = 'NA')",
                                               "and (Cust_salary = 'under 100,000')");
  QTest::newRow("marriage alone") << with(&SearchCriteria::marriage, "married")
                                  << AllOpenWith("or (Cust_marriage = 'NA')",
                                                 "and (Cust_marriage = 'married')");

  QTest::newRow("lower-case na in the name is searched for")
      << with(&SearchCriteria::name, "na") << AllOpenWith("'%%'", "'%na%'");
  QTest::newRow("Na as sex is a set criterion")
      << with(&SearchCriteria::sex, "Na") << AllOpenWith("or(Cust_sex='NA')", "and(Cust_sex='Na')");
  QTest::newRow("empty home address adds nothing")
      << with(&SearchCriteria::addHome, "") << kAllOpen;
  QTest::newRow("empty office address adds nothing")
      << with(&SearchCriteria::addOffice, "") << kAllOpen;
  QTest::newRow("lower-case na as address is searched for")
      << with(&SearchCriteria::addOffice, "na")
      << AllOpenWithAddress(1, "and (Cust_addoffice like '%na%')");
  QTest::newRow("typed salary that is no entry")
      << with(&SearchCriteria::salary, "about 50k")
      << AllOpenWith("or (Cust_salary = 'NA')", "and (Cust_salary = 'about 50k')");
  QTest::newRow("empty combo text is a set criterion")
      << with(&SearchCriteria::jobtype, "")
      << AllOpenWith("or (Cust_jobtype = 'NA')", "and (Cust_jobtype = '')");

  QTest::newRow("quote in the name is doubled")
      << with(&SearchCriteria::name, "O'Brien") << AllOpenWith("'%%'", "'%O''Brien%'");
  QTest::newRow("quote that would end the literal")
      << with(&SearchCriteria::marriage, "x') or (1=1")
      << AllOpenWith("or (Cust_marriage = 'NA')", "and (Cust_marriage = 'x'') or (1=1')");
  QTest::newRow("quotes in an address")
      << with(&SearchCriteria::addHome, "'';")
      << AllOpenWithAddress(0, "and (Cust_addhome like '%'''';%')");
  QTest::newRow("NUL characters are removed")
      << with(&SearchCriteria::name, QStringLiteral("Wa") + QChar(0) + QStringLiteral("ng"))
      << AllOpenWith("'%%'", "'%Wang%'");
}

void TestSearchStatement::statement() {
  QFETCH(SearchCriteria, criteria);
  QFETCH(QString, expected);
  QCOMPARE(BuildSearchStatement(criteria).sql, expected);
}

void TestSearchStatement::openNameIsEmptied_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("after");
  QTest::newRow("NA") << "NA"
                      << "";
  QTest::newRow("na stays") << "na"
                            << "na";
  QTest::newRow("empty") << ""
                         << "";
  QTest::newRow("a name stays") << "Wang"
                                << "Wang";
  QTest::newRow("a name with a quote stays as typed") << "O'Brien"
                                                      << "O'Brien";
}

void TestSearchStatement::openNameIsEmptied() {
  QFETCH(QString, name);
  QFETCH(QString, after);
  QCOMPARE(BuildSearchStatement({name, "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA"}).name,
           after);
}

void TestSearchStatement::fragmentsAreKept() {
  const SearchStatement s =
      BuildSearchStatement({"Wang", "male", "NA", "Road", "5", "NA", "", "NA", "NA"});
  QCOMPARE(s.condName, QStringLiteral("(Cust_name like '%Wang%')"));
  QCOMPARE(s.condSex, QStringLiteral("and(Cust_sex='male')"));
  QCOMPARE(s.condType, QStringLiteral("or (Cust_type='NA') "));
  QCOMPARE(s.condAddHome, QStringLiteral("and (Cust_addhome like '%Road%')"));
  QCOMPARE(s.condBirthmonth, QStringLiteral("and (Cust_birthmonth = '5')"));
  QCOMPARE(s.condAddOffice, QString());
}

QTEST_APPLESS_MAIN(TestSearchStatement)
#include "tst_searchstatement.moc"
