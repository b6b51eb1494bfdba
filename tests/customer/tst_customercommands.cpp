// The customer commands new, modify, save, delete, exit and search, driven through the toolbar,
// and what they leave in the database.

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

QVector<Value> Nulls(int n) {
  return QVector<Value>(n, Value());
}

QList<QWidget*> Inputs(frmCust* w) {
  return {w->txtName,     w->txtCID,        w->cmbCusttype,   w->cmbBirthyear, w->cmbBirthmonth,
          w->cmbBirthday, w->txtCustId,     w->cmbSex,        w->cmbBlood,     w->txtBirthplace,
          w->cmbMarriage, w->txtEmail,      w->txtTelHome,    w->txtCellphone, w->txtOther,
          w->txtAddHome,  w->txtCompany,    w->cmbJobtype,    w->txtJobtitle,  w->cmbJobgrade,
          w->cmbSalary,   w->txtTelcompany, w->txtFaxcompany, w->txtAddcompany};
}

}  // namespace

class TestCustomerCommands : public QObject {
  Q_OBJECT

 private slots:
  void new_clearsAndUnlocks();
  void modify_keepsValuesAndLists();
  void save_newWithEmptyLists();
  void save_newStoresInputsAsShown();
  void save_newStoresGridEntries();
  void save_modifyListsBecomeGridEntries();
  void save_keepsSavedCustomerCurrent();
  void newSaveThenDelete_deletesThatCustomer();
  void modifySaveTwice_writesTheShownRow();

  void delete_removesCustomerAndLists();
  void delete_onlyCustomer();
  void delete_keyShared_keepsLists();

  void failure_saveInModifyMode();
  void failure_saveInNewMode();
  void failure_delete();
  void failure_saveRowGone();
  void failure_deleteRowGone();

  void keys_quote();
  void keys_duplicateRefused_data();
  void keys_duplicateRefused();
  void keys_empty();
  void keys_rename();

  void emptyTable_deleteDoesNothing();
  void emptyTable_modifySaveStoresNew();
  void emptyTable_firstSaveEnablesNavigation();

  void exit_endsProgramWhenAlone();
  void exit_keepsSearchWindow();
  void titleBarClose_isExit();
  void search_opensOneSearchWindow();
  void searchExit_bringsBackCustomerWindow();

  void shortcuts_runCommands();
  void shortcuts_disabledDoNothing();
};

void TestCustomerCommands::new_clearsAndUnlocks() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "new");
  QVERIFY(window->NewMode);
  QVERIFY(!window->ModifyMode);
  for (QWidget* input : Inputs(window)) {
    QCOMPARE(TextOf(input), QString());
    QVERIFY2(input->isEnabled(), qPrintable(input->objectName()));
  }
  for (ListGrid* grid :
       {window->msfgFamily, window->msfgInsurlife, window->msfgCompenlife, window->msfgContact}) {
    QCOMPARE(grid->Rows(), 2);
    QCOMPARE(GridLine(grid, 1).join(QString()), QString());
    QCOMPARE(Headings(grid).size(), grid->Cols());
    QVERIFY(!Headings(grid).first().isEmpty());
  }
  QCOMPARE(EditStates(window), QStringLiteral("DDEDE"));
  QVERIFY(env.messages.isEmpty());
  QCOMPARE(Customers(), 2);
}

void TestCustomerCommands::modify_keepsValuesAndLists() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "modify");
  QVERIFY(window->ModifyMode);
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
  QCOMPARE(window->txtCID->text(), QStringLiteral("A001"));
  QCOMPARE(window->cmbBlood->currentText(), QStringLiteral("A001-blood"));
  QCOMPARE(GridEntries(window->msfgFamily), (QStringList{"wife|Ann||||||", "son|Al||||||"}));
  for (QWidget* input : Inputs(window)) QVERIFY(input->isEnabled());
  QCOMPARE(EditStates(window), QStringLiteral("DDEDE"));
}

