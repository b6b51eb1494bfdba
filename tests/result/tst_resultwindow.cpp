#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "app/module1.h"
#include "support/testsupport.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/listgrid.h"

namespace {

// Hands a result over as a search does and opens the result window on it.
frmSearchResult* OpenResult(const QStringList& keys) {
  ResultCIDs = QVector<QString>{QString()} + QVector<QString>(keys.begin(), keys.end());
  ResultCount = int(keys.size());
  return Show<frmSearchResult>();
}

void Click(QPushButton* button) {
  QTest::mouseClick(button, Qt::LeftButton);
}

struct Buttons {
  bool first, previous, next, last;
  bool operator==(const Buttons&) const = default;
};

Buttons States(const frmSearchResult* w) {
  return {w->cmdFirst->isEnabled(), w->cmdPrevious->isEnabled(), w->cmdNext->isEnabled(),
          w->cmdLast->isEnabled()};
}

// Customers K1 .. Kn named "Customer 1" ...
QStringList MakeCustomers(int count) {
  QStringList keys;
  for (int i = 1; i <= count; ++i) {
    keys << QStringLiteral("K%1").arg(i);
    InsertSimpleCustomer(keys.last(), QStringLiteral("Customer %1").arg(i));
  }
  return keys;
}

}  // namespace

class TestResultWindow : public QObject {
  Q_OBJECT

 private slots:
  void layout();
  void showsEveryFieldOfTheFirstMatch();
  void oneMatch();
  void nextFromLastButOneThenBottom();
  void topKeepsPositionAndCustomer();
  void firstStaysDisabled();
  void nextStaysDisabledAfterBottomUntilTop();
  void positionsArePlainDigits();
  void navigationReplacesTheLists();
  void nullEmailEmptiesTheLabel();
  void listsShowTheFirstTwoColumns();
  void exactStatements();
  void keyWithQuote();
  void keyWithoutCustomerRow();
  void exitHandsBackToSearchWindow();
  void titleBarCloseIsExit();
  void valueLabelsReadTheirValue();
  void listLongerThan32767Rows();
  void filledColumnsStayInView();
  void offeredSalaryBracketsShowWhole();
};

void TestResultWindow::layout() {
  TestEnv env;
  CreateDatabase();
  frmSearchResult* w = OpenResult(MakeCustomers(1));

  QCOMPARE(w->windowTitle(), QStringLiteral("RESULT"));
  QCOMPARE(w->Label7->text(), QStringLiteral("Total："));
  QCOMPARE(w->Label15->text(), QStringLiteral("／"));
  QCOMPARE(w->cmdExit->text(), QStringLiteral("Exit"));
  QCOMPARE(w->SSTab1->count(), 5);
  QCOMPARE(w->SSTab1->currentIndex(), 0);
  const QStringList tabs{"Individual", "Family", "Insurance", "Compensation", "Contact"};
  for (int i = 0; i < 5; ++i) QCOMPARE(w->SSTab1->tabText(i), tabs[i]);
  QCOMPARE(w->Frame1->title(), QStringLiteral("Personal"));
  QCOMPARE(w->Frame2->title(), QStringLiteral("Company"));

  QCOMPARE(Headings(w->msfgFamily), QStringList({"Title", "Name", "Sex", "ID", "Birthday",
                                                 "Insurance Age", "Occupation", "Comment"}));
  QCOMPARE(Headings(w->msfgInsurlife),
           QStringList({"Insurer", "Product", "Coverage", "Period", "Insur_No", "Policyholder",
                        "Beneficiary", "Premium", "Payment", "Effective date", "Anniversary"}));
  QCOMPARE(Headings(w->msfgCompenlife),
           QStringList({"Date", "Reason", "Location", "Item", "Compensation", "Insurer", "State"}));
  QCOMPARE(Headings(w->msfgContact),
           QStringList({"Date", "Time", "Add", "Method", "Subject", "Context", "Type", "Comment"}));

  // The navigation buttons show only their pictures; screen readers get their names.
  const std::pair<QPushButton*, const char*> navigation[] = {{w->cmdFirst, "first"},
                                                             {w->cmdPrevious, "previous"},
                                                             {w->cmdNext, "next"},
                                                             {w->cmdLast, "last"}};
  for (const auto& [button, name] : navigation) {
    QVERIFY(button->text().isEmpty());
    QCOMPARE(button->accessibleName(), QString::fromLatin1(name));
    QVERIFY(!button->icon().isNull());
  }
  // Controls are found by their object names.
  for (const char* name : {"lblName", "lblCusttype", "lblAddcompany", "msfgContact", "cmdFirst",
                           "lblCurrent", "lblTotal"})
    QVERIFY(w->findChild<QWidget*>(QString::fromLatin1(name)));
}

