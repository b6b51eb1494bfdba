#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "app/module1.h"
#include "data/schema.h"
#include "support/testsupport.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/listgrid.h"

namespace {

// Hands a result over as a search does and opens the result window on it.
frmSearchResult* OpenResult(const QStringList& keys) {
  ResultCIDs.clear();
  for (const QString& key : keys) ResultCIDs.append(key);
  ResultCount = int(keys.size());
  return Show<frmSearchResult>();
}

QList<QPushButton*> Navigation(const frmSearchResult* w) {
  return {w->cmdFirst, w->cmdPrevious, w->cmdNext, w->cmdLast};
}

// The states of first, previous, next and last as "EEDD" (enabled / disabled).
QString States(const frmSearchResult* w) {
  QString states;
  for (const QPushButton* button : Navigation(w))
    states += button->isEnabled() ? QLatin1Char('E') : QLatin1Char('D');
  return states;
}

}  // namespace

class TestResultWindow : public QObject {
  Q_OBJECT

 private slots:
  void showsEveryFieldOfTheFirstMatch();
  void oneMatch();
  void navigation_data();
  void navigation();
  void navigationLeavesNothingBehind();
  void listsShowTheFirstTwoColumns();
  void exactStatements_data();
  void exactStatements();
  void exitHandsBackToSearchWindow_data();
  void exitHandsBackToSearchWindow();
  void listLongerThan32767Rows();
  void salaryBracketsShowWhole();
};

void TestResultWindow::showsEveryFieldOfTheFirstMatch() {
  TestEnv env;
  CreateDatabase();
  QStringList columns = Tables().at(0).columns;  // in the order of the labels below
  columns.removeOne(QStringLiteral("CID"));
  QMap<QString, Value> row;
  for (const QString& column : columns) row[column] = QStringLiteral("v ") + column;
  row["Cust_name"] = QStringLiteral("陳大文");
  InsertCustomer("A001", row);
  frmSearchResult* w = OpenResult({"A001"});

  const QList<QLabel*> labels{w->lblName,       w->lblCusttype,   w->lblBirthyear, w->lblBirthmonth,
                              w->lblBirthday,   w->lblCustId,     w->lblSex,       w->lblBlood,
                              w->lblBirthplace, w->lblMarriage,   w->lblEmail,     w->lblTelHome,
                              w->lblCellphone,  w->lblOther,      w->lblAddHome,   w->lblCompany,
                              w->lblJobtype,    w->lblJobtitle,   w->lblJobgrade,  w->lblSalary,
                              w->lblTelcompany, w->lblFaxcompany, w->lblAddcompany};
  QSet<QString> captions;
  for (qsizetype i = 0; i < labels.size(); ++i) {
    QCOMPARE(labels[i]->text(), row[columns[i]].value());
    // A screen reader reads the value, described by its caption.
    QCOMPARE(labels[i]->accessibleName(), labels[i]->text());
    captions << labels[i]->accessibleDescription();
  }
  QCOMPARE(w->lblEmail->accessibleDescription(), QStringLiteral("Email"));
  QVERIFY(!captions.contains(QString()));
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(w->lblTotal->text(), QStringLiteral("1"));
  QCOMPARE(States(w), QStringLiteral("EEEE"));

  // The texts around the position, and the buttons that show only their pictures.
  QCOMPARE(w->windowTitle(), QStringLiteral("RESULT"));
  QCOMPARE(w->Label7->text(), QStringLiteral("Total："));
  QCOMPARE(w->Label15->text(), QStringLiteral("／"));
  QCOMPARE(w->SSTab1->currentIndex(), 0);
  for (const QPushButton* button : Navigation(w)) {
    QVERIFY(button->text().isEmpty() && !button->icon().isNull());
    QVERIFY(!button->accessibleName().isEmpty());
  }
}

void TestResultWindow::oneMatch() {
  TestEnv env;
  CreateDatabase();
  frmSearchResult* w = OpenResult(AddNumberedCustomers(1));
  // While the box is open, only the button pressed is disabled yet.
  QStringList whileOpen;
  env.onMessage = [&](const QString&) { whileOpen << States(w); };

  ClickButton(w->cmdNext);
  QCOMPARE(States(w), QStringLiteral("EEDD"));
  ClickButton(w->cmdPrevious);
  QCOMPARE(States(w), QStringLiteral("EDED"));
  QCOMPARE(env.messages, QStringList({"Bottom！", "Top！"}));
  QCOMPARE(whileOpen, QStringList({"EEDE", "EDDD"}));
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 1"));
  QCOMPARE(env.fatalStatus, 0);
}