void TestCustomerCommands::save_newWithEmptyLists() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "new");
  TypeInto(window->txtCID, "B001");
  TypeInto(window->txtName, "Carol");
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(Customers(), 3);
  QCOMPARE(*CustomerRow("B001")["Cust_name"], QStringLiteral("Carol"));
  for (const char* table : {"family", "insurance", "compensate", "contact"})
    QCOMPARE(ChildRows(table, "B001").size(), 0);
  // Browsing again, with the saved values on screen.
  QVERIFY(!window->NewMode && !window->ModifyMode);
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
  for (QWidget* input : Inputs(window)) QVERIFY(!input->isEnabled());
  QCOMPARE(window->txtName->text(), QStringLiteral("Carol"));
  QCOMPARE(window->txtCID->text(), QStringLiteral("B001"));
  QVERIFY(!window->txtInput->isVisible());
}

void TestCustomerCommands::save_newStoresInputsAsShown() {
  TestEnv env;
  CreateDatabase();
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
  QCOMPARE(window->cmbCusttype->currentText(), QStringLiteral("Potential "));
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
  QCOMPARE(ChildRows("family", "N1"), QVector<QVector<Value>>{Nulls(8)});
  QVector<Value> cathay = Nulls(11);
  cathay[0] = "Cathay";
  cathay[2] = "100";
  QVector<Value> fubon = Nulls(11);
  fubon[0] = "Fubon";
  QCOMPARE(ChildRows("insurance", "N1"), (QVector<QVector<Value>>{cathay, fubon}));
  QCOMPARE(ChildRows("compensate", "N1").size(), 0);
  QVector<Value> phone = Nulls(8);
  phone[3] = "phone";
  QCOMPARE(ChildRows("contact", "N1"), QVector<QVector<Value>>{phone});
  // Every stored child row carries the key.
  QCOMPARE(Count("select count(*) from family where CID='N1'"), 1);
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
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  auto family = [](const char* rel, const char* name) {
    QVector<Value> row = {rel, name, "", "", "", "", "", ""};
    for (int i = 2; i < 8; ++i) row[i] = Value();
    return row;
  };
  QCOMPARE(ChildRows("family", "A001"),
           (QVector<QVector<Value>>{family("wife", "Ann"), family("son", "Alfred"),
                                    family("daughter", "Amy")}));
  QCOMPARE(ChildRows("insurance", "A001").size(), 0);
  QCOMPARE(ChildRows("contact", "A001"),
           (QVector<QVector<Value>>{{"2001", Null, Null, Null, Null, Null, Null, Null}}));
  // Bob's rows are untouched.
  QCOMPARE(ChildRows("family", "A002"),
           (QVector<QVector<Value>>{{"daughter", "Bea", "", "", "", "", "", ""}}));
  QCOMPARE(*CustomerRow("A002")["Cust_name"], QStringLiteral("Bob"));
  QCOMPARE(Customers(), 2);
}

void TestCustomerCommands::save_keepsSavedCustomerCurrent() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "new");
  TypeInto(window->txtCID, "Z9");
  Press(window, "save");
  QCOMPARE(*CustomerSet->Field("CID"), QStringLiteral("Z9"));
  Press(window, "last");
  Press(window, "previous");
  Press(window, "modify");
  Press(window, "save");
  QCOMPARE(*CustomerSet->Field("CID"), QStringLiteral("A002"));
}

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
  Press(window, "delete");
  QCOMPARE(env.messages, (QStringList{"Finish", "Finish"}));
  QVERIFY(CustomerRow("C003").isEmpty());
  QCOMPARE(ChildRows("family", "C003").size(), 0);
  QCOMPARE(ChildRows("contact", "C003").size(), 0);
  QCOMPARE(*CustomerRow("A001")["Cust_name"], QStringLiteral("Alice"));
  QCOMPARE(*CustomerRow("A002")["Cust_name"], QStringLiteral("Bob"));
  QCOMPARE(ChildRows("family", "A001").size(), 2);
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
  QCOMPARE(*CustomerRow("A001")["Cust_name"], QStringLiteral("Alice"));
  QCOMPARE(*CustomerRow("A001")["Cust_email"], QStringLiteral("A001-email"));
  QCOMPARE(ChildRows("family", "A001").size(), 2);
  QCOMPARE(ChildRows("family", "A002").size(), 1);
  QCOMPARE(Customers(), 2);
}

