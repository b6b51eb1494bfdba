// Paging through the customers: the navigation commands, their button states, the clearing of
// the window before each display, and their keyboard shortcuts.

#include <QGroupBox>
#include <QLabel>
#include <QTabBar>

#include "app/module1.h"
#include "custtest.h"
#include "ui/toolkit/clearcontrols.h"

using namespace custtest;

namespace {

const QStringList kNames{"Alice", "Bob", "Carol"};

// Three customers; Alice has two family members and a contact, Bob none, Carol one of each.
void ThreeCustomers() {
  CreateDatabase();
  InsertCustomer(FullCustomer("A001", "Alice"));
  InsertCustomer(FullCustomer("A002", "Bob"));
  InsertCustomer(FullCustomer("A003", "Carol"));
  InsertChild("family", "A001", {"wife", "Ann", "", "", "", "", "", ""});
  InsertChild("family", "A001", {"son", "Al", "", "", "", "", "", ""});
  InsertChild("family", "A003", {"husband", "Carl", "", "", "", "", "", ""});
  InsertChild("contact", "A001", {"2001", "", "", "", "", "", "", ""});
  InsertChild("contact", "A003", {"2003", "", "", "", "", "", "", ""});
}

QStringList FamilyNames(frmCust* window) {
  QStringList names;
  for (int row = 1; row < window->msfgFamily->Rows() - 1; ++row)
    names << window->msfgFamily->TextMatrix(row, 1);
  return names;
}

// What the window must show for each customer: name, key, family names and contact dates.
void CheckShows(frmCust* window, const QString& name) {
  const QMap<QString, QStringList> family{
      {"Alice", {"Ann", "Al"}}, {"Bob", {}}, {"Carol", {"Carl"}}};
  const QMap<QString, QStringList> contacts{
      {"Alice", {"2001|||||||"}}, {"Bob", {}}, {"Carol", {"2003|||||||"}}};
  const QString key = QStringLiteral("A00%1").arg(kNames.indexOf(name) + 1);
  QCOMPARE(window->txtName->text(), name);
  QCOMPARE(window->txtCID->text(), key);
  QCOMPARE(window->txtEmail->text(), key + "-email");
  QCOMPARE(window->cmbSalary->currentText(), key + "-salary");
  QCOMPARE(FamilyNames(window), family[name]);
  QCOMPARE(GridEntries(window->msfgContact), contacts[name]);
  QCOMPARE(window->msfgInsurlife->Rows(), 2);
  // The record set's current row is the customer on screen.
  QCOMPARE(*CustomerSet->Field("CID"), key);
}

}  // namespace

class TestNavigation : public QObject {
  Q_OBJECT

 private slots:
  void buttons_data();
  void buttons();
  void steppingToTheLastNeverDisables();
  void emptyTable_data();
  void emptyTable();
  void editingModeKeepsModeAndReplacesTypedValues_data();
  void editingModeKeepsModeAndReplacesTypedValues();
  void unknownKeyDoesNothing();

  void clearControls_gridWithManyRows();
  void clearControls_twoRowGrid();
  void clearControls_leavesLabelsTabAndToolbar();

  void shortcuts_data();
  void shortcuts();
  void shortcut_disabledButtonDoesNothing();
  void shortcut_focusedGridKeepsKeys();
  void shortcut_focusedComboKeepsPageKeys();
};

void TestNavigation::buttons_data() {
  QTest::addColumn<QStringList>("presses");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QString>("states");  // first, previous, next, last
  QTest::newRow("right after start-up") << QStringList{} << "Alice"
                                        << "EEEE";
  QTest::newRow("previous on the first row") << QStringList{"previous"} << "Alice"
                                             << "DDEE";
  QTest::newRow("next from the first row") << QStringList{"next"} << "Bob"
                                           << "EEEE";
  QTest::newRow("next onto the last row") << QStringList{"next", "next"} << "Carol"
                                          << "EEEE";
  QTest::newRow("next on the last row") << QStringList{"next", "next", "next"} << "Carol"
                                        << "EEDD";
  QTest::newRow("last") << QStringList{"last"} << "Carol"
                        << "EEEE";
  QTest::newRow("next after last") << QStringList{"last", "next"} << "Carol"
                                   << "EEDD";
  QTest::newRow("first after last") << QStringList{"last", "first"} << "Alice"
                                    << "EEEE";
  QTest::newRow("first after running off the end")
      << QStringList{"last", "next", "first"} << "Alice"
      << "EEEE";
  QTest::newRow("last after running off the start") << QStringList{"previous", "last"} << "Carol"
                                                    << "EEEE";
  QTest::newRow("previous from the last row") << QStringList{"last", "previous"} << "Bob"
                                              << "EEEE";
  QTest::newRow("previous after first") << QStringList{"last", "first", "previous"} << "Alice"
                                        << "DDEE";
  QTest::newRow("next after running off the start") << QStringList{"previous", "next"} << "Bob"
                                                    << "EEEE";
}

