// The customer commands new, modify, save, delete, exit and search, driven through the toolbar,
// and what they leave in the database. Odd keys (quotes, duplicates, empty, renamed) are tried
// in tests/reliability/tst_badinput.cpp, the shortcuts in tst_navigation.cpp.

#include <QRegularExpression>

#include "app/module1.h"
#include "custtest.h"
#include "ui/search/frmsearch.h"

using namespace custtest;

namespace {

const Value Null;

// The whole database as text, to prove that a failed command changed nothing.
QString Dump() {
  QString dump;
  for (const TableLayout& table : Tables()) {
    dump += table.name + ":\n";
    for (const auto& row :
         Rows(QStringLiteral("select rowid,* from %1 order by rowid").arg(table.name))) {
      QStringList cells;
      for (const Value& v : row) cells << (v ? "'" + *v + "'" : QStringLiteral("NULL"));
      dump += cells.join(',') + '\n';
    }
  }
  return dump;
}

int Customers() {
  return Count("select count(*) from customer");
}

// Alice (A001) with two family rows and a contact, Bob (A002) with one family row.
void TwoCustomers() {
  CreateDatabase();
  InsertCustomer(FullCustomer("A001", "Alice"));
  InsertCustomer(FullCustomer("A002", "Bob"));
  InsertChild("family", "A001", {"wife", "Ann", "", "", "", "", "", ""});
  InsertChild("family", "A001", {"son", "Al", "", "", "", "", "", ""});
  InsertChild("contact", "A001", {"2001", "", "", "", "", "", "", ""});
  InsertChild("family", "A002", {"daughter", "Bea", "", "", "", "", "", ""});
}

// A list row of n cells, Null but for the cells given.
QVector<Value> Cells(int n, const QMap<int, QString>& set) {
  QVector<Value> row(n, Null);
  for (auto it = set.begin(); it != set.end(); ++it) row[it.key()] = it.value();
  return row;
}

}  // namespace

class TestCustomerCommands : public QObject {
  Q_OBJECT

 private slots:
  void editingModes_data();
  void editingModes();
  void save_newStoresInputsAsShown();
  void save_newStoresGridEntries();
  void save_modifyListsBecomeGridEntries();
  void newSaveThenDelete_deletesThatCustomer();
  void modifySaveTwice_writesTheShownRow();
  void delete_removesCustomerAndLists();
  void delete_keyShared_keepsLists();
  void failure_data();
  void failure();
  void emptyTable_noCommandFailsAndNothingIsLost();
  void exit_data();
  void exit();
  void search_opensOneSearchWindow();
};

void TestCustomerCommands::editingModes_data() {
  QTest::addColumn<QString>("mode");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QStringList>("family");
  QTest::newRow("new empties and unlocks") << "new"
                                           << "" << QStringList{};
  QTest::newRow("modify unlocks the shown customer")
      << "modify"
      << "Alice" << QStringList{"wife|Ann||||||", "son|Al||||||"};
}

void TestCustomerCommands::editingModes() {
  QFETCH(QString, mode);
  QFETCH(QString, name);
  QFETCH(QStringList, family);
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, mode);
  QCOMPARE(window->NewMode, mode == "new");
  QCOMPARE(window->ModifyMode, mode == "modify");
  for (QWidget* input : Inputs(window))
    QVERIFY2(input->isEnabled(), qPrintable(input->objectName()));
  QCOMPARE(window->txtName->text(), name);
  QCOMPARE(window->cmbBlood->currentText(), QString(name.isEmpty() ? "" : "A001-blood"));
  QCOMPARE(GridEntries(window->msfgFamily), family);
  for (const List& list : Lists(window)) QCOMPARE(Headings(list.grid).size(), list.grid->Cols());
  QCOMPARE(EditStates(window), QStringLiteral("DDEDE"));
  QVERIFY(env.messages.isEmpty());
  QCOMPARE(Dump().count('\n'), 5 + 2 + 4);
}

