// The search window and the result window: the statement of the worked examples, what each
// criterion finds, the result's positions and paging, and the ways back to the other windows.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "data/server.h"
#include "support/testsupport.h"
#include "ui/customer/frmcust.h"
#include "ui/program/module1.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/search/searchstatement.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"

Q_DECLARE_METATYPE(SearchCriteria)

namespace {

// Stored values that a careless statement would confuse: a type with and without its trailing
// blank, a sex of "NA", Null names, quotes (in a name and a key), CJK.
void Customers() {
  CreateDatabase();
  Sql("insert into customer (CID, Cust_name, Cust_sex, Cust_type, Cust_addhome, Cust_birthmonth, "
      "Cust_jobtype, Cust_addoffice, Cust_salary, Cust_marriage) values "
      "('K1', 'Wang Da', 'male', 'Customer', '1 Road', '5', 'Finance', '', 'under 100,000', "
      "'married'), ('K2', 'Chang', 'female', 'Potential ', '', '12', 'IT', 'Park 3', "
      "'above 2,000,000', 'unmarried'), ('K3', '陳大文', 'male', 'Potential', 'Road 9', '5', 'IT', "
      "null, null, null), ('K''4', 'O''Brien Nash', 'female', null, null, null, null, null, null, "
      "null), ('K5', null, 'NA', null, null, null, null, null, null, null), ('K6', null, "
      "'female', null, null, null, null, null, null, null)");
  InsertChild("family", "K2", {"husband", "Gao", "male"});
  InsertChild("family", "K1_", {"x", "Stranger"});
}

// Position, name, first family member (only two columns show) and first/previous/next/last.
QString Shown(frmSearchResult* w) {
  QString states;
  for (QPushButton* b : {w->cmdFirst, w->cmdPrevious, w->cmdNext, w->cmdLast})
    states += b->isEnabled() ? 'E' : 'D';
  return QStringLiteral("%1 ／ %2 %3 (%4) %5")
      .arg(w->lblCurrent->text(), w->lblTotal->text(), w->lblName->text(),
           w->msfgFamily->TextMatrix(1, 1) + w->msfgFamily->TextMatrix(1, 2), states);
}

}  // namespace

class TestSearch : public QObject {
  Q_OBJECT

 private slots:
  void workedExamples_data();
  void workedExamples();
  void criteria_data();
  void criteria();
  void resultPaging_data();
  void resultPaging();
  void secondSearchStartsOver();
  void waysBack_data();
  void waysBack();
};

void TestSearch::workedExamples_data() {
  QTest::addColumn<SearchCriteria>("criteria");
  QTest::addColumn<QString>("sql");
  auto row = [](const char* name, const SearchCriteria& criteria, const QString& sql) {
    QTest::newRow(name) << criteria << sql;
  };
  row("all open", SearchCriteria{"NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA"},
      "select CID from customer where ((((((((Cust_name like '%%')or("
      "Cust_sex='NA'))or (Cust_type='NA') ))or (Cust_birthmonth = 'NA'))"
      "or (Cust_jobtype = 'NA')))or (Cust_salary = 'NA'))or "
      "(Cust_marriage = 'NA')    ");
  row("Wang, male, Road, May",
      SearchCriteria{"Wang", "male", "NA", "Road", "5", "NA", "NA", "NA", "NA"},
      "select CID from customer where ((((((((Cust_name like '%Wang%')and(Cust_sex='male'))or "
      "(Cust_type='NA') )and (Cust_addhome like '%Road%'))and (Cust_birthmonth = '5'))or "
      "(Cust_jobtype = 'NA')))or (Cust_salary = 'NA'))or (Cust_marriage = 'NA')    ");
}

void TestSearch::workedExamples() {
  QFETCH(SearchCriteria, criteria);
  QFETCH(QString, sql);
  QCOMPARE(BuildSearchStatement(criteria).sql, sql);
}