void TestCustomerCommands::delete_removesCustomerAndLists() {
  TestEnv env;
  TwoCustomers();
  InsertCustomer(FullCustomer("A0011", "Similar key"));
  InsertChild("family", "A0011", {"x", "", "", "", "", "", "", ""});
  InsertChild("insurance", "A002", {"co", "", "", "", "", "", "", "", "", "", ""});
  InsertChild("compensate", "A002", {"d", "", "", "", "", "", ""});
  frmCust* window = OpenWindow();
  Press(window, "next");
  QCOMPARE(window->txtCID->text(), QStringLiteral("A002"));
  Press(window, "delete");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QVERIFY(CustomerRow("A002").isEmpty());
  for (const char* table : {"family", "insurance", "compensate", "contact"})
    QCOMPARE(ChildRows(table, "A002").size(), 0);
  // The first remaining customer is shown with only its own lists.
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
  QCOMPARE(GridEntries(window->msfgFamily), (QStringList{"wife|Ann||||||", "son|Al||||||"}));
  QCOMPARE(window->msfgInsurlife->Rows(), 2);
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
  QCOMPARE(ChildRows("family", "A0011").size(), 1);
  QCOMPARE(ChildRows("family", "A001").size(), 2);
  QCOMPARE(Customers(), 2);
}

void TestCustomerCommands::delete_onlyCustomer() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer(FullCustomer("A001", "Alice"));
  InsertChild("family", "A001", {"wife", "Ann", "", "", "", "", "", ""});
  frmCust* window = OpenWindow();
  Press(window, "delete");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(Customers(), 0);
  QCOMPARE(Count("select count(*) from family"), 0);
  for (QWidget* input : Inputs(window)) QCOMPARE(TextOf(input), QString());
  QCOMPARE(window->msfgFamily->Rows(), 2);
  QCOMPARE(NavigationStates(window), QStringLiteral("DDDD"));
  QCOMPARE(env.fatalStatus, 0);
}

void TestCustomerCommands::delete_keyShared_keepsLists() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer(FullCustomer("D1", "First twin"));
  InsertCustomer(FullCustomer("D1", "Second twin"));
  InsertChild("family", "D1", {"shared", "", "", "", "", "", "", ""});
  frmCust* window = OpenWindow();
  Press(window, "delete");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(Customers(), 1);
  QCOMPARE(*CustomerRow("D1")["Cust_name"], QStringLiteral("Second twin"));
  QCOMPARE(ChildRows("family", "D1").size(), 1);
  QCOMPARE(window->txtName->text(), QStringLiteral("Second twin"));
}

void TestCustomerCommands::failure_saveInModifyMode() {
  TestEnv env;
  TwoCustomers();
  Sql("create trigger refuse before insert on contact begin select raise(abort, 'disk "
      "trouble'); end");
  frmCust* window = OpenWindow();
  const QString before = Dump();
  Press(window, "modify");
  TypeInto(window->txtName, "Alicia");
  TypeIntoCell(window->msfgFamily, window->txtInput, 3, 0, "niece");
  TypeIntoCell(window->msfgContact, window->txtInputCon, 1, 1, "10:00");
  const QStringList family = GridEntries(window->msfgFamily);
  Press(window, "save");
  QCOMPARE(env.messages.size(), 1);
  QVERIFY2(env.messages[0].contains("disk trouble"), qPrintable(env.messages[0]));
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(Dump(), before);
  // The window is as it was: mode, typed values, editors.
  QVERIFY(window->ModifyMode);
  QCOMPARE(EditStates(window), QStringLiteral("DDEDE"));
  QVERIFY(window->txtName->isEnabled());
  QCOMPARE(window->txtName->text(), QStringLiteral("Alicia"));
  QCOMPARE(GridEntries(window->msfgFamily), family);
  QCOMPARE(window->msfgContact->TextMatrix(1, 1), QStringLiteral("10:00"));
  QVERIFY(window->txtInputCon->isVisible());

  // Once the cause is gone, the same save stores exactly what the window holds.
  Sql("drop trigger refuse");
  Press(window, "save");
  QCOMPARE(env.messages.last(), QStringLiteral("Finish"));
  QCOMPARE(*CustomerRow("A001")["Cust_name"], QStringLiteral("Alicia"));
  QCOMPARE(ChildRows("family", "A001").size(), 3);
  QCOMPARE(ChildRows("contact", "A001").size(), 1);
  QCOMPARE(*ChildRows("contact", "A001")[0][1], QStringLiteral("10:00"));
  QCOMPARE(Customers(), 2);
}