void TestResultWindow::showsEveryFieldOfTheFirstMatch() {
  TestEnv env;
  CreateDatabase();
  const QStringList columns{
      "Cust_name",      "Cust_type",    "Cust_birthyear", "Cust_birthmonth", "Cust_birthday",
      "Cust_id",        "Cust_sex",     "Cust_blood",     "Cust_birthplace", "Cust_marriage",
      "Cust_email",     "Cust_telhome", "Cust_cellphone", "Cust_otherphone", "Cust_addhome",
      "Cust_company",   "Cust_jobtype", "Cust_jobtitle",  "Cust_jobgrade",   "Cust_salary",
      "Cust_teloffice", "Cust_fax",     "Cust_addoffice"};
  QMap<QString, Value> row{{"CID", QStringLiteral("A001")}};
  for (const QString& column : columns) row[column] = QStringLiteral("v ") + column;
  row["Cust_name"] = QStringLiteral("陳大文");
  InsertCustomer(row);
  frmSearchResult* w = OpenResult({"A001"});

  const QList<QLabel*> labels{w->lblName,       w->lblCusttype,   w->lblBirthyear, w->lblBirthmonth,
                              w->lblBirthday,   w->lblCustId,     w->lblSex,       w->lblBlood,
                              w->lblBirthplace, w->lblMarriage,   w->lblEmail,     w->lblTelHome,
                              w->lblCellphone,  w->lblOther,      w->lblAddHome,   w->lblCompany,
                              w->lblJobtype,    w->lblJobtitle,   w->lblJobgrade,  w->lblSalary,
                              w->lblTelcompany, w->lblFaxcompany, w->lblAddcompany};
  QCOMPARE(labels.size(), columns.size());
  for (qsizetype i = 0; i < labels.size(); ++i)
    QCOMPARE(labels[i]->text(), row[columns[i]].value());
  // The key itself is shown nowhere; the ID label holds the identity number.
  QCOMPARE(w->lblCustId->text(), QStringLiteral("v Cust_id"));
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(w->lblTotal->text(), QStringLiteral("1"));
  QCOMPARE(States(w), (Buttons{true, true, true, true}));
}

void TestResultWindow::oneMatch() {
  TestEnv env;
  CreateDatabase();
  frmSearchResult* w = OpenResult(MakeCustomers(1));
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(w->lblTotal->text(), QStringLiteral("1"));

  // While the box is open, only the button pressed is disabled yet.
  QList<Buttons> whileOpen;
  env.onMessage = [&](const QString&) { whileOpen << States(w); };

  Click(w->cmdNext);
  QCOMPARE(env.messages, QStringList{"Bottom！"});
  QCOMPARE(whileOpen.last(), (Buttons{true, true, false, true}));
  QCOMPARE(States(w), (Buttons{true, true, false, false}));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 1"));

  Click(w->cmdPrevious);
  QCOMPARE(env.messages, QStringList({"Bottom！", "Top！"}));
  QCOMPARE(whileOpen.last(), (Buttons{true, false, false, false}));
  QCOMPARE(States(w), (Buttons{true, false, true, false}));
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 1"));
  QCOMPARE(env.fatalStatus, 0);
}