void TestResultWindow::navigation_data() {
  QTest::addColumn<int>("count");
  QTest::addColumn<QString>("clicks");
  QTest::addColumn<int>("position");
  QTest::addColumn<QString>("states");
  QTest::addColumn<QStringList>("messages");
  QTest::newRow("next from the last but one") << 3 << "next next" << 3 << "EEEE" << QStringList();
  QTest::newRow("Bottom！ keeps position and customer")
      << 3 << "next next next" << 3 << "EEDD" << QStringList{"Bottom！"};
  QTest::newRow("Top！ keeps position and customer")
      << 3 << "previous" << 1 << "EDEE" << QStringList{"Top！"};
  QTest::newRow("previous stays disabled after Top！")
      << 3 << "previous next" << 2 << "EDEE" << QStringList{"Top！"};
  QTest::newRow("last") << 3 << "last" << 3 << "EEEE" << QStringList();
  QTest::newRow("first stays disabled")
      << 3 << "last first next next previous previous" << 1 << "DEEE" << QStringList();
  QTest::newRow("next stays disabled after Bottom！")
      << 3 << "last next previous previous" << 1 << "EEDD" << QStringList{"Bottom！"};
  QTest::newRow("until Top！") << 3 << "last next previous previous previous" << 1 << "EDED"
                               << QStringList{"Bottom！", "Top！"};
  QTest::newRow("two-digit positions")
      << 12 << "next next next next next next next next next" << 10 << "EEEE" << QStringList();
}

void TestResultWindow::navigation() {
  QFETCH(int, count);
  QFETCH(QString, clicks);
  QFETCH(int, position);
  QFETCH(QString, states);
  QFETCH(QStringList, messages);
  TestEnv env;
  CreateDatabase();
  frmSearchResult* w = OpenResult(AddNumberedCustomers(count));
  for (const QString& click : clicks.split(' ')) {
    QPushButton* button =
        w->findChild<QPushButton*>(QStringLiteral("cmd") + click.at(0).toUpper() + click.mid(1));
    QVERIFY(button);
    ClickButton(button);
  }
  QCOMPARE(w->lblCurrent->text(), QString::number(position));
  QCOMPARE(w->lblTotal->text(), QString::number(count));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer %1").arg(position));
  QCOMPARE(w->CurrentCID, QStringLiteral("K%1").arg(position));
  QCOMPARE(States(w), states);
  QCOMPARE(env.messages, messages);
}

void TestResultWindow::navigationLeavesNothingBehind() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer("A", {{"Cust_name", QStringLiteral("Many")},
                       {"Cust_email", QStringLiteral("a@example.com")},
                       {"Cust_sex", QStringLiteral("female")}});
  InsertCustomer("B", {{"Cust_name", QStringLiteral("Few")}});
  for (const char* name : {"Amy", "Ben", "Cat"}) InsertChild("family", "A", {"son", name});
  InsertChild("family", "B", {"wife", "Dora"});
  InsertChild("contact", "A", {"2024-01-02", "10:00"});
  // "GONE": a key whose customer was deleted by another program meanwhile.
  frmSearchResult* w = OpenResult({"A", "B", "GONE"});
  QCOMPARE(w->msfgFamily->Rows(), 5);
  QCOMPARE(w->msfgContact->Rows(), 3);
  w->SSTab1->setCurrentIndex(1);

  ClickButton(w->cmdNext);
  QCOMPARE(w->lblName->text(), QStringLiteral("Few"));
  QCOMPARE(w->lblEmail->text(), QString());  // Null e-mail
  QCOMPARE(w->lblSex->text(), QString());
  QCOMPARE(GridLines(w->msfgFamily), QStringList({"wife|Dora||||||", "|||||||"}));
  QCOMPARE(GridLines(w->msfgContact), QStringList({"|||||||"}));
  // Clearing leaves the current cell in the last column; the list still shows its two columns.
  QCOMPARE(w->msfgFamily->columnViewportPosition(0), 0);

  ClickButton(w->cmdNext);
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(env.messages.isEmpty());
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("3"));
  QCOMPARE(w->lblName->text(), QString());
  QCOMPARE(GridLines(w->msfgFamily), QStringList({"|||||||"}));

  ClickButton(w->cmdFirst);
  QCOMPARE(w->lblEmail->text(), QStringLiteral("a@example.com"));
  QCOMPARE(GridLines(w->msfgFamily),
           QStringList({"son|Amy||||||", "son|Ben||||||", "son|Cat||||||", "|||||||"}));
}