void TestCustomerCommands::failure_saveInNewMode() {
  TestEnv env;
  TwoCustomers();
  Sql("create trigger refuse before insert on customer begin select raise(abort, 'no room'); "
      "end");
  frmCust* window = OpenWindow();
  const QString before = Dump();
  Press(window, "new");
  TypeInto(window->txtCID, "N1");
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 0, "wife");
  Press(window, "save");
  QCOMPARE(env.messages.size(), 1);
  QVERIFY(env.messages[0].contains("no room"));
  QCOMPARE(Dump(), before);
  QVERIFY(window->NewMode);
  QCOMPARE(window->txtCID->text(), QStringLiteral("N1"));
  Sql("drop trigger refuse");
  Press(window, "save");
  QCOMPARE(env.messages.last(), QStringLiteral("Finish"));
  // No stale row of the failed attempt was stored along.
  QCOMPARE(Count("select count(*) from customer where CID='N1'"), 1);
  QCOMPARE(ChildRows("family", "N1").size(), 1);
  QCOMPARE(Customers(), 3);
}

void TestCustomerCommands::failure_delete() {
  TestEnv env;
  TwoCustomers();
  Sql("create trigger refuse before delete on customer begin select raise(abort, 'locked'); "
      "end");
  frmCust* window = OpenWindow();
  const QString before = Dump();
  Press(window, "delete");
  QCOMPARE(env.messages.size(), 1);
  QVERIFY(env.messages[0].contains("locked"));
  QCOMPARE(Dump(), before);
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
  QCOMPARE(GridEntries(window->msfgFamily).size(), 2);
  QCOMPARE(env.fatalStatus, 0);
  Sql("drop trigger refuse");
  Press(window, "delete");
  QCOMPARE(env.messages.last(), QStringLiteral("Finish"));
  QVERIFY(CustomerRow("A001").isEmpty());
  QCOMPARE(ChildRows("family", "A001").size(), 0);
}

void TestCustomerCommands::failure_saveRowGone() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  // Another program deletes the customer on screen.
  Sql("delete from customer where CID='A001'");
  Press(window, "modify");
  TypeInto(window->txtName, "Alicia");
  const QString before = Dump();
  Press(window, "save");
  QCOMPARE(env.messages.size(), 1);
  QVERIFY(env.messages[0] != "Finish");
  QCOMPARE(env.fatalStatus, 0);
  // Nothing changed: its lists are still there, no customer was added.
  QCOMPARE(Dump(), before);
  QCOMPARE(ChildRows("family", "A001").size(), 2);
  QVERIFY(window->ModifyMode);
  QCOMPARE(window->txtName->text(), QStringLiteral("Alicia"));
}

void TestCustomerCommands::failure_deleteRowGone() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Sql("delete from customer where CID='A001'");
  const QString before = Dump();
  Press(window, "delete");
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(env.messages.size(), 1);
  QVERIFY(env.messages[0] != "Finish");
  QCOMPARE(Dump(), before);
  QVERIFY(Loaded<frmCust>() == window);
}

void TestCustomerCommands::keys_quote() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer(FullCustomer("O", "Other"));
  InsertChild("family", "O", {"keep", "", "", "", "", "", "", ""});
  frmCust* window = OpenWindow();
  Press(window, "new");
  TypeInto(window->txtCID, "O'Neil");
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 0, "wife's");
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(ChildRows("family", "O'Neil"),
           (QVector<QVector<Value>>{{"wife's", Null, Null, Null, Null, Null, Null, Null}}));
  Press(window, "last");
  QCOMPARE(window->txtCID->text(), QStringLiteral("O'Neil"));
  QCOMPARE(GridEntries(window->msfgFamily), QStringList{"wife's|||||||"});
  Press(window, "modify");
  Press(window, "save");
  QCOMPARE(ChildRows("family", "O'Neil").size(), 1);
  Press(window, "delete");
  QVERIFY(CustomerRow("O'Neil").isEmpty());
  QCOMPARE(ChildRows("family", "O'Neil").size(), 0);
  QCOMPARE(ChildRows("family", "O").size(), 1);
  QCOMPARE(env.fatalStatus, 0);
}

void TestCustomerCommands::keys_duplicateRefused_data() {
  QTest::addColumn<QString>("mode");
  QTest::newRow("new customer with a taken key") << "new";
  QTest::newRow("renamed to a taken key") << "modify";
}

