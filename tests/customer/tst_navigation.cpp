// Paging through the customers: the navigation commands, their button states, the clearing of
// the window before each display, and the keyboard shortcuts of every toolbar command.

#include <QLabel>
#include <QTabBar>

#include "app/module1.h"
#include "custtest.h"
#include "ui/search/frmsearch.h"
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
  InsertChild("family", "A001", {"wife", "Ann"});
  InsertChild("family", "A001", {"son", "Al"});
  InsertChild("family", "A003", {"husband", "Carl"});
  InsertChild("contact", "A001", {"2001"});
  InsertChild("contact", "A003", {"2003"});
}

// The window shows this customer with exactly its own lists, and it is the current row.
void CheckShows(frmCust* window, const QString& name) {
  const QMap<QString, QStringList> family{{"Alice", {"wife|Ann||||||", "son|Al||||||"}},
                                          {"Bob", {}},
                                          {"Carol", {"husband|Carl||||||"}}};
  const QMap<QString, QStringList> contacts{
      {"Alice", {"2001|||||||"}}, {"Bob", {}}, {"Carol", {"2003|||||||"}}};
  const QString key = QStringLiteral("A00%1").arg(kNames.indexOf(name) + 1);
  QCOMPARE(window->txtName->text(), name);
  QCOMPARE(window->txtCID->text(), key);
  QCOMPARE(window->cmbSalary->currentText(), key + "-salary");
  QCOMPARE(GridEntries(window->msfgFamily), family[name]);
  QCOMPARE(GridEntries(window->msfgContact), contacts[name]);
  QCOMPARE(window->msfgInsurlife->Rows(), 2);
  QCOMPARE(*CustomerSet->Field("CID"), key);
}

}  // namespace

class TestNavigation : public QObject {
  Q_OBJECT

 private slots:
  void buttons_data();
  void buttons();
  void emptyTable_data();
  void emptyTable();
  void editingModeKeepsModeAndReplacesTypedValues_data();
  void editingModeKeepsModeAndReplacesTypedValues();
  void unknownKeyDoesNothing();
  void clearControlsOnTheWindow();
  void shortcuts_data();
  void shortcuts();
};

void TestNavigation::buttons_data() {
  QTest::addColumn<QStringList>("presses");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QString>("states");  // first, previous, next, last
  auto row = [](const char* name, const QStringList& presses, const char* shown,
                const char* states) { QTest::newRow(name) << presses << shown << states; };
  row("right after start-up", {}, "Alice", "EEEE");
  row("previous on the first row", {"previous"}, "Alice", "DDEE");
  row("next from the first row", {"next"}, "Bob", "EEEE");
  row("next onto the last row", {"next", "next"}, "Carol", "EEEE");
  row("next on the last row", {"next", "next", "next"}, "Carol", "EEDD");
  row("last", {"last"}, "Carol", "EEEE");
  row("next after last", {"last", "next"}, "Carol", "EEDD");
  row("first after last", {"last", "first"}, "Alice", "EEEE");
  row("first after running off the end", {"last", "next", "first"}, "Alice", "EEEE");
  row("last after running off the start", {"previous", "last"}, "Carol", "EEEE");
  row("previous from the last row", {"last", "previous"}, "Bob", "EEEE");
  row("previous back onto the first row", {"next", "previous"}, "Alice", "EEEE");
  row("previous after first", {"last", "first", "previous"}, "Alice", "DDEE");
  row("next after running off the start", {"previous", "next"}, "Bob", "EEEE");
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
    Press(window, key);
  }
  CheckShows(window, shown);
  QCOMPARE(NavigationStates(window), states);
  // Navigation never touches the editing buttons or shows a message.
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
  QVERIFY(env.messages.isEmpty());
  QCOMPARE(env.fatalStatus, 0);
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
  Press(window, key);
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(env.messages.isEmpty());
  QCOMPARE(NavigationStates(window), QStringLiteral("DDDD"));
  for (QWidget* input : Inputs(window)) QCOMPARE(ShownText(input), QString());
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
  Press(window, mode);
  TypeInto(window->txtName, "Typed name");
  TypeInto(window->cmbSex, "typed");
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 1, "typed member");
  Press(window, "next");
  CheckShows(window, "Bob");
  QCOMPARE(window->NewMode, mode == "new");
  QCOMPARE(window->ModifyMode, mode == "modify");
  QCOMPARE(EditStates(window), QStringLiteral("DDEDE"));
  QVERIFY(window->txtName->isEnabled());
  // The editor left the cleared grid: it is hidden, empty and writes into no cell of Bob.
  QVERIFY(!window->txtInput->isVisible());
  QCOMPARE(window->txtInput->text(), QString());
  QTest::keyClicks(window->txtInput, "stray");
  QCOMPARE(GridLines(window->msfgFamily), QStringList{"|||||||"});
  // Nothing was written.
  QCOMPARE(*CustomerRow("A001")["Cust_name"], QStringLiteral("Alice"));
  QCOMPARE(ChildRows("family", "A001").size(), 2);
}

void TestNavigation::unknownKeyDoesNothing() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  Press(window, "next");
  const QStringList before = Snapshot(window);
  for (const char* key : {"Next", "NEXT", "schedule", "", "first "})
    window->Toolbar1_ButtonClick(QLatin1String(key));
  CheckShows(window, "Bob");
  QCOMPARE(Snapshot(window), before);
  QVERIFY(env.messages.isEmpty());
}