// "control=text" types the text, "control>entry" picks the entry, "!statement" adds to the
// customers; the window then says how many it found and hands over exactly those keys.
void TestSearch::criteria_data() {
  QTest::addColumn<QStringList>("set");
  QTest::addColumn<QString>("found");
  auto row = [](const char* name, const QStringList& set, const char* found) {
    QTest::newRow(name) << set << found;
  };
  row("all open: every named customer, and one with a stored NA sex", {}, "K1 K2 K3 K'4 K5");
  row("name anywhere, any case (the NA sex matches an open sex)", {"txtCustname=ANG"}, "K1 K2 K5");
  row("CJK name fragment", {"txtCustname=大"}, "K3 K5");
  row("a quote in the name", {"txtCustname=O'B"}, "K'4 K5");
  row("lower-case na is a name, not open", {"txtCustname=na"}, "K'4 K5");
  row("picked sex", {"cmbCustsex>female"}, "K2 K'4");
  row("picked type with its blank", {"cmbCusttype>Potential "}, "K2");
  row("typed type without blank", {"cmbCusttype=Potential"}, "K3");
  row("home address", {"txtAddHome=road"}, "K1 K3");
  row("an empty home address is open", {"txtAddHome="}, "K1 K2 K3 K'4 K5");
  row("birth month", {"cmbBirthmonth>5"}, "K1 K3");
  row("typed job type", {"cmbJobtype=IT"}, "K2 K3");
  row("office address", {"txtAddoffice=park"}, "K2");
  row("salary", {"cmbSalary>above 2,000,000"}, "K2");
  row("marriage", {"cmbMarriage>married"}, "K1");
  row("name and sex", {"txtCustname=a", "cmbCustsex>male"}, "K1");
  row("nothing found", {"txtCustname=Nobody", "cmbCustsex>male"}, "");
  row("a quote reaches no one", {"cmbCustsex=x' or '1'='1"}, "");
  const QString odd = "!insert into customer (CID, Cust_name) values ('K7', 'Öz 5% a\\b')";
  row("a backslash is a plain character", {odd, "txtCustname=a\\b"}, "K5 K7");
  row("letters beyond A to Z match their own case only", {odd, "txtCustname=öz"}, "K5");
  row("A to Z match either case beside them", {odd, "txtCustname=Öz 5% A"}, "K5 K7");
}

void TestSearch::criteria() {
  QFETCH(QStringList, set);
  QFETCH(QString, found);
  TestEnv env;
  Customers();
  HandOverKeys({"stale"});
  frmSearch* w = Show<frmSearch>();
  for (const QString& criterion : set) {
    if (criterion.startsWith('!')) {
      Sql(criterion.mid(1));
      continue;
    }
    QWidget* control = Control<QWidget>(w, criterion.section(QRegularExpression("[=>]"), 0, 0));
    if (criterion.contains('>')) PickEntry(control, criterion.section('>', 1));
    if (!criterion.contains('>')) ReplaceText(control, criterion.section('=', 1));
  }
  ClickButton(w->cmdStart);
  const QStringList keys = found.split(' ', Qt::SkipEmptyParts);
  QCOMPARE(
      env.messages,
      QStringList{keys.isEmpty() ? "Non found！Please adjust the condition！"
                                 : QStringLiteral(" %1 items has be found！").arg(keys.size())});
  frmSearchResult* result = Loaded<frmSearchResult>();
  QCOMPARE(bool(result), !keys.isEmpty());
  if (keys.isEmpty()) return;
  QCOMPARE(HandedOver(), keys);
  QCOMPARE(Shown(result).section(' ', 0, 2), "1 ／ " + QString::number(keys.size()));
  QCOMPARE(result->CurrentCID, keys.first());
}

void TestSearch::resultPaging_data() {
  QTest::addColumn<QString>("clicks");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QString>("messages");
  auto row = [](const char* name, const char* clicks, const char* shown, const char* messages) {
    QTest::newRow(name) << clicks << shown << messages;
  };
  row("start", "", "1 ／ 3 Wang Da () EEEE", "");
  row("next shows the next one with its own list", "Next", "2 ／ 3 Chang (Gao) EEEE", "");
  row("next onto the last", "Next Next", "3 ／ 3 O'Brien Nash () EEEE", "");
  row("Bottom！ keeps the position", "Next Next Next", "3 ／ 3 O'Brien Nash () EEDD", "Bottom！");
  row("Top！ keeps the position", "Previous", "1 ／ 3 Wang Da () EDEE", "Top！");
  row("previous stays disabled after Top！", "Previous Next", "2 ／ 3 Chang (Gao) EDEE", "Top！");
  row("last", "Last", "3 ／ 3 O'Brien Nash () EEEE", "");
  row("first, then back and forth", "Last First Next Next Previous Previous",
      "1 ／ 3 Wang Da () DEEE", "");
  row("Bottom！ then Top！", "Last Next Previous Previous Previous", "1 ／ 3 Wang Da () EDED",
      "Bottom！/Top！");
}