void TestCustomerCommands::keys_duplicateRefused() {
  QFETCH(QString, mode);
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  const QString before = Dump();
  Press(window, qPrintable(mode));
  TypeInto(window->txtCID, "A002");
  TypeInto(window->txtName, "Typed");
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 0, "typed");
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"C_No already exists！"});
  QCOMPARE(Dump(), before);
  QCOMPARE(window->NewMode, mode == "new");
  QCOMPARE(window->ModifyMode, mode == "modify");
  QCOMPARE(window->txtName->text(), QStringLiteral("Typed"));
  QCOMPARE(window->txtCID->text(), QStringLiteral("A002"));
  QCOMPARE(EditStates(window), QStringLiteral("DDEDE"));
  // Saving the customer under its own key (unchanged while modifying) is no duplicate.
  TypeInto(window->txtCID, mode == "new" ? "A003" : "A001");
  Press(window, "save");
  QCOMPARE(env.messages.last(), QStringLiteral("Finish"));
  QCOMPARE(*CustomerRow(mode == "new" ? "A003" : "A001")["Cust_name"], QStringLiteral("Typed"));
}

void TestCustomerCommands::keys_empty() {
  TestEnv env;
  CreateDatabase();
  frmCust* window = OpenWindow();
  Press(window, "new");
  TypeInto(window->txtName, "No key");
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(*CustomerRow("")["Cust_name"], QStringLiteral("No key"));
  Press(window, "new");
  TypeInto(window->txtName, "Also no key");
  Press(window, "save");
  QCOMPARE(env.messages.last(), QStringLiteral("C_No already exists！"));
  QCOMPARE(Customers(), 1);
}

void TestCustomerCommands::keys_rename() {
  TestEnv env;
  TwoCustomers();
  // Rows under the new key that belong to no customer are not taken over.
  InsertChild("insurance", "Z001", {"orphan", "", "", "", "", "", "", "", "", "", ""});
  frmCust* window = OpenWindow();
  Press(window, "modify");
  TypeInto(window->txtCID, "Z001");
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(*CustomerRow("Z001")["Cust_name"], QStringLiteral("Alice"));
  QCOMPARE(ChildRows("family", "Z001").size(), 2);
  QCOMPARE(ChildRows("contact", "Z001").size(), 1);
  QCOMPARE(ChildRows("insurance", "Z001").size(), 0);
  for (const char* table : {"customer", "family", "insurance", "compensate", "contact"})
    QCOMPARE(Count(QStringLiteral("select count(*) from %1 where CID='A001'").arg(table)), 0);
  QCOMPARE(ChildRows("family", "A002").size(), 1);
  QCOMPARE(Customers(), 2);
  // The renamed customer is still the one modified next.
  Press(window, "modify");
  TypeInto(window->txtName, "Alice Z");
  Press(window, "save");
  QCOMPARE(*CustomerRow("Z001")["Cust_name"], QStringLiteral("Alice Z"));
}

void TestCustomerCommands::emptyTable_deleteDoesNothing() {
  TestEnv env;
  CreateDatabase();
  frmCust* window = OpenWindow();
  Press(window, "delete");
  QVERIFY(env.messages.isEmpty());
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(Loaded<frmCust>() == window);
}

void TestCustomerCommands::emptyTable_modifySaveStoresNew() {
  TestEnv env;
  CreateDatabase();
  frmCust* window = OpenWindow();
  Press(window, "modify");
  TypeInto(window->txtCID, "M1");
  TypeInto(window->txtName, "Typed while modifying");
  TypeIntoCell(window->msfgContact, window->txtInputCon, 1, 0, "2006");
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(env.fatalStatus, 0);
  QCOMPARE(*CustomerRow("M1")["Cust_name"], QStringLiteral("Typed while modifying"));
  QCOMPARE(ChildRows("contact", "M1").size(), 1);
  QCOMPARE(*CustomerSet->Field("CID"), QStringLiteral("M1"));
}

void TestCustomerCommands::emptyTable_firstSaveEnablesNavigation() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "Alice");
  frmCust* window = OpenWindow();
  Press(window, "delete");
  QCOMPARE(NavigationStates(window), QStringLiteral("DDDD"));
  for (const char* key : {"K1", "K2"}) {
    Press(window, "new");
    TypeInto(window->txtCID, key);
    TypeInto(window->txtName, QStringLiteral("Name of ") + key);
    Press(window, "save");
  }
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
  Press(window, "first");
  QCOMPARE(window->txtCID->text(), QStringLiteral("K1"));
  Press(window, "next");
  QCOMPARE(window->txtName->text(), QStringLiteral("Name of K2"));
}