void TestResultWindow::nextFromLastButOneThenBottom() {
  TestEnv env;
  CreateDatabase();
  frmSearchResult* w = OpenResult(MakeCustomers(3));
  Click(w->cmdNext);
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("2"));
  Click(w->cmdNext);
  QVERIFY(env.messages.isEmpty());
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("3"));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 3"));
  QCOMPARE(States(w), (Buttons{true, true, true, true}));

  Click(w->cmdNext);
  QCOMPARE(env.messages, QStringList{"Bottom！"});
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("3"));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 3"));
  QCOMPARE(w->CurrentCID, QStringLiteral("K3"));
  QCOMPARE(States(w), (Buttons{true, true, false, false}));
}

void TestResultWindow::topKeepsPositionAndCustomer() {
  TestEnv env;
  CreateDatabase();
  frmSearchResult* w = OpenResult(MakeCustomers(3));
  Click(w->cmdPrevious);
  QCOMPARE(env.messages, QStringList{"Top！"});
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 1"));
  QCOMPARE(States(w), (Buttons{true, false, true, true}));
  // Stepping forward still works and does not enable "previous" again.
  Click(w->cmdNext);
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 2"));
  QCOMPARE(States(w), (Buttons{true, false, true, true}));
}

void TestResultWindow::firstStaysDisabled() {
  TestEnv env;
  CreateDatabase();
  frmSearchResult* w = OpenResult(MakeCustomers(3));
  Click(w->cmdLast);
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("3"));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 3"));
  QCOMPARE(States(w), (Buttons{true, true, true, true}));

  Click(w->cmdFirst);
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 1"));
  QCOMPARE(States(w), (Buttons{false, true, true, true}));

  Click(w->cmdNext);
  Click(w->cmdNext);
  Click(w->cmdPrevious);
  Click(w->cmdPrevious);
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 1"));
  QVERIFY(!w->cmdFirst->isEnabled());
  QVERIFY(env.messages.isEmpty());
}

void TestResultWindow::nextStaysDisabledAfterBottomUntilTop() {
  TestEnv env;
  CreateDatabase();
  frmSearchResult* w = OpenResult(MakeCustomers(3));
  Click(w->cmdLast);
  Click(w->cmdNext);
  QCOMPARE(env.messages, QStringList{"Bottom！"});
  Click(w->cmdPrevious);
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("2"));
  QCOMPARE(States(w), (Buttons{true, true, false, false}));
  Click(w->cmdPrevious);
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(States(w), (Buttons{true, true, false, false}));
  Click(w->cmdPrevious);
  QCOMPARE(env.messages, QStringList({"Bottom！", "Top！"}));
  QCOMPARE(States(w), (Buttons{true, false, true, false}));
}

void TestResultWindow::positionsArePlainDigits() {
  TestEnv env;
  CreateDatabase();
  frmSearchResult* w = OpenResult(MakeCustomers(12));
  QCOMPARE(w->lblTotal->text(), QStringLiteral("12"));
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("1"));
  for (int i = 0; i < 9; ++i) Click(w->cmdNext);
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("10"));
  Click(w->cmdLast);
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("12"));
  QCOMPARE(w->lblName->text(), QStringLiteral("Customer 12"));
}

void TestResultWindow::navigationReplacesTheLists() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A", "Many");
  InsertSimpleCustomer("B", "Few");
  for (const char* name : {"Amy", "Ben", "Cat"})
    InsertChild("family", "A", {QStringLiteral("son"), QString::fromLatin1(name)});
  InsertChild("family", "B", {QStringLiteral("wife"), QStringLiteral("Dora")});
  InsertChild("contact", "A", {QStringLiteral("2024-01-02"), QStringLiteral("10:00")});
  frmSearchResult* w = OpenResult({"A", "B"});
  QCOMPARE(w->msfgFamily->Rows(), 5);
  QCOMPARE(w->msfgContact->Rows(), 3);

  Click(w->cmdNext);
  QCOMPARE(GridLines(w->msfgFamily), QStringList({"wife|Dora||||||", "|||||||"}));
  QCOMPARE(GridLines(w->msfgContact), QStringList({"|||||||"}));
  QCOMPARE(w->msfgFamily->TextMatrix(0, 0), QStringLiteral("Title"));

  Click(w->cmdPrevious);
  QCOMPARE(GridLines(w->msfgFamily),
           QStringList({"son|Amy||||||", "son|Ben||||||", "son|Cat||||||", "|||||||"}));
}