void TestCustomerCommands::save_newStoresInputsAsShown() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "new");
  TypeInto(window->txtCID, "C001");
  TypeInto(window->txtName, "陳大文");
  window->cmbCusttype->setCurrentIndex(2);  // picked: "Potential "
  TypeInto(window->cmbSex, "na");           // typed, not an entry
  window->cmbBirthyear->setCurrentIndex(40);
  TypeInto(window->cmbBirthmonth, "13");
  window->cmbSalary->setCurrentIndex(12);
  TypeInto(window->cmbJobtype, "insurance broker");
  TypeInto(window->txtAddHome, "台北市 'quoted' 100%");
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  const QMap<QString, Value> row = CustomerRow("C001");
  QCOMPARE(row["Cust_name"], Value("陳大文"));
  QCOMPARE(row["Cust_type"], Value("Potential "));
  QCOMPARE(row["Cust_sex"], Value("na"));
  QCOMPARE(row["Cust_birthyear"], Value("1970"));
  QCOMPARE(row["Cust_birthmonth"], Value("13"));
  QCOMPARE(row["Cust_salary"], Value("above 2,000,000"));
  QCOMPARE(row["Cust_jobtype"], Value("insurance broker"));
  QCOMPARE(row["Cust_addhome"], Value("台北市 'quoted' 100%"));
  // Inputs left empty store the empty text, not Null.
  for (const char* column : {"Cust_email", "Cust_blood", "Cust_birthday", "Cust_fax",
                             "Cust_jobgrade", "Cust_addoffice", "Cust_id"})
    QCOMPARE(row[column], Value(QString()));
  // Exactly one customer row and no list rows were added.
  QCOMPARE(Customers(), 3);
  for (const char* table : {"family", "insurance", "compensate", "contact"})
    QCOMPARE(ChildRows(table, "C001").size(), 0);
  // Browsing again, locked, with the saved values on screen.
  QVERIFY(!window->NewMode && !window->ModifyMode);
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
  for (QWidget* input : Inputs(window)) QVERIFY(!input->isEnabled());
  QCOMPARE(window->txtName->text(), QStringLiteral("陳大文"));
  QCOMPARE(window->cmbCusttype->currentText(), QStringLiteral("Potential "));
  QVERIFY(!window->txtInput->isVisible());
}

void TestCustomerCommands::save_newStoresGridEntries() {
  TestEnv env;
  CreateDatabase();
  frmCust* window = OpenWindow();
  Press(window, "new");
  TypeInto(window->txtCID, "N1");

  // Family: a row emptied again after it opened the next entry row is stored as Nulls; the
  // empty entry row below it is not stored.
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 0, "x");
  ClickCell(window->msfgFamily, 1, 1);
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 0, "");
  QCOMPARE(window->msfgFamily->Rows(), 3);

  // Insurance: a partly filled entry, then an entry row filled without clicking its second
  // field (no new entry row opened): both are stored.
  TypeIntoCell(window->msfgInsurlife, window->txtInputInsur, 1, 0, "Cathay");
  ClickCell(window->msfgInsurlife, 1, 1);
  TypeIntoCell(window->msfgInsurlife, window->txtInputInsur, 1, 2, "100");
  TypeIntoCell(window->msfgInsurlife, window->txtInputInsur, 2, 0, "Fubon");
  QCOMPARE(window->msfgInsurlife->Rows(), 3);

  // Contact: only a later column of the entry row holds text.
  TypeIntoCell(window->msfgContact, window->txtInputCon, 1, 3, "phone");

  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(ChildRows("family", "N1"), QVector<QVector<Value>>{Cells(8, {})});
  QCOMPARE(
      ChildRows("insurance", "N1"),
      (QVector<QVector<Value>>{Cells(11, {{0, "Cathay"}, {2, "100"}}), Cells(11, {{0, "Fubon"}})}));
  QCOMPARE(ChildRows("compensate", "N1").size(), 0);
  QCOMPARE(ChildRows("contact", "N1"), QVector<QVector<Value>>{Cells(8, {{3, "phone"}})});
  // Every stored list row carries the key.
  QCOMPARE(Count("select count(*) from insurance"), 2);
}

