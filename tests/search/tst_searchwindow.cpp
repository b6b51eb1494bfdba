#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/module1.h"
#include "data/connection.h"
#include "support/testsupport.h"
#include "ui/customer/frmcust.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"

namespace {

const QString kAllOpen = QStringLiteral(
    "select CID from customer where ((((((((Cust_name like '%%')or(Cust_sex='NA'))or "
    "(Cust_type='NA') ))or (Cust_birthmonth = 'NA'))or (Cust_jobtype = 'NA')))or (Cust_salary = "
    "'NA'))or (Cust_marriage = 'NA')    ");
const QString kNoneFound = QStringLiteral("Non found！Please adjust the condition！");

void Click(QPushButton* button) {
  QTest::mouseClick(button, Qt::LeftButton);
}

// Replaces the text of a box as the agent does: select everything, type.
void Type(QLineEdit* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  if (text.isEmpty()) {
    QTest::keyClick(box, Qt::Key_Delete);
  } else if (text.toLatin1() == text.toUtf8()) {
    QTest::keyClicks(box, text);
  } else {
    // Chinese text arrives through the input method.
    QTest::keyClick(box, Qt::Key_Delete);
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
  }
}
void Type(QComboBox* combo, const QString& text) {
  Type(combo->lineEdit(), text);
}

// Picks an entry from the combo box's list.
void Pick(QComboBox* combo, const QString& entry) {
  const int index = combo->findText(entry);
  if (index < 0) qFatal("no entry %s", qPrintable(entry));
  combo->setCurrentIndex(index);
}

QList<QWidget*> Criteria(frmSearch* w) {
  return {w->txtCustname, w->cmbCustsex,   w->cmbCusttype, w->txtAddHome, w->cmbBirthmonth,
          w->cmbJobtype,  w->txtAddoffice, w->cmbSalary,   w->cmbMarriage};
}

QString TextOf(QWidget* control) {
  if (auto* box = qobject_cast<QLineEdit*>(control)) return box->text();
  return qobject_cast<QComboBox*>(control)->currentText();
}

QStringList Entries(const QComboBox* combo) {
  QStringList entries;
  for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
  return entries;
}

struct Buttons {
  bool search, reset, exit;
  bool operator==(const Buttons&) const = default;
};
Buttons States(const frmSearch* w) {
  return {w->cmdStart->isEnabled(), w->Command1->isEnabled(), w->cmdEnd->isEnabled()};
}

QVector<QString> HandOver(const QStringList& keys) {
  return QVector<QString>{QString()} + QVector<QString>(keys.begin(), keys.end());
}

void Customer(const QString& cid, const QMap<QString, Value>& columns) {
  QMap<QString, Value> row = columns;
  row["CID"] = cid;
  InsertCustomer(row);
}

// Makes sure nothing of an earlier test is handed over.
void ForgetHandOver() {
  ResultCIDs.clear();
  ResultCount = 0;
}

}  // namespace

class TestSearchWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() { ForgetHandOver(); }

  void freshWindow();
  void keyboardOrder();
  void allOpenSearchFindsEveryNamedCustomer();
  void criteriaSelect_data();
  void criteriaSelect();
  void storedSentinelIsFoundByAnOpenSearch();
  void quoteInCriterion();
  void nothingFoundKeepsHandOver();
  void resetRestoresCriteria();
  void secondSearchAfterResetDeliversOnlyItsKeys();
  void secondSearchWhileResultWindowIsOpen();
  void moreThan32766Matches();
  void searchClosesCustomerWindow();
  void exitBringsBackCustomerWindow();
  void exitClosesResultWindowFirst();
  void titleBarCloseIsExit();
};

