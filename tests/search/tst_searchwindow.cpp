#include <QApplication>
#include <QComboBox>
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

const QString kNoneFound = QStringLiteral("Non found！Please adjust the condition！");

QString Found(int count) {
  return QStringLiteral(" %1 items has be found！").arg(count);
}

QList<QWidget*> Criteria(frmSearch* w) {
  return {w->txtCustname, w->cmbCustsex,   w->cmbCusttype, w->txtAddHome, w->cmbBirthmonth,
          w->cmbJobtype,  w->txtAddoffice, w->cmbSalary,   w->cmbMarriage};
}

// The states of Search, Reset and Exit as "EDD" (enabled / disabled).
QString States(const frmSearch* w) {
  QString states;
  for (const QPushButton* button : {w->cmdStart, w->Command1, w->cmdEnd})
    states += button->isEnabled() ? QLatin1Char('E') : QLatin1Char('D');
  return states;
}

// A fresh database and the search window on it, with nothing of an earlier test handed over.
frmSearch* OpenSearch() {
  CreateDatabase();
  ResultCIDs.clear();
  ResultCount = 0;
  return Show<frmSearch>();
}

// Leaves the result window and resets the criteria, ready for the next search.
void BackAndReset(frmSearch* w) {
  ClickButton(Loaded<frmSearchResult>()->cmdExit);
  ClickButton(w->Command1);
}

}  // namespace

class TestSearchWindow : public QObject {
  Q_OBJECT

 private slots:
  void freshWindow();
  void keyboardOrder();
  void allOpenSearchFindsEveryNamedCustomer();
  void criteriaSelect_data();
  void criteriaSelect();
  void nothingFoundKeepsHandOverResetStartsAnew();
  void secondSearchWhileResultWindowIsOpen();
  void moreThan32766Matches();
  void exitShowsTheCustomerWindow_data();
  void exitShowsTheCustomerWindow();
};

void TestSearchWindow::freshWindow() {
  TestEnv env;
  frmSearch* w = OpenSearch();
  for (QWidget* criterion : Criteria(w)) QCOMPARE(ShownText(criterion), QStringLiteral("NA"));
  QCOMPARE(States(w), QStringLiteral("EDD"));
  // The entries whose trailing blanks matter for the search.
  QStringList types;
  for (int i = 0; i < w->cmbCusttype->count(); ++i) types << w->cmbCusttype->itemText(i);
  QCOMPARE(types, QStringList({"NA", "Customer", "to-be", "Potential ", "Normal ", "unfamilia",
                               "family", "friend"}));
  // Every criterion is announced with its caption, which is shown whole.
  const QList<QLabel*> labels = w->findChildren<QLabel*>();
  for (QWidget* criterion : Criteria(w)) {
    const auto caption = std::find_if(labels.begin(), labels.end(),
                                      [&](QLabel* label) { return label->buddy() == criterion; });
    QVERIFY2(caption != labels.end(), qPrintable(criterion->objectName()));
    QVERIFY(!(*caption)->text().isEmpty());
    QCOMPARE(criterion->accessibleName(), (*caption)->text());
    QVERIFY2((*caption)->width() >= (*caption)->sizeHint().width(), qPrintable((*caption)->text()));
  }
}

void TestSearchWindow::keyboardOrder() {
  TestEnv env;
  frmSearch* w = OpenSearch();
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
  frmSearch* w = OpenSearch();
  InsertCustomer("K1",
                 {{"Cust_name", QStringLiteral("Wang")}, {"Cust_sex", QStringLiteral("male")}});
  InsertCustomer("K2", {{"Cust_sex", QStringLiteral("female")}});  // no name: not found
  InsertCustomer("K3", {{"Cust_name", QStringLiteral("林")}});
  InsertCustomer("K4", {{"Cust_name", QStringLiteral("")}});
  // A stored sex of "NA" (typed elsewhere) matches the open criteria, combined left to right.
  InsertCustomer("K5", {{"Cust_sex", QStringLiteral("NA")}});
  ClickButton(w->cmdStart);

  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(env.messages, QStringList{Found(4)});
  QCOMPARE(ResultCount, 4);
  QCOMPARE(ResultCIDs.toVector(), ResultKeys({"K1", "K3", "K4", "K5"}));
  QCOMPARE(w->txtCustname->text(), QString());
  QCOMPARE(States(w), QStringLiteral("EDE"));
  frmSearchResult* result = Loaded<frmSearchResult>();
  QVERIFY(result && result->isVisible());
  QCOMPARE(result->lblName->text(), QStringLiteral("Wang"));
  QCOMPARE(result->lblTotal->text(), QStringLiteral("4"));
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
  QTest::newRow("name with a quote") << "txtCustname"
                                     << "O'B" << false << QStringList{"K4"};
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
  QTest::newRow("typed salary that is no entry") << "cmbSalary"
                                                 << "about 50k" << false << QStringList{"K3"};
  QTest::newRow("picked marriage, none found") << "cmbMarriage"
                                               << "divorce" << true << QStringList();
}