void TestResultWindow::nullEmailEmptiesTheLabel() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer({{"CID", QStringLiteral("A")},
                  {"Cust_name", QStringLiteral("With mail")},
                  {"Cust_email", QStringLiteral("a@example.com")}});
  InsertCustomer({{"CID", QStringLiteral("B")}, {"Cust_name", QStringLiteral("No mail")}});
  frmSearchResult* w = OpenResult({"A", "B"});
  QCOMPARE(w->lblEmail->text(), QStringLiteral("a@example.com"));
  Click(w->cmdNext);
  QCOMPARE(w->lblName->text(), QStringLiteral("No mail"));
  QCOMPARE(w->lblEmail->text(), QString());
  QCOMPARE(w->lblSex->text(), QString());
}

void TestResultWindow::listsShowTheFirstTwoColumns() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A", "Holder");
  InsertChild("insurance", "A", {"Life Co", "Term", "1000", "10", "P1", "me", "kid", "9", "cash"});
  InsertChild("insurance", "A", {"Fire Co", "House", "2000"});
  InsertChild("insurance", "A", {"Car Co", "Auto"});
  InsertChild("family", "A", {Value(), QStringLiteral("Nameless relation")});
  InsertChild("compensate", "A", {"2023-05-01", "flood", "home"});
  // A tab inside a value stays in its own cell.
  InsertChild("contact", "A", {"2024-02-03", QStringLiteral("9\t30")});
  frmSearchResult* w = OpenResult({"A"});

  QCOMPARE(GridLines(w->msfgInsurlife),
           QStringList({"Life Co|Term|||||||||", "Fire Co|House|||||||||", "Car Co|Auto|||||||||",
                        "||||||||||"}));
  QCOMPARE(GridLines(w->msfgFamily), QStringList({"|Nameless relation||||||", "|||||||"}));
  QCOMPARE(GridLines(w->msfgCompenlife), QStringList({"2023-05-01|flood|||||", "||||||"}));
  QCOMPARE(w->msfgContact->TextMatrix(1, 0), QStringLiteral("2024-02-03"));
  QCOMPARE(w->msfgContact->TextMatrix(1, 1), QStringLiteral("9\t30"));
  QCOMPARE(w->msfgContact->TextMatrix(1, 2), QString());
}

void TestResultWindow::exactStatements() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "Wang");
  frmSearchResult* w = OpenResult({"A001"});
  QCOMPARE(w->SqlCustomer, QStringLiteral("select * from customer where CID ='A001'"));
  QCOMPARE(w->SqlFamily, QStringLiteral("select * from family where CID='A001'"));
  QCOMPARE(w->SqlInsurance, QStringLiteral("select * from insurance where CID='A001'"));
  QCOMPARE(w->SqlCompensate, QStringLiteral("select * from compensate where CID='A001'"));
  QCOMPARE(w->SqlContact, QStringLiteral("select * from contact where CID='A001'"));
}

void TestResultWindow::keyWithQuote() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("O'Neil", "Quoted");
  InsertSimpleCustomer("O", "Other");
  InsertChild("family", "O'Neil", {"son", "Sean"});
  InsertChild("family", "O", {"wife", "Not hers"});
  frmSearchResult* w = OpenResult({"O'Neil"});
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(w->lblName->text(), QStringLiteral("Quoted"));
  QCOMPARE(GridLines(w->msfgFamily), QStringList({"son|Sean||||||", "|||||||"}));
  QCOMPARE(w->SqlCustomer, QStringLiteral("select * from customer where CID ='O''Neil'"));
}

void TestResultWindow::keyWithoutCustomerRow() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer({{"CID", QStringLiteral("A")},
                  {"Cust_name", QStringLiteral("Present")},
                  {"Cust_email", QStringLiteral("p@example.com")}});
  InsertChild("family", "A", {"son", "Kid"});
  // Gone meanwhile, but its orphaned list rows must not show either way.
  frmSearchResult* w = OpenResult({"A", "GONE"});
  Click(w->cmdNext);
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(env.messages.isEmpty());
  QCOMPARE(w->lblCurrent->text(), QStringLiteral("2"));
  QCOMPARE(w->lblName->text(), QString());
  QCOMPARE(w->lblEmail->text(), QString());
  QCOMPARE(GridLines(w->msfgFamily), QStringList({"|||||||"}));
  Click(w->cmdPrevious);
  QCOMPARE(w->lblName->text(), QStringLiteral("Present"));
  QCOMPARE(GridLines(w->msfgFamily), QStringList({"son|Kid||||||", "|||||||"}));
}