void TestSearchWindow::freshWindow() {
  TestEnv env;
  CreateDatabase();
  frmSearch* w = Show<frmSearch>();
  QCOMPARE(w->windowTitle(), QStringLiteral("SEARCH"));
  for (QWidget* criterion : Criteria(w)) QCOMPARE(TextOf(criterion), QStringLiteral("NA"));
  QCOMPARE(States(w), (Buttons{true, false, false}));
  QCOMPARE(w->cmdStart->text(), QStringLiteral("Search"));
  QCOMPARE(w->Command1->text(), QStringLiteral("Reset"));
  QCOMPARE(w->cmdEnd->text(), QStringLiteral("Exit"));

  QCOMPARE(Entries(w->cmbCustsex), QStringList({"NA", "male", "female"}));
  QCOMPARE(Entries(w->cmbCusttype), QStringList({"NA", "Customer", "to-be", "Potential ", "Normal ",
                                                 "unfamilia", "family", "friend"}));
  QCOMPARE(Entries(w->cmbBirthmonth),
           QStringList({"NA", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}));
  QCOMPARE(Entries(w->cmbJobtype), QStringList());
  QCOMPARE(Entries(w->cmbSalary),
           QStringList({"NA", "under 100,000", "100,000~200,000", "200,000~300,000",
                        "300,000~400,000", "400,000~500,000", "500,000~600,000", "600,000~700,000",
                        "700,000~800,000", "800,000~900,000", "900,000~1,000,000",
                        "1,000,000~1,500,000", "1,500,000~2,000,000", "above 2,000,000"}));
  QCOMPARE(Entries(w->cmbMarriage),
           QStringList({"NA", "unmarried", "married", "divorce", "other"}));

  // Every criterion is announced with the caption above it.
  const std::pair<QLabel*, QWidget*> captions[] = {
      {w->Label1, w->txtCustname},  {w->Label2, w->cmbCustsex},    {w->lbl, w->cmbCusttype},
      {w->Label6, w->txtAddHome},   {w->Label3, w->cmbBirthmonth}, {w->Label7, w->cmbJobtype},
      {w->Label8, w->txtAddoffice}, {w->Label5, w->cmbSalary},     {w->Label9, w->cmbMarriage}};
  const QStringList texts{"Name",     "Sex",    "Customer Type", "Add(H)",        "Borthday(month)",
                          "Business", "Add(O)", "Income",        "Marital Status"};
  for (int i = 0; i < 9; ++i) {
    QCOMPARE(captions[i].first->text(), texts[i]);
    // The whole caption is readable.
    QVERIFY(captions[i].first->width() >= captions[i].first->sizeHint().width());
    QCOMPARE(captions[i].first->buddy(), captions[i].second);
    QCOMPARE(captions[i].second->accessibleName(), texts[i]);
  }
}

void TestSearchWindow::keyboardOrder() {
  TestEnv env;
  CreateDatabase();
  frmSearch* w = Show<frmSearch>();
  w->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(w));
  auto focused = [] {
    QWidget* widget = QApplication::focusWidget();
    if (widget && qobject_cast<QComboBox*>(widget->parentWidget())) widget = widget->parentWidget();
    return widget;
  };
  QCOMPARE(focused(), w->cmbCustsex);
  // Reset and Exit are disabled on a fresh window and take no focus.
  const QList<QWidget*> expected{w->txtCustname, w->cmbCusttype, w->cmdStart,   w->cmbBirthmonth,
                                 w->cmbSalary,   w->cmbJobtype,  w->txtAddHome, w->txtAddoffice,
                                 w->cmbMarriage, w->cmbCustsex};
  for (QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(focused(), next);
  }
}