void TestNavigation::buttons() {
  QFETCH(QStringList, presses);
  QFETCH(QString, shown);
  QFETCH(QString, states);
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  for (const QString& key : presses) {
    QVERIFY2(window->Toolbar1->Buttons(key)->isEnabled(), qPrintable(key));
    Press(window, qPrintable(key));
  }
  CheckShows(window, shown);
  QCOMPARE(NavigationStates(window), states);
  // Navigation never touches the editing buttons or shows a message.
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
  QVERIFY(env.messages.isEmpty());
  QCOMPARE(env.fatalStatus, 0);
}

void TestNavigation::steppingToTheLastNeverDisables() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  for (const char* name : {"Bob", "Carol"}) {
    Press(window, "next");
    CheckShows(window, name);
    QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
  }
  Press(window, "next");
  CheckShows(window, "Carol");
  QCOMPARE(NavigationStates(window), QStringLiteral("EEDD"));
  // And back to the start with previous.
  Press(window, "previous");
  CheckShows(window, "Bob");
  Press(window, "previous");
  CheckShows(window, "Alice");
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
  Press(window, "previous");
  CheckShows(window, "Alice");
  QCOMPARE(NavigationStates(window), QStringLiteral("DDEE"));
}

void TestNavigation::emptyTable_data() {
  QTest::addColumn<QString>("key");
  for (const char* key : {"first", "previous", "next", "last"}) QTest::newRow(key) << key;
}

void TestNavigation::emptyTable() {
  QFETCH(QString, key);
  TestEnv env;
  CreateDatabase();
  frmCust* window = OpenWindow();
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
  Press(window, qPrintable(key));
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(env.messages.isEmpty());
  QVERIFY(Loaded<frmCust>());
  QCOMPARE(NavigationStates(window), QStringLiteral("DDDD"));
  QCOMPARE(window->txtName->text(), QString());
  QCOMPARE(window->txtCID->text(), QString());
  QCOMPARE(window->msfgFamily->Rows(), 2);
}

void TestNavigation::editingModeKeepsModeAndReplacesTypedValues_data() {
  QTest::addColumn<QString>("mode");
  QTest::newRow("modify") << "modify";
  QTest::newRow("new") << "new";
}

void TestNavigation::editingModeKeepsModeAndReplacesTypedValues() {
  QFETCH(QString, mode);
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  Press(window, qPrintable(mode));
  TypeInto(window->txtName, "Typed name");
  TypeInto(window->cmbSex, "typed");
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 1, "typed member");
  Press(window, "next");
  CheckShows(window, "Bob");
  QCOMPARE(window->NewMode, mode == "new");
  QCOMPARE(window->ModifyMode, mode == "modify");
  QCOMPARE(EditStates(window), QStringLiteral("DDEDE"));
  QVERIFY(window->txtName->isEnabled());
  // The editor left the cleared grid: it is hidden and writes nowhere.
  QVERIFY(!window->txtInput->isVisible());
  QTest::keyClicks(window->txtInput, "stray");
  QCOMPARE(GridLine(window->msfgFamily, 1).join(QString()), QString());
  // Nothing was written.
  QCOMPARE(*CustomerRow("A001")["Cust_name"], QStringLiteral("Alice"));
  QCOMPARE(ChildRows("family", "A001").size(), 2);
}

void TestNavigation::unknownKeyDoesNothing() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  Press(window, "next");
  for (const char* key : {"Next", "NEXT", "schedule", "", "first "})
    window->Toolbar1_ButtonClick(QLatin1String(key));
  CheckShows(window, "Bob");
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
  QVERIFY(env.messages.isEmpty());
}

void TestNavigation::clearControls_gridWithManyRows() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "Alice");
  for (int i = 0; i < 40; ++i)
    InsertChild("insurance", "A001", {QString::number(i), "", "", "", "", "", "", "", "", "", "x"});
  frmCust* window = OpenWindow();
  ListGrid* grid = window->msfgInsurlife;
  QCOMPARE(grid->Rows(), 42);
  const QStringList headings = Headings(grid);
  ClearControls(window);
  QCOMPARE(grid->Rows(), 2);
  QCOMPARE(grid->Cols(), 11);
  QCOMPARE(Headings(grid), headings);
  QCOMPARE(GridLine(grid, 1), QStringList(11, QString()));
  QCOMPARE(grid->Row(), 1);
  QCOMPARE(grid->Col(), 10);
  QCOMPARE(window->txtName->text(), QString());
  QCOMPARE(window->txtCID->text(), QString());
  QCOMPARE(window->cmbSalary->currentText(), QString());
}