// The window's own controls under the shared clearing: every list cut back to its empty entry
// row, every input empty, and what is not the customer's (captions, tab, toolbar) untouched.
void TestNavigation::clearControlsOnTheWindow() {
  TestEnv env;
  ThreeCustomers();
  for (int i = 0; i < 40; ++i) InsertChild("insurance", "A001", {QString::number(i)});
  frmCust* window = OpenWindow();
  QCOMPARE(window->msfgInsurlife->Rows(), 42);
  window->SSTab1->setCurrentIndex(3);
  Press(window, "previous");  // the navigation buttons become DDEE
  ClearControls(window);
  for (QWidget* input : Inputs(window)) QCOMPARE(ShownText(input), QString());
  for (const List& list : Lists(window)) {
    QCOMPARE(GridLines(list.grid), QStringList{QString(list.grid->Cols() - 1, '|')});
    QCOMPARE(Headings(list.grid).size(), list.grid->Cols());
  }
  QCOMPARE(Headings(window->msfgInsurlife).first(), QStringLiteral("Insurer"));
  QCOMPARE(window->SSTab1->currentIndex(), 3);
  QCOMPARE(window->Label6->text(), QStringLiteral("MM"));
  QCOMPARE(Control<QLabel>(window, "Label1")->text(), QStringLiteral("Name"));
  QCOMPARE(window->SSTab1->tabText(4), QStringLiteral("Contact"));
  QCOMPARE(NavigationStates(window), QStringLiteral("DDEE"));
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
}

// Every shortcut runs its button's command, does nothing while the button is disabled, and
// leaves a key that the focused grid or combo box needs to it.
void TestNavigation::shortcuts_data() {
  QTest::addColumn<QStringList>("presses");  // pressed on the toolbar first, from Alice
  QTest::addColumn<QString>("focus");        // "tabs", "grid" or "combo"
  QTest::addColumn<QKeySequence>("keys");
  QTest::addColumn<QString>("shown");  // the name on screen afterwards
  QTest::addColumn<QString>("mode");   // browse, new or modify
  QTest::addColumn<QStringList>("messages");
  auto row = [](const char* name, const QStringList& presses, const char* focus, const char* keys,
                const char* shown, const char* mode, const QStringList& messages = {}) {
    QTest::newRow(name) << presses << focus << QKeySequence(keys) << shown << mode << messages;
  };
  row("Page Down is next", {"next"}, "tabs", "PgDown", "Carol", "browse");
  row("Ctrl+End is last", {}, "tabs", "Ctrl+End", "Carol", "browse");
  row("Page Up is previous", {"last"}, "tabs", "PgUp", "Bob", "browse");
  row("Ctrl+Home is first", {"last"}, "tabs", "Ctrl+Home", "Alice", "browse");
  row("Page Up while previous is disabled", {"previous"}, "tabs", "PgUp", "Alice", "browse");
  row("Ctrl+Home while first is disabled", {"previous"}, "tabs", "Ctrl+Home", "Alice", "browse");
  row("Page Down while next is disabled", {"last", "next"}, "tabs", "PgDown", "Carol", "browse");
  row("a focused grid keeps Page Down", {}, "grid", "PgDown", "Alice", "browse");
  row("a focused grid keeps Ctrl+End", {}, "grid", "Ctrl+End", "Alice", "browse");
  row("a focused combo box keeps Page Down", {"modify"}, "combo", "PgDown", "Alice", "modify");
  row("Ctrl+N is new", {}, "tabs", "Ctrl+N", "", "new");
  row("Ctrl+E is modify", {}, "tabs", "Ctrl+E", "Alice", "modify");
  row("Ctrl+S is save", {"modify"}, "tabs", "Ctrl+S", "Alice", "browse", {"Finish"});
  row("Ctrl+S while browsing does nothing", {}, "tabs", "Ctrl+S", "Alice", "browse");
  row("Ctrl+N while modifying does nothing", {"modify"}, "tabs", "Ctrl+N", "Alice", "modify");
  row("Ctrl+E while entering a new one does nothing", {"new"}, "tabs", "Ctrl+E", "", "new");
  row("Ctrl+F is search", {}, "tabs", "Ctrl+F", "Alice", "browse");
  row("delete has no key: Delete", {}, "tabs", "Del", "Alice", "browse");
  row("delete has no key: Ctrl+D", {}, "tabs", "Ctrl+D", "Alice", "browse");
}

void TestNavigation::shortcuts() {
  QFETCH(QStringList, presses);
  QFETCH(QString, focus);
  QFETCH(QKeySequence, keys);
  QFETCH(QString, shown);
  QFETCH(QString, mode);
  QFETCH(QStringList, messages);
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  Press(window, presses);
  QWidget* target = window->SSTab1->tabBar();
  if (focus == "grid") {
    ShowTabOf(window->msfgFamily);
    target = window->msfgFamily;
  } else if (focus == "combo") {
    target = window->cmbBlood->lineEdit();
  }
  target->setFocus();
  QTest::keySequence(target, keys);
  QCOMPARE(window->txtName->text(), shown);
  QCOMPARE(window->NewMode, mode == "new");
  QCOMPARE(window->ModifyMode, mode == "modify");
  QCOMPARE(env.messages, messages);
  QCOMPARE(Count("select count(*) from customer"), 3);
  QCOMPARE(Loaded<frmSearch>() != nullptr, keys == QKeySequence("Ctrl+F"));
  QCOMPARE(env.fatalStatus, 0);
}

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