void TestSearchWindow::allOpenSearchFindsEveryNamedCustomer() {
  TestEnv env;
  CreateDatabase();
  Customer("K1", {{"Cust_name", QStringLiteral("Wang")}, {"Cust_sex", QStringLiteral("male")}});
  Customer("K2", {{"Cust_sex", QStringLiteral("female")}});  // no name: not found
  Customer("K3", {{"Cust_name", QStringLiteral("林")}});
  Customer("K4", {{"Cust_name", QStringLiteral("")}});
  frmSearch* w = Show<frmSearch>();
  Click(w->cmdStart);

  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(w->SqlSearch, kAllOpen);
  QCOMPARE(env.messages, QStringList{" 3 items has be found！"});
  QCOMPARE(ResultCount, 3);
  QCOMPARE(ResultCIDs, HandOver({"K1", "K3", "K4"}));
  QCOMPARE(w->txtCustname->text(), QString());
  QCOMPARE(States(w), (Buttons{true, false, true}));
  QVERIFY(w->SearchConnection().IsOpen());

  frmSearchResult* result = Loaded<frmSearchResult>();
  QVERIFY(result);
  QVERIFY(result->isVisible());
  QCOMPARE(result->lblName->text(), QStringLiteral("Wang"));
  QCOMPARE(result->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(result->lblTotal->text(), QStringLiteral("3"));
}

void TestSearchWindow::criteriaSelect_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("picked");
  QTest::addColumn<QStringList>("found");

  // The customers the rows search among (see criteriaSelect).
  QTest::newRow("name anywhere") << "txtCustname"
                                 << "ang" << false << QStringList{"K1", "K2"};
  QTest::newRow("CJK name fragment") << "txtCustname"
                                     << "大" << false << QStringList{"K3"};
  QTest::newRow("name ignores ASCII case") << "txtCustname"
                                           << "WANG" << false << QStringList{"K1"};
  QTest::newRow("lower-case na is a name fragment") << "txtCustname"
                                                    << "na" << false << QStringList{"K4"};
  QTest::newRow("home address anywhere") << "txtAddHome"
                                         << "Road" << false << QStringList{"K1", "K3"};
  QTest::newRow("office address anywhere") << "txtAddoffice"
                                           << "park" << false << QStringList{"K2"};
  QTest::newRow("empty office address is open")
      << "txtAddoffice"
      << "" << false << QStringList{"K1", "K2", "K3", "K4"};
  QTest::newRow("picked sex") << "cmbCustsex"
                              << "female" << true << QStringList{"K2", "K4"};
  QTest::newRow("picked Potential with its blank") << "cmbCusttype"
                                                   << "Potential " << true << QStringList{"K3"};
  QTest::newRow("typed Potential without blank") << "cmbCusttype"
                                                 << "Potential" << false << QStringList{"K4"};
  QTest::newRow("picked month") << "cmbBirthmonth"
                                << "5" << true << QStringList{"K1"};
  QTest::newRow("typed job type") << "cmbJobtype"
                                  << "Finance" << false << QStringList{"K2"};
  QTest::newRow("job type compares exactly") << "cmbJobtype"
                                             << "finance" << false << QStringList();
  QTest::newRow("typed salary that is no entry") << "cmbSalary"
                                                 << "about 50k" << false << QStringList{"K3"};
  QTest::newRow("picked marriage") << "cmbMarriage"
                                   << "married" << true << QStringList{"K1", "K4"};
}

void TestSearchWindow::criteriaSelect() {
  QFETCH(QString, control);
  QFETCH(QString, text);
  QFETCH(bool, picked);
  QFETCH(QStringList, found);

  TestEnv env;
  CreateDatabase();
  Customer("K1", {{"Cust_name", QStringLiteral("Wang")},
                  {"Cust_sex", QStringLiteral("male")},
                  {"Cust_addhome", QStringLiteral("12 Road East")},
                  {"Cust_birthmonth", QStringLiteral("5")},
                  {"Cust_marriage", QStringLiteral("married")}});
  Customer("K2", {{"Cust_name", QStringLiteral("Fang")},
                  {"Cust_sex", QStringLiteral("female")},
                  {"Cust_jobtype", QStringLiteral("Finance")},
                  {"Cust_addoffice", QStringLiteral("1 Park Ave")}});
  Customer("K3", {{"Cust_name", QStringLiteral("陳大文")},
                  {"Cust_type", QStringLiteral("Potential ")},
                  {"Cust_addhome", QStringLiteral("Roadside 3")},
                  {"Cust_salary", QStringLiteral("about 50k")}});
  Customer("K4", {{"Cust_name", QStringLiteral("Nana")},
                  {"Cust_sex", QStringLiteral("female")},
                  {"Cust_type", QStringLiteral("Potential")},
                  {"Cust_marriage", QStringLiteral("married")}});

  frmSearch* w = Show<frmSearch>();
  QWidget* criterion = w->findChild<QWidget*>(control);
  QVERIFY(criterion);
  if (picked) {
    Pick(qobject_cast<QComboBox*>(criterion), text);
  } else if (auto* box = qobject_cast<QLineEdit*>(criterion)) {
    Type(box, text);
  } else {
    Type(qobject_cast<QComboBox*>(criterion), text);
  }
  QCOMPARE(TextOf(criterion), text);
  Click(w->cmdStart);
  QCOMPARE(env.fatalStatus, 0);

  if (found.isEmpty()) {
    QCOMPARE(env.messages, QStringList{kNoneFound});
    QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  } else {
    QCOMPARE(env.messages,
             QStringList{QStringLiteral(" %1 items has be found！").arg(found.size())});
    QCOMPARE(ResultCIDs, HandOver(found));
    QCOMPARE(ResultCount, found.size());
  }
}