void TestCustomerCommands::save_modifyListsBecomeGridEntries() {
  TestEnv env;
  TwoCustomers();
  InsertChild("insurance", "A001", {"old", "", "", "", "", "", "", "", "", "", ""});
  frmCust* window = OpenWindow();
  Press(window, "modify");
  TypeIntoCell(window->msfgFamily, window->txtInput, 2, 1, "Alfred");
  TypeIntoCell(window->msfgFamily, window->txtInput, 3, 0, "daughter");
  ClickCell(window->msfgFamily, 3, 1);
  TypeIntoCell(window->msfgFamily, window->txtInput, 3, 1, "Amy");
  // The agent has no way to remove a line; a list cut back to its two rows stands for one
  // whose lines are all gone.
  window->msfgInsurlife->SetRows(2);
  for (int col = 0; col < window->msfgInsurlife->Cols(); ++col)
    window->msfgInsurlife->SetTextMatrix(1, col, QString());
  const QString bob = Dump().split('\n').filter("'A002'").join('\n');
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(ChildRows("family", "A001"),
           (QVector<QVector<Value>>{Cells(8, {{0, "wife"}, {1, "Ann"}}),
                                    Cells(8, {{0, "son"}, {1, "Alfred"}}),
                                    Cells(8, {{0, "daughter"}, {1, "Amy"}})}));
  QCOMPARE(ChildRows("insurance", "A001").size(), 0);
  QCOMPARE(ChildRows("contact", "A001"), QVector<QVector<Value>>{Cells(8, {{0, "2001"}})});
  // Bob's rows are untouched.
  QCOMPARE(Dump().split('\n').filter("'A002'").join('\n'), bob);
  QCOMPARE(Customers(), 2);
}

// The fault the saved customer staying current fixes: the delete acted on the first row.
void TestCustomerCommands::newSaveThenDelete_deletesThatCustomer() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "new");
  TypeInto(window->txtCID, "C003");
  TypeInto(window->txtName, "Carol");
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 0, "husband");
  TypeIntoCell(window->msfgContact, window->txtInputCon, 1, 0, "2005");
  Press(window, "save");
  QCOMPARE(ChildRows("family", "C003").size(), 1);
  const QString before = Dump();
  Press(window, "delete");
  QCOMPARE(env.messages, (QStringList{"Finish", "Finish"}));
  QVERIFY(CustomerRow("C003").isEmpty());
  // Only Carol's rows went.
  QStringList gone = before.split('\n');
  for (const QString& line : Dump().split('\n')) gone.removeOne(line);
  QCOMPARE(gone.size(), 3);
  QVERIFY2(gone.filter("'C003'").size() == 3, qPrintable(gone.join('\n')));
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
}

void TestCustomerCommands::modifySaveTwice_writesTheShownRow() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "next");
  Press(window, "modify");
  TypeInto(window->txtName, "Bobby");
  Press(window, "save");
  Press(window, "modify");
  TypeInto(window->txtEmail, "bobby@example.com");
  Press(window, "save");
  QCOMPARE(env.messages, (QStringList{"Finish", "Finish"}));
  QCOMPARE(*CustomerRow("A002")["Cust_name"], QStringLiteral("Bobby"));
  QCOMPARE(*CustomerRow("A002")["Cust_email"], QStringLiteral("bobby@example.com"));
  QCOMPARE(CustomerRow("A001"), FullCustomer("A001", "Alice"));
  QCOMPARE(ChildRows("family", "A001").size(), 2);
  QCOMPARE(ChildRows("family", "A002").size(), 1);
  QCOMPARE(Customers(), 2);
}