void TestSearchWindow::criteriaSelect() {
  QFETCH(QString, control);
  QFETCH(QString, text);
  QFETCH(bool, picked);
  QFETCH(QStringList, found);

  TestEnv env;
  frmSearch* w = OpenSearch();
  InsertCustomer("K1", {{"Cust_name", QStringLiteral("Wang")},
                        {"Cust_sex", QStringLiteral("male")},
                        {"Cust_addhome", QStringLiteral("12 Road East")},
                        {"Cust_birthmonth", QStringLiteral("5")}});
  InsertCustomer("K2", {{"Cust_name", QStringLiteral("Fang")},
                        {"Cust_sex", QStringLiteral("female")},
                        {"Cust_jobtype", QStringLiteral("Finance")},
                        {"Cust_addoffice", QStringLiteral("1 Park Ave")}});
  InsertCustomer("K3", {{"Cust_name", QStringLiteral("陳大文")},
                        {"Cust_type", QStringLiteral("Potential ")},
                        {"Cust_addhome", QStringLiteral("Roadside 3")},
                        {"Cust_salary", QStringLiteral("about 50k")}});
  InsertCustomer("K4", {{"Cust_name", QStringLiteral("O'Brien")},
                        {"Cust_sex", QStringLiteral("female")},
                        {"Cust_type", QStringLiteral("Potential")}});

  QWidget* criterion = w->findChild<QWidget*>(control);
  QVERIFY(criterion);
  if (picked)
    PickEntry(criterion, text);
  else
    ReplaceText(criterion, text);
  ClickButton(w->cmdStart);
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(ShownText(criterion), text);
  if (found.isEmpty()) {
    QCOMPARE(env.messages, QStringList{kNoneFound});
    QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  } else {
    QCOMPARE(env.messages, QStringList{Found(int(found.size()))});
    QCOMPARE(ResultCIDs.toVector(), ResultKeys(found));
    QCOMPARE(ResultCount, found.size());
  }
}

void TestSearchWindow::nothingFoundKeepsHandOverResetStartsAnew() {
  TestEnv env;
  frmSearch* w = OpenSearch();
  AddNumberedCustomers(2);
  ClickButton(w->cmdStart);
  QCOMPARE(ResultCIDs.toVector(), ResultKeys({"K1", "K2"}));
  BackAndReset(w);

  // Every criterion set: none matches.
  ReplaceText(w->txtCustname, QStringLiteral("NA"));
  PickEntry(w->cmbCustsex, QStringLiteral("male"));
  PickEntry(w->cmbCusttype, QStringLiteral("friend"));
  ReplaceText(w->txtAddHome, QStringLiteral("Road"));
  PickEntry(w->cmbBirthmonth, QStringLiteral("12"));
  ReplaceText(w->cmbJobtype, QStringLiteral("IT"));
  ReplaceText(w->txtAddoffice, QString());
  ReplaceText(w->cmbSalary, QStringLiteral("lots"));
  PickEntry(w->cmbMarriage, QStringLiteral("other"));
  ClickButton(w->cmdStart);
  QCOMPARE(env.messages.last(), kNoneFound);
  QCOMPARE(ResultCIDs.toVector(), ResultKeys({"K1", "K2"}));
  QCOMPARE(ResultCount, 2);
  QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  QCOMPARE(States(w), QStringLiteral("DEE"));
  QCOMPARE(w->txtCustname->text(), QString());  // the open name was emptied

  ClickButton(w->Command1);
  for (QWidget* criterion : Criteria(w)) QCOMPARE(ShownText(criterion), QStringLiteral("NA"));
  QCOMPARE(States(w), QStringLiteral("EDD"));
  QVERIFY(!w->SearchConnection().IsOpen());

  // The next search delivers only its own keys.
  ReplaceText(w->txtCustname, QStringLiteral("Customer 2"));
  ClickButton(w->cmdStart);
  QCOMPARE(env.messages.last(), Found(1));
  QCOMPARE(ResultCIDs.toVector(), ResultKeys({"K2"}));
  QCOMPARE(ResultCount, 1);
  QCOMPARE(Loaded<frmSearchResult>()->lblName->text(), QStringLiteral("Customer 2"));
  QCOMPARE(env.fatalStatus, 0);
}