void TestSearchWindow::storedSentinelIsFoundByAnOpenSearch() {
  // The open criteria compare with 'NA' through "or", left to right: a customer without a name
  // whose sex was typed as "NA" elsewhere matches an all-open search.
  TestEnv env;
  CreateDatabase();
  Customer("K1", {{"Cust_sex", QStringLiteral("NA")}});
  Customer("K2", {{"Cust_sex", QStringLiteral("male")}});
  frmSearch* w = Show<frmSearch>();
  Click(w->cmdStart);
  QCOMPARE(env.messages, QStringList{" 1 items has be found！"});
  QCOMPARE(ResultCIDs, HandOver({"K1"}));
}

void TestSearchWindow::quoteInCriterion() {
  TestEnv env;
  CreateDatabase();
  Customer("K1", {{"Cust_name", QStringLiteral("O'Brien")}});
  Customer("K2", {{"Cust_name", QStringLiteral("OBrien")}});
  Customer("K3", {{"Cust_name", QStringLiteral("Wang")}, {"Cust_marriage", QStringLiteral("x')")}});
  frmSearch* w = Show<frmSearch>();
  Type(w->txtCustname, QStringLiteral("O'B"));
  Click(w->cmdStart);
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(env.messages, QStringList{" 1 items has be found！"});
  QCOMPARE(ResultCIDs, HandOver({"K1"}));
  QCOMPARE(w->txtCustname->text(), QStringLiteral("O'B"));

  // A text that would close the literal early selects only what it says.
  Click(Loaded<frmSearchResult>()->cmdExit);
  Click(w->Command1);
  Type(w->cmbMarriage, QStringLiteral("x')"));
  Click(w->cmdStart);
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(ResultCIDs, HandOver({"K3"}));
}

void TestSearchWindow::nothingFoundKeepsHandOver() {
  TestEnv env;
  CreateDatabase();
  Customer("K1", {{"Cust_name", QStringLiteral("Wang")}});
  Customer("K2", {{"Cust_name", QStringLiteral("Lin")}});
  frmSearch* w = Show<frmSearch>();
  Click(w->cmdStart);
  QCOMPARE(ResultCIDs, HandOver({"K1", "K2"}));
  Click(Loaded<frmSearchResult>()->cmdExit);
  QCOMPARE(States(w), (Buttons{false, true, true}));
  Click(w->Command1);

  Type(w->txtCustname, QStringLiteral("Nobody"));
  Click(w->cmdStart);
  QCOMPARE(env.messages.last(), kNoneFound);
  QCOMPARE(ResultCIDs, HandOver({"K1", "K2"}));
  QCOMPARE(ResultCount, 2);
  QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  QCOMPARE(States(w), (Buttons{false, true, true}));
  QCOMPARE(w->txtCustname->text(), QStringLiteral("Nobody"));
}