void TestCustomerCommands::delete_removesCustomerAndLists() {
  TestEnv env;
  TwoCustomers();
  InsertCustomer(FullCustomer("A0011", "Similar key"));
  InsertChild("family", "A0011", {"x"});
  InsertChild("insurance", "A002", {"co"});
  InsertChild("compensate", "A002", {"d"});
  frmCust* window = OpenWindow();
  Press(window, "next");
  QCOMPARE(window->txtCID->text(), QStringLiteral("A002"));
  const QString others = Dump().remove(QRegularExpression(".*'A002'.*\n"));
  Press(window, "delete");
  QCOMPARE(env.messages, QStringList{"Finish"});
  // No row with the key remains, every other row is untouched.
  QCOMPARE(Dump(), others);
  // The first remaining customer is shown with only its own lists.
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
  QCOMPARE(GridEntries(window->msfgFamily), (QStringList{"wife|Ann||||||", "son|Al||||||"}));
  QCOMPARE(window->msfgInsurlife->Rows(), 2);
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
}

// Two customers with one key (made elsewhere): the lists belong to the other one as well.
void TestCustomerCommands::delete_keyShared_keepsLists() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer(FullCustomer("D1", "First twin"));
  InsertCustomer(FullCustomer("D1", "Second twin"));
  InsertChild("family", "D1", {"shared"});
  frmCust* window = OpenWindow();
  Press(window, "delete");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(Customers(), 1);
  QCOMPARE(*CustomerRow("D1")["Cust_name"], QStringLiteral("Second twin"));
  QCOMPARE(ChildRows("family", "D1").size(), 1);
  QCOMPARE(window->txtName->text(), QStringLiteral("Second twin"));
}

// A save or delete that fails writes nothing, says why, and leaves the window exactly as it was
// (mode, typing, editors); once the cause is gone the same command stores exactly the window's
// content, once.
void TestCustomerCommands::failure_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("cause");    // run once the window shows Alice
  QTest::addColumn<QString>("message");  // a part of the message shown
  QTest::addColumn<QString>("cure");     // removes the cause ("" when there is no retry)
  QTest::addColumn<QString>("check");    // a query on the file after the retry...
  QTest::addColumn<QString>("result");   // ...and its answer
  const QString trigger = "create trigger refuse before %1 begin select raise(abort, '%2'); end";
  const QString lists =
      "select coalesce((select group_concat(Cust_name) from customer where CID='%1'), '') || '/' "
      "|| (select count(*) from family where CID='%1') || '/' || coalesce((select "
      "group_concat(Cont_time) from contact where CID='%1'), '')";
  QTest::newRow("a contact row fails while modifying")
      << "modify" << trigger.arg("insert on contact", "disk trouble") << "disk trouble"
      << "drop trigger refuse" << lists.arg("A001") << "Typed/3/10:00";
  QTest::newRow("the customer row fails for a new customer")
      << "new" << trigger.arg("insert on customer", "no room") << "no room"
      << "drop trigger refuse" << lists.arg("N1") << "Typed/1/10:00";
  QTest::newRow("the customer row refuses to go")
      << "delete" << trigger.arg("delete on customer", "locked") << "locked"
      << "drop trigger refuse" << lists.arg("A001") << "/0/";
  QTest::newRow("another program deleted the customer, then modify")
      << "modify"
      << "delete from customer where CID='A001'"
      << "deleted"
      << ""
      << ""
      << "";
  QTest::newRow("another program deleted the customer, then delete")
      << "delete"
      << "delete from customer where CID='A001'"
      << "deleted"
      << ""
      << ""
      << "";
}

void TestCustomerCommands::failure() {
  QFETCH(QString, command);
  QFETCH(QString, cause);
  QFETCH(QString, message);
  QFETCH(QString, cure);
  QFETCH(QString, check);
  QFETCH(QString, result);
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Sql(cause);
  const QString before = Dump();
  if (command != "delete") {
    Press(window, command);
    if (command == "new") TypeInto(window->txtCID, "N1");
    TypeInto(window->txtName, "Typed");
    const int entryRow = window->msfgFamily->Rows() - 1;
    TypeIntoCell(window->msfgFamily, window->txtInput, entryRow, 0, "niece");
    TypeIntoCell(window->msfgContact, window->txtInputCon, 1, 1, "10:00");
  }
  const QStringList shown = Snapshot(window);
  const QString finalKey = command == "delete" ? command : "save";
  Press(window, finalKey);
  QCOMPARE(env.messages.size(), 1);
  QVERIFY2(env.messages[0].contains(message), qPrintable(env.messages[0]));
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(Dump(), before);
  QCOMPARE(Snapshot(window), shown);
  if (cure.isEmpty()) return;

  Sql(cure);
  Press(window, finalKey);
  QCOMPARE(env.messages.last(), QStringLiteral("Finish"));
  QCOMPARE(Rows(check).value(0).value(0), Value(result));
  QCOMPARE(Customers(), command == "new" ? 3 : command == "delete" ? 1 : 2);
}