void TestCustomerCommands::exit_endsProgramWhenAlone() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "new");
  TypeInto(window->txtCID, "unsaved");
  Press(window, "exit");
  QVERIFY(!Loaded<frmCust>());
  QCOMPARE(env.ended, 1);
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(CustomerRow("unsaved").isEmpty());
}

void TestCustomerCommands::exit_keepsSearchWindow() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "search");
  QVERIFY(Loaded<frmSearch>());
  Press(window, "exit");
  QVERIFY(!Loaded<frmCust>());
  QVERIFY(Loaded<frmSearch>());
  QCOMPARE(env.ended, 0);
}

void TestCustomerCommands::titleBarClose_isExit() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "modify");
  TypeInto(window->txtName, "unsaved");
  window->close();
  QVERIFY(!Loaded<frmCust>());
  QCOMPARE(env.ended, 1);
  QCOMPARE(*CustomerRow("A001")["Cust_name"], QStringLiteral("Alice"));
}

void TestCustomerCommands::search_opensOneSearchWindow() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "next");
  Press(window, "modify");
  Press(window, "search");
  frmSearch* search = Loaded<frmSearch>();
  QVERIFY(search);
  QVERIFY(search->isVisible());
  Press(window, "search");
  QCOMPARE(Loaded<frmSearch>(), search);
  int searchWindows = 0;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (qobject_cast<frmSearch*>(widget)) ++searchWindows;
  QCOMPARE(searchWindows, 1);
  // The customer window stays as it was.
  QVERIFY(Loaded<frmCust>() == window && window->isVisible());
  QVERIFY(window->ModifyMode);
  QCOMPARE(window->txtName->text(), QStringLiteral("Bob"));
  QCOMPARE(EditStates(window), QStringLiteral("DDEDE"));
}

void TestCustomerCommands::searchExit_bringsBackCustomerWindow() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  Press(window, "last");
  Press(window, "search");
  Press(window, "exit");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  frmSearch* search = Loaded<frmSearch>();
  QVERIFY(search);
  Guard([search] { search->cmdEnd_Click(); });
  QCOMPARE(env.ended, 0);
  window = Loaded<frmCust>();
  QVERIFY(window);
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
}

void TestCustomerCommands::shortcuts_runCommands() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  QWidget* target = window->SSTab1->tabBar();
  target->setFocus();
  QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier);
  QVERIFY(window->NewMode);
  TypeInto(window->txtCID, "S1");
  QTest::keyClick(window->txtCID, Qt::Key_S, Qt::ControlModifier);
  QCOMPARE(env.messages, QStringList{"Finish"});
  QVERIFY(!CustomerRow("S1").isEmpty());
  target->setFocus();
  QTest::keyClick(target, Qt::Key_E, Qt::ControlModifier);
  QVERIFY(window->ModifyMode);
  QTest::keyClick(target, Qt::Key_F, Qt::ControlModifier);
  QVERIFY(Loaded<frmSearch>());
}

void TestCustomerCommands::shortcuts_disabledDoNothing() {
  TestEnv env;
  TwoCustomers();
  frmCust* window = OpenWindow();
  QWidget* target = window->SSTab1->tabBar();
  target->setFocus();
  // Save is disabled while browsing.
  QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier);
  QVERIFY(env.messages.isEmpty());
  Press(window, "new");
  // New and modify are disabled while a new customer is entered.
  target->setFocus();
  TypeInto(window->txtName, "typed");
  QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier);
  QTest::keyClick(target, Qt::Key_E, Qt::ControlModifier);
  QVERIFY(window->NewMode);
  QCOMPARE(window->txtName->text(), QStringLiteral("typed"));
  // Delete has no key at all.
  Press(window, "save");
  env.messages.clear();
  target->setFocus();
  QTest::keyClick(target, Qt::Key_Delete);
  QTest::keyClick(target, Qt::Key_D, Qt::ControlModifier);
  QVERIFY(env.messages.isEmpty());
  QCOMPARE(Customers(), 3);
}

QTEST_MAIN(TestCustomerCommands)
#include "tst_customercommands.moc"