void TestSearchWindow::resetRestoresCriteria() {
  TestEnv env;
  CreateDatabase();
  frmSearch* w = Show<frmSearch>();
  Type(w->txtCustname, QStringLiteral("NA"));
  Pick(w->cmbCustsex, QStringLiteral("male"));
  Pick(w->cmbCusttype, QStringLiteral("friend"));
  Type(w->txtAddHome, QStringLiteral("Road"));
  Pick(w->cmbBirthmonth, QStringLiteral("12"));
  Type(w->cmbJobtype, QStringLiteral("IT"));
  Type(w->txtAddoffice, QString());
  Type(w->cmbSalary, QStringLiteral("lots"));
  Pick(w->cmbMarriage, QStringLiteral("other"));
  Click(w->cmdStart);
  QCOMPARE(env.messages, QStringList{kNoneFound});
  // The open name was emptied by the search.
  QCOMPARE(w->txtCustname->text(), QString());
  QCOMPARE(States(w), (Buttons{false, true, true}));
  QVERIFY(w->SearchConnection().IsOpen());

  Click(w->Command1);
  for (QWidget* criterion : Criteria(w)) QCOMPARE(TextOf(criterion), QStringLiteral("NA"));
  QCOMPARE(States(w), (Buttons{true, false, false}));
  QVERIFY(!w->SearchConnection().IsOpen());
  QCOMPARE(env.fatalStatus, 0);
}

void TestSearchWindow::secondSearchAfterResetDeliversOnlyItsKeys() {
  TestEnv env;
  CreateDatabase();
  for (int i = 1; i <= 4; ++i)
    Customer(QStringLiteral("K%1").arg(i),
             {{"Cust_name", QStringLiteral("Name %1").arg(i)},
              {"Cust_sex", i % 2 ? QStringLiteral("male") : QStringLiteral("female")}});
  frmSearch* w = Show<frmSearch>();
  Click(w->cmdStart);
  QCOMPARE(ResultCount, 4);
  Click(Loaded<frmSearchResult>()->cmdExit);
  Click(w->Command1);

  Pick(w->cmbCustsex, QStringLiteral("female"));
  Click(w->cmdStart);
  QCOMPARE(env.messages.last(), QStringLiteral(" 2 items has be found！"));
  QCOMPARE(ResultCIDs, HandOver({"K2", "K4"}));
  QCOMPARE(ResultCount, 2);
  frmSearchResult* result = Loaded<frmSearchResult>();
  QCOMPARE(result->lblTotal->text(), QStringLiteral("2"));
  QCOMPARE(result->lblName->text(), QStringLiteral("Name 2"));
}