void TestSearchWindow::secondSearchWhileResultWindowIsOpen() {
  TestEnv env;
  frmSearch* w = OpenSearch();
  InsertSimpleCustomer("K1", "Wang");
  InsertSimpleCustomer("K2", "Lin");
  InsertSimpleCustomer("K3", "Chen");
  ClickButton(w->cmdStart);
  frmSearchResult* result = Loaded<frmSearchResult>();
  ClickButton(result->cmdLast);
  ClickButton(result->cmdNext);   // "Bottom！": next and last disabled
  ClickButton(result->cmdFirst);  // first disabled

  // "Search" is still enabled after a search that found customers.
  ReplaceText(w->txtCustname, QStringLiteral("Lin"));
  ClickButton(w->cmdStart);
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(env.messages.last(), Found(1));
  QCOMPARE(Loaded<frmSearchResult>(), result);
  QCOMPARE(result->lblCurrent->text(), QStringLiteral("1"));
  QCOMPARE(result->lblTotal->text(), QStringLiteral("1"));
  QCOMPARE(result->lblName->text(), QStringLiteral("Lin"));
  for (const QPushButton* button :
       {result->cmdFirst, result->cmdPrevious, result->cmdNext, result->cmdLast})
    QVERIFY(button->isEnabled());
  // Paging stays inside the new result.
  ClickButton(result->cmdNext);
  QCOMPARE(env.messages.last(), QStringLiteral("Bottom！"));
  QCOMPARE(result->lblName->text(), QStringLiteral("Lin"));
}

void TestSearchWindow::moreThan32766Matches() {
  TestEnv env;
  frmSearch* w = OpenSearch();
  Sql("with recursive n(i) as (select 1 union all select i + 1 from n where i < 33000) "
      "insert into customer (CID, Cust_name) select 'C' || i, 'Name ' || i from n");
  ClickButton(w->cmdStart);
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(env.messages, QStringList{Found(33000)});
  QCOMPARE(ResultCIDs.value(33000), QStringLiteral("C33000"));
  frmSearchResult* result = Loaded<frmSearchResult>();
  ClickButton(result->cmdLast);
  QCOMPARE(result->lblCurrent->text(), QStringLiteral("33000"));
  QCOMPARE(result->lblName->text(), QStringLiteral("Name 33000"));
}

void TestSearchWindow::exitShowsTheCustomerWindow_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("titleBar");
  QTest::newRow("Exit after nothing was found") << "Nobody" << false;
  QTest::newRow("Exit while the result window is open") << "Second" << false;
  QTest::newRow("title bar before any search") << "" << true;
  QTest::newRow("title bar while the result window is open") << "Second" << true;
}

void TestSearchWindow::exitShowsTheCustomerWindow() {
  QFETCH(QString, name);
  QFETCH(bool, titleBar);
  TestEnv env;
  frmSearch* w = OpenSearch();
  InsertSimpleCustomer("K1", "First");
  InsertSimpleCustomer("K2", "Second");
  if (!name.isEmpty()) {
    ReplaceText(w->txtCustname, name);
    ClickButton(w->cmdStart);
    QCOMPARE(bool(Loaded<frmSearchResult>()), name == QLatin1String("Second"));
  }
  if (titleBar)
    w->close();
  else
    ClickButton(w->cmdEnd);
  QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  QCOMPARE(Loaded<frmSearch>(), nullptr);
  frmCust* cust = Loaded<frmCust>();
  QVERIFY(cust && cust->isVisible());
  QCOMPARE(cust->txtName->text(), QStringLiteral("First"));
  QCOMPARE(env.ended, 0);
  QCOMPARE(env.fatalStatus, 0);
}

QTEST_MAIN(TestSearchWindow)
#include "tst_searchwindow.moc"