void TestResultWindow::listsShowTheFirstTwoColumns() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A", "Holder");
  InsertChild("insurance", "A", {"Life Co", "Term", "1000", "10", "P1", "me", "kid", "9", "cash"});
  InsertChild("insurance", "A", {"Car Co", "Auto"});
  InsertChild("family", "A", {Value(), QStringLiteral("Nameless relation")});
  InsertChild("compensate", "A", {"2023-05-01", "flood", "home"});
  // A tab inside a value stays in its own cell.
  InsertChild("contact", "A", {"2024-02-03", QStringLiteral("9\t30"), "office"});
  frmSearchResult* w = OpenResult({"A"});

  QCOMPARE(GridLines(w->msfgInsurlife),
           QStringList({"Life Co|Term|||||||||", "Car Co|Auto|||||||||", "||||||||||"}));
  QCOMPARE(GridLines(w->msfgFamily), QStringList({"|Nameless relation||||||", "|||||||"}));
  QCOMPARE(GridLines(w->msfgCompenlife), QStringList({"2023-05-01|flood|||||", "||||||"}));
  QCOMPARE(GridLines(w->msfgContact), QStringList({"2024-02-03|9\t30||||||", "|||||||"}));
}

void TestResultWindow::exactStatements_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("quoted");
  QTest::newRow("A001") << "A001"
                        << "'A001'";
  QTest::newRow("key with a quote") << "O'Neil"
                                    << "'O''Neil'";
}

void TestResultWindow::exactStatements() {
  QFETCH(QString, key);
  QFETCH(QString, quoted);
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer(key, "Wang");
  InsertSimpleCustomer("O", "Other");
  InsertChild("family", key, {"son", "Sean"});
  InsertChild("family", "O", {"wife", "Not hers"});
  frmSearchResult* w = OpenResult({key});
  QCOMPARE(w->SqlCustomer, "select * from customer where CID =" + quoted);
  QCOMPARE(w->SqlFamily, "select * from family where CID=" + quoted);
  QCOMPARE(w->lblName->text(), QStringLiteral("Wang"));
  QCOMPARE(GridLines(w->msfgFamily), QStringList({"son|Sean||||||", "|||||||"}));
  QCOMPARE(env.fatalStatus, 0);
}

void TestResultWindow::exitHandsBackToSearchWindow_data() {
  QTest::addColumn<bool>("titleBar");
  QTest::newRow("Exit") << false;
  QTest::newRow("title bar") << true;
}

void TestResultWindow::exitHandsBackToSearchWindow() {
  QFETCH(bool, titleBar);
  TestEnv env;
  CreateDatabase();
  frmSearch* search = Show<frmSearch>();
  frmSearchResult* w = OpenResult(AddNumberedCustomers(2));
  if (titleBar)
    w->close();
  else
    ClickButton(w->cmdExit);
  QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  QCOMPARE(Loaded<frmSearch>(), search);
  QVERIFY(search->Command1->isEnabled());
  QVERIFY(!search->cmdStart->isEnabled());
  QCOMPARE(env.ended, 0);
  QCOMPARE(env.fatalStatus, 0);
}

void TestResultWindow::listLongerThan32767Rows() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A", "Talkative");
  Sql("with recursive n(i) as (select 1 union all select i + 1 from n where i < 32800) "
      "insert into contact (CID, Cont_date, Cont_time) select 'A', 'day ' || i, 't' from n");
  frmSearchResult* w = OpenResult({"A"});
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(w->msfgContact->Rows(), 32802);
  QCOMPARE(w->msfgContact->TextMatrix(32800, 0), QStringLiteral("day 32800"));
}

void TestResultWindow::salaryBracketsShowWhole() {
  TestEnv env;
  CreateDatabase();
  QStringList keys;
  for (const char* bracket : {"1,500,000~2,000,000", "900,000~1,000,000", "above 2,000,000"}) {
    keys << QString::fromLatin1(bracket);
    InsertCustomer(keys.last(), {{"Cust_salary", keys.last()}});
  }
  frmSearchResult* w = OpenResult(keys);
  for (int i = 0; i < keys.size(); ++i) {
    if (i > 0) ClickButton(w->cmdNext);
    QCOMPARE(w->lblSalary->text(), keys[i]);
    QVERIFY(w->lblSalary->width() >=
            w->lblSalary->indent() + w->lblSalary->fontMetrics().horizontalAdvance(keys[i]));
    QVERIFY(w->lblSalary->geometry().right() < w->Frame2->width());  // never past its frame
  }
}

QTEST_MAIN(TestResultWindow)
#include "tst_resultwindow.moc"