void TestSearchWindow::secondSearchWhileResultWindowIsOpen() {
  TestEnv env;
  CreateDatabase();
  Customer("K1", {{"Cust_name", QStringLiteral("Wang")}});
  Customer("K2", {{"Cust_name", QStringLiteral("Lin")}});
  Customer("K3", {{"Cust_name", QStringLiteral("Chen")}});
  frmSearch* w = Show<frmSearch>();
  Click(w->cmdStart);
  frmSearchResult* result = Loaded<frmSearchResult>();
  Click(result->cmdLast);
  Click(result->cmdNext);  // "Bottom！": next and last disabled
  Click(result->cmdFirst);
  QVERIFY(!result->cmdFirst->isEnabled());
  QVERIFY(!result->cmdNext->isEnabled());

  // "Search" is still enabled after a search that found customers.
  QVERIFY(w->cmdStart->isEnabled());
  Type(w->txtCustname, QStringLiteral("Lin"));
  Click(w->cmdStart);
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(env.messages.last(), QStringLiteral(" 1 items has be found！"));
  QCOMPARE(Loaded<frmSearchResult>(), result);
  QCOMPARE(result->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(result->lblTotal->text(), QStringLiteral("1"));
  QCOMPARE(result->lblName->text(), QStringLiteral("Lin"));
  QVERIFY(result->cmdFirst->isEnabled());
  QVERIFY(result->cmdPrevious->isEnabled());
  QVERIFY(result->cmdNext->isEnabled());
  QVERIFY(result->cmdLast->isEnabled());
  // Paging stays inside the new result.
  Click(result->cmdNext);
  QCOMPARE(env.messages.last(), QStringLiteral("Bottom！"));
  QCOMPARE(result->lblName->text(), QStringLiteral("Lin"));
}

void TestSearchWindow::moreThan32766Matches() {
  TestEnv env;
  CreateDatabase();
  Sql("with recursive n(i) as (select 1 union all select i + 1 from n where i < 33000) "
      "insert into customer (CID, Cust_name) select 'C' || i, 'Name ' || i from n");
  frmSearch* w = Show<frmSearch>();
  Click(w->cmdStart);
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(env.messages, QStringList{" 33000 items has be found！"});
  QCOMPARE(ResultCount, 33000);
  QCOMPARE(ResultCIDs.value(33000), QStringLiteral("C33000"));
  frmSearchResult* result = Loaded<frmSearchResult>();
  Click(result->cmdLast);
  QCOMPARE(result->lblCurrent->text(), QStringLiteral("33000"));
  QCOMPARE(result->lblName->text(), QStringLiteral("Name 33000"));
}

void TestSearchWindow::searchClosesCustomerWindow() {
  TestEnv env;
  CreateDatabase();
  Customer("K1", {{"Cust_name", QStringLiteral("Wang")}});
  Show<frmCust>();
  frmSearch* w = Show<frmSearch>();
  QVERIFY(Loaded<frmCust>());
  Click(w->cmdStart);
  QCOMPARE(Loaded<frmCust>(), nullptr);
  QVERIFY(Loaded<frmSearchResult>());
  QCOMPARE(env.ended, 0);
}

void TestSearchWindow::exitBringsBackCustomerWindow() {
  TestEnv env;
  CreateDatabase();
  Customer("K1", {{"Cust_name", QStringLiteral("First")}});
  Customer("K2", {{"Cust_name", QStringLiteral("Second")}});
  frmSearch* w = Show<frmSearch>();
  Pick(w->cmbCustsex, QStringLiteral("female"));
  Click(w->cmdStart);  // nothing found: Exit enabled
  QCOMPARE(env.messages, QStringList{kNoneFound});
  Click(w->cmdEnd);
  QCOMPARE(Loaded<frmSearch>(), nullptr);
  frmCust* cust = Loaded<frmCust>();
  QVERIFY(cust);
  QVERIFY(cust->isVisible());
  QCOMPARE(cust->txtName->text(), QStringLiteral("First"));
  QCOMPARE(env.ended, 0);
  QCOMPARE(env.fatalStatus, 0);
}

void TestSearchWindow::exitClosesResultWindowFirst() {
  TestEnv env;
  CreateDatabase();
  Customer("K1", {{"Cust_name", QStringLiteral("First")}});
  Customer("K2", {{"Cust_name", QStringLiteral("Second")}});
  frmSearch* w = Show<frmSearch>();
  Type(w->txtCustname, QStringLiteral("Second"));
  Click(w->cmdStart);
  QVERIFY(Loaded<frmSearchResult>());
  Click(w->cmdEnd);
  QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  QCOMPARE(Loaded<frmSearch>(), nullptr);
  QCOMPARE(env.messages, QStringList{" 1 items has be found！"});
  // The customer window browses the whole table again, from its first customer.
  frmCust* cust = Loaded<frmCust>();
  QVERIFY(cust);
  QCOMPARE(cust->txtName->text(), QStringLiteral("First"));
  QCOMPARE(env.ended, 0);
  QCOMPARE(env.fatalStatus, 0);
}

void TestSearchWindow::titleBarCloseIsExit() {
  TestEnv env;
  CreateDatabase();
  Customer("K1", {{"Cust_name", QStringLiteral("First")}});
  // Closed before any search: no connection was ever opened.
  frmSearch* w = Show<frmSearch>();
  w->close();
  QCOMPARE(Loaded<frmSearch>(), nullptr);
  QVERIFY(Loaded<frmCust>());
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(env.ended, 0);

  // Closed with the result window open: both go, the customer window comes back.
  UnloadAllWindows();
  w = Show<frmSearch>();
  Click(w->cmdStart);
  QVERIFY(Loaded<frmSearchResult>());
  w->close();
  QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  QCOMPARE(Loaded<frmSearch>(), nullptr);
  QCOMPARE(Loaded<frmCust>()->txtName->text(), QStringLiteral("First"));
  QCOMPARE(env.fatalStatus, 0);
}

QTEST_MAIN(TestSearchWindow)
#include "tst_searchwindow.moc"