void TestNavigation::clearControls_twoRowGrid() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "Alice");
  frmCust* window = OpenWindow();
  Press(window, "modify");
  TypeIntoCell(window->msfgContact, window->txtInputCon, 1, 3, "typed");
  QCOMPARE(window->msfgContact->Rows(), 2);
  ClearControls(window);
  QCOMPARE(window->msfgContact->Rows(), 2);
  QCOMPARE(GridLine(window->msfgContact, 1), QStringList(8, QString()));
  QCOMPARE(Headings(window->msfgContact).first(), QStringLiteral("Date"));
  // The editor is emptied, hidden and serves no cell any more.
  QCOMPARE(window->txtInputCon->text(), QString());
  QVERIFY(!window->txtInputCon->isVisible());
  QVERIFY(!window->txtInputCon->IsAttached());
}

void TestNavigation::clearControls_leavesLabelsTabAndToolbar() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  window->SSTab1->setCurrentIndex(3);
  Press(window, "previous");  // changes the navigation buttons to DDEE
  const QString states = NavigationStates(window);
  ClearControls(window);
  QCOMPARE(window->SSTab1->currentIndex(), 3);
  QCOMPARE(window->Label6->text(), QStringLiteral("MM"));
  QCOMPARE(window->Frame1->title(), QStringLiteral("Personal"));
  QCOMPARE(Control<QLabel>(window, "Label1")->text(), QStringLiteral("Name"));
  QCOMPARE(window->SSTab1->tabText(4), QStringLiteral("Contact"));
  QCOMPARE(NavigationStates(window), states);
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
  QCOMPARE(window->Toolbar1->actions().size(), 12);
}

void TestNavigation::shortcuts_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<QString>("shown");
  // Each starts on Bob, the middle customer.
  QTest::newRow("Page Down is next") << int(Qt::Key_PageDown) << 0 << "Carol";
  QTest::newRow("Ctrl+End is last") << int(Qt::Key_End) << int(Qt::ControlModifier) << "Carol";
  QTest::newRow("Page Up is previous") << int(Qt::Key_PageUp) << 0 << "Alice";
  QTest::newRow("Ctrl+Home is first") << int(Qt::Key_Home) << int(Qt::ControlModifier) << "Alice";
}

void TestNavigation::shortcuts() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(QString, shown);
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  Press(window, "next");
  window->SSTab1->tabBar()->setFocus();
  QTest::keyClick(window->SSTab1->tabBar(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  CheckShows(window, shown);
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
  QCOMPARE(env.fatalStatus, 0);
}

void TestNavigation::shortcut_disabledButtonDoesNothing() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  Press(window, "previous");
  QCOMPARE(NavigationStates(window), QStringLiteral("DDEE"));
  Press(window, "next");
  Press(window, "previous");  // Alice again, first/previous enabled
  Press(window, "previous");  // ran off: first/previous disabled
  window->SSTab1->tabBar()->setFocus();
  // A key pressed while its button is disabled does not move (and cannot fail).
  QTest::keyClick(window->SSTab1->tabBar(), Qt::Key_PageUp);
  QTest::keyClick(window->SSTab1->tabBar(), Qt::Key_Home, Qt::ControlModifier);
  CheckShows(window, "Alice");
  QCOMPARE(NavigationStates(window), QStringLiteral("DDEE"));
  QCOMPARE(env.fatalStatus, 0);
  QTest::keyClick(window->SSTab1->tabBar(), Qt::Key_PageDown);
  CheckShows(window, "Bob");
}

void TestNavigation::shortcut_focusedGridKeepsKeys() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  ShowTabOf(window->msfgFamily);
  window->msfgFamily->setFocus();
  QTest::keyClick(window->msfgFamily, Qt::Key_PageDown);
  QTest::keyClick(window->msfgFamily, Qt::Key_End, Qt::ControlModifier);
  CheckShows(window, "Alice");
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
}

void TestNavigation::shortcut_focusedComboKeepsPageKeys() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  Press(window, "modify");
  TypeInto(window->cmbBlood, "A");
  window->cmbBlood->setFocus();
  QWidget* focused = QApplication::focusWidget();
  QVERIFY(focused == window->cmbBlood || focused == window->cmbBlood->lineEdit());
  QTest::keyClick(focused, Qt::Key_PageDown);
  // The combo box moved to another entry; the window still shows Alice.
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
  QVERIFY(window->cmbBlood->currentText() != QStringLiteral("A"));
  QVERIFY(window->ModifyMode);
}

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