void TestSearch::resultPaging() {
  QFETCH(QString, clicks);
  QFETCH(QString, shown);
  QFETCH(QString, messages);
  TestEnv env;
  Customers();
  HandOverKeys({"K1", "K2", "K'4"});
  frmSearchResult* w = Show<frmSearchResult>();
  for (const QString& click : clicks.split(' ', Qt::SkipEmptyParts))
    ClickButton(Control<QPushButton>(w, "cmd" + click));
  QCOMPARE(Shown(w), shown);
  QCOMPARE(env.messages.join('/'), messages);
}

// A second search while the result window is open starts it over on the new result's first match.
void TestSearch::secondSearchStartsOver() {
  TestEnv env;
  Customers();
  frmSearch* search = Show<frmSearch>();
  ClickButton(search->cmdStart);
  frmSearchResult* result = Loaded<frmSearchResult>();
  ClickButton(result->cmdLast);
  ClickButton(result->cmdNext);  // Bottom！: next and last disabled
  QVERIFY(search->cmdStart->isEnabled());
  ReplaceText(search->txtCustname, "ANG");
  ClickButton(search->cmdStart);
  QCOMPARE(Shown(Loaded<frmSearchResult>()), "1 ／ 3 Wang Da () EEEE");
}

// Leaving the result window (Exit or the title bar) enables the search window's Reset and Exit;
// leaving the search window shows the customer window browsing the whole table.
void TestSearch::waysBack_data() {
  QTest::addColumn<bool>("titleBar");
  QTest::addColumn<bool>("cut");  // a server ends the search window's session between searches
  auto row = [](const char* name, bool titleBar, bool cut) {
    QTest::newRow(name) << titleBar << cut;
  };
  row("Exit, Exit", false, false);
  row("title bar, title bar", true, false);
  row("Exit, Exit, session ended between searches", false, true);
}

void TestSearch::waysBack() {
  QFETCH(bool, titleBar);
  QFETCH(bool, cut);
  TestEnv env;
  Customers();
  frmCust* cust = Show<frmCust>();
  cust->Toolbar1->Press("next");
  cust->Toolbar1->Press("search");
  frmSearch* search = Loaded<frmSearch>();
  ReplaceText(search->txtCustname, "Chang");
  ClickButton(search->cmdStart);
  QVERIFY(!Loaded<frmCust>() && Loaded<frmSearchResult>());
  titleBar ? (void)Loaded<frmSearchResult>()->close()
           : ClickButton(Loaded<frmSearchResult>()->cmdExit);
  QVERIFY(!Loaded<frmSearchResult>());
  QVERIFY(search->Command1->isEnabled() && search->cmdEnd->isEnabled());
  QVERIFY(!search->cmdStart->isEnabled());
  ReplaceText(search->cmbMarriage, "nobody's");
  ClickButton(search->Command1);  // Reset: every criterion open again
  if (cut && !ServerUri().isEmpty()) {
    // The session that ran the search, and only that one, as a server restart would end it.
    QCOMPARE(Count("with s as materialized (select pid from pg_stat_activity where datname = "
                   "current_database() and pid <> pg_backend_pid() and left(query, 200) = "
                   "left(?, 200)) select count(*) from s where pg_terminate_backend(pid, 5000)",
                   {search->SqlSearch}),
             1);
  }
  ClickButton(search->cmdStart);
  QCOMPARE(env.messages.last(), QStringLiteral(" 5 items has be found！"));
  titleBar ? (void)search->close() : ClickButton(search->cmdEnd);
  QVERIFY(!Loaded<frmSearch>());
  cust = Loaded<frmCust>();
  QVERIFY(cust && cust->isVisible());
  QCOMPARE(cust->txtCID->text(), QStringLiteral("K1"));
  cust->Toolbar1->Press("last");
  QCOMPARE(cust->txtCID->text(), QStringLiteral("K6"));
  QVERIFY(env.ended == 0 && env.fatalStatus == 0);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