// With no customer row no command fails and nothing typed is lost: delete does nothing, a
// modify stores the typed customer as a new one, and the first save enables paging again.
void TestCustomerCommands::emptyTable_noCommandFailsAndNothingIsLost() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer(FullCustomer("A001", "Alice"));
  InsertChild("family", "A001", {"wife", "Ann"});
  frmCust* window = OpenWindow();
  Press(window, "delete");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(Dump().count('\n'), 5);  // only the five table names
  for (QWidget* input : Inputs(window)) QCOMPARE(ShownText(input), QString());
  QCOMPARE(window->msfgFamily->Rows(), 2);
  QCOMPARE(NavigationStates(window), QStringLiteral("DDDD"));

  env.messages.clear();
  Press(window, "delete");
  QVERIFY(env.messages.isEmpty());

  Press(window, "modify");
  TypeInto(window->txtCID, "M1");
  TypeInto(window->txtName, "Typed while modifying");
  TypeIntoCell(window->msfgContact, window->txtInputCon, 1, 0, "2006");
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(*CustomerRow("M1")["Cust_name"], QStringLiteral("Typed while modifying"));
  QCOMPARE(ChildRows("contact", "M1").size(), 1);
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));

  Press(window, "new");
  TypeInto(window->txtCID, "K2");
  Press(window, "save");
  Press(window, "first");
  QCOMPARE(window->txtCID->text(), QStringLiteral("M1"));
  Press(window, "next");
  QCOMPARE(window->txtCID->text(), QStringLiteral("K2"));
  QCOMPARE(env.fatalStatus, 0);
}

// "exit" and the title bar's close unload the window without saving; the program ends only
// when no other window stays.
void TestCustomerCommands::exit_data() {
  QTest::addColumn<bool>("titleBar");
  QTest::addColumn<bool>("searchOpen");
  QTest::newRow("exit, alone") << false << false;
  QTest::newRow("title bar, alone") << true << false;
  QTest::newRow("exit, search window open") << false << true;
  QTest::newRow("title bar, search window open") << true << true;
}

void TestCustomerCommands::exit() {
  QFETCH(bool, titleBar);
  QFETCH(bool, searchOpen);
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  if (searchOpen) Press(window, "search");
  Press(window, "modify");
  TypeInto(window->txtName, "unsaved");
  if (titleBar) {
    window->close();
  } else {
    Press(window, "exit");
  }
  QVERIFY(!Loaded<frmCust>());
  QCOMPARE(Loaded<frmSearch>() != nullptr, searchOpen);
  QCOMPARE(env.ended, searchOpen ? 0 : 1);
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(*CustomerRow("A001")["Cust_name"], QStringLiteral("Alice"));
}

void TestCustomerCommands::search_opensOneSearchWindow() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "next");
  Press(window, "modify");
  const QStringList before = Snapshot(window);
  Press(window, "search");
  frmSearch* search = Loaded<frmSearch>();
  QVERIFY(search && search->isVisible());
  Press(window, "search");
  int searchWindows = 0;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (qobject_cast<frmSearch*>(widget)) ++searchWindows;
  QCOMPARE(searchWindows, 1);
  QCOMPARE(Loaded<frmSearch>(), search);
  // The customer window stays as it was.
  QVERIFY(Loaded<frmCust>() == window && window->isVisible());
  QCOMPARE(Snapshot(window), before);
}

QTEST_MAIN(TestCustomerCommands)
#include "tst_customercommands.moc"