void TestResultWindow::exitHandsBackToSearchWindow() {
  TestEnv env;
  CreateDatabase();
  frmSearch* search = Show<frmSearch>();
  frmSearchResult* w = OpenResult(MakeCustomers(2));
  Click(w->cmdExit);
  QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  QCOMPARE(Loaded<frmSearch>(), search);
  QVERIFY(search->Command1->isEnabled());
  QVERIFY(!search->cmdStart->isEnabled());
  QCOMPARE(env.ended, 0);
  QCOMPARE(env.fatalStatus, 0);
}

void TestResultWindow::titleBarCloseIsExit() {
  TestEnv env;
  CreateDatabase();
  frmSearch* search = Show<frmSearch>();
  frmSearchResult* w = OpenResult(MakeCustomers(1));
  w->close();
  QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  QVERIFY(search->Command1->isEnabled());
  QVERIFY(!search->cmdStart->isEnabled());
  QCOMPARE(env.ended, 0);
}

void TestResultWindow::valueLabelsReadTheirValue() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer({{"CID", QStringLiteral("A")},
                  {"Cust_name", QStringLiteral("Lin")},
                  {"Cust_email", QStringLiteral("lin@example.com")}});
  frmSearchResult* w = OpenResult({"A"});
  QCOMPARE(w->lblName->accessibleName(), QStringLiteral("Lin"));
  QCOMPARE(w->lblName->accessibleDescription(), QStringLiteral("Name"));
  QCOMPARE(w->lblEmail->accessibleName(), QStringLiteral("lin@example.com"));
  QCOMPARE(w->lblEmail->accessibleDescription(), QStringLiteral("Email"));
  QCOMPARE(w->lblCustId->accessibleDescription(), QStringLiteral("ID"));
  QCOMPARE(w->lblAddcompany->accessibleDescription(), QStringLiteral("Add(O)"));
  QCOMPARE(w->lblCurrent->accessibleName(), QStringLiteral("1"));
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

void TestResultWindow::filledColumnsStayInView() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A", "First");
  InsertSimpleCustomer("B", "Second");
  InsertChild("family", "B", {"son", "Kid"});
  frmSearchResult* w = OpenResult({"A", "B"});
  w->SSTab1->setCurrentIndex(1);
  QVERIFY(w->msfgFamily->isVisible());
  // Clearing leaves the current cell in the last column; the list must still show the two
  // columns it fills.
  Click(w->cmdNext);
  QCOMPARE(w->msfgFamily->TextMatrix(1, 1), QStringLiteral("Kid"));
  QCOMPARE(w->msfgFamily->columnViewportPosition(0), 0);
}

void TestResultWindow::offeredSalaryBracketsShowWhole() {
  TestEnv env;
  CreateDatabase();
  QStringList keys;
  for (const char* bracket : {"1,500,000~2,000,000", "900,000~1,000,000", "above 2,000,000"}) {
    keys << QString::fromLatin1(bracket);
    InsertCustomer({{"CID", keys.last()}, {"Cust_salary", keys.last()}});
  }
  frmSearchResult* w = OpenResult(keys);
  for (int i = 0; i < keys.size(); ++i) {
    if (i > 0) Click(w->cmdNext);
    QCOMPARE(w->lblSalary->text(), keys[i]);
    QVERIFY(w->lblSalary->width() >=
            w->lblSalary->indent() + w->lblSalary->fontMetrics().horizontalAdvance(keys[i]));
    // It never grows past its frame.
    QVERIFY(w->lblSalary->geometry().right() < w->Frame2->width());
  }
}

QTEST_MAIN(TestResultWindow)
#include "tst_resultwindow.moc"
