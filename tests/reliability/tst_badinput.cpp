// Odd input typed or pasted into the customer window: quotes, wildcards, backslashes, SQL
// fragments, tabs and newlines, CJK and emoji, blanks at the ends, very long texts, and keys that
// are empty, taken or renamed. Each text must be stored exactly as the window holds it and shown
// again the same way after paging away and back, or be refused with a message; other customers'
// rows are never touched.

#include <QClipboard>
#include <QGuiApplication>

#include "app/module1.h"
#include "dbstate.h"
#include "tests/customer/custtest.h"

using namespace custtest;
using reliability::IndependentDb;

namespace {

// Typed key by key where the keyboard can produce the text; pasted where it cannot (a tab or a
// newline moves the focus or is dropped when typed) or where typing would take too long.
void Enter(QWidget* input, const QString& text) {
  const bool typeable = text.size() <= 200 && std::none_of(text.begin(), text.end(), [](QChar c) {
                          return c.category() == QChar::Other_Control;
                        });
  if (typeable) return TypeInto(input, text);
  TypeInto(input, QString());
  QGuiApplication::clipboard()->setText(text);
  QTest::keySequence(QApplication::focusWidget(), QKeySequence::Paste);
}

// Into a grid cell through the editor that a click on the cell opens.
void EnterCell(ListGrid* grid, CellEditor* editor, int row, int col, const QString& text) {
  ClickCell(grid, row, col);
  QVERIFY(editor->isVisible());
  Enter(editor, text);
}

QString LongText() {
  QString text;
  const QString piece = QStringLiteral("long 'text' 王 %_\\ ");
  while (text.size() < 10000) text += piece;
  return text.left(10000);
}

void OddTexts() {
  QTest::addColumn<QString>("text");
  QTest::newRow("single quote") << "O'Brien's";
  QTest::newRow("double quote") << "say \"hi\"";
  QTest::newRow("percent") << "100%";
  QTest::newRow("underscore") << "a_b";
  QTest::newRow("backslash") << "C:\\dir\\";
  QTest::newRow("semicolon") << "a; b";
  QTest::newRow("comment dashes") << "x -- y";
  QTest::newRow("statement injection") << "'); delete from customer; --";
  QTest::newRow("tab pasted") << "left\tright";
  QTest::newRow("newline pasted") << "line one\nline two";
  QTest::newRow("CJK") << "王小明 客戶";
  QTest::newRow("emoji") << "😀👍 ok";
  QTest::newRow("full-width signs") << "！／：";
  QTest::newRow("leading and trailing blanks") << "  padded  ";
  QTest::newRow("only blanks") << "   ";
  QTest::newRow("10,000 characters") << LongText();
}

// Alice and Bob with lists, and two customers whose keys only resemble the odd text (a loose
// comparison, a wildcard or a case-blind match would reach them).
void Neighbours(const QString& text) {
  CustomersWithKin({{"A001", "Alice"}, {"A002", "Bob"}});
  InsertChild("contact", "A002", {"2002"});
  QStringList lookalikes{text + "1", "x" + text};
  if (text.toUpper() != text) lookalikes << text.toUpper();
  if (text.trimmed() != text && !text.trimmed().isEmpty()) lookalikes << text.trimmed();
  for (const QString& key : lookalikes) {
    InsertCustomer(FullCustomer(key, "Lookalike"));
    InsertChild("family", key, {"kin", key});
  }
}

QMap<QString, QJsonObject> Everyone() {
  return IndependentDb(kDatabaseFile).Customers();
}

// Pages away and back to the customer with this key.
void AwayAndBack(frmCust* window, const QString& key) {
  Press(window, "first");
  for (int i = 0; i < 20 && window->txtCID->text() != key; ++i) Press(window, "next");
}

}  // namespace

class TestBadInput : public QObject {
  Q_OBJECT

 private slots:
  void newCustomer_roundTrips_data() { OddTexts(); }
  void newCustomer_roundTrips();
  void renamedKey_takesItsListsAlong_data() { OddTexts(); }
  void renamedKey_takesItsListsAlong();
  void deleteOddKey_removesOnlyThatCustomer_data() { OddTexts(); }
  void deleteOddKey_removesOnlyThatCustomer();
  void keyTakenOrOnlySimilar_data();
  void keyTakenOrOnlySimilar();
  void emptyKey_storedOnce();
};

void TestBadInput::newCustomer_roundTrips() {
  QFETCH(QString, text);
  TestEnv env;
  Neighbours(text);
  QMap<QString, QJsonObject> others = Everyone();
  frmCust* window = OpenWindow();

  Press(window, "new");
  for (QWidget* input :
       QList<QWidget*>{window->txtCID, window->txtName, window->cmbJobtype, window->txtAddcompany})
    Enter(input, text);
  EnterCell(window->msfgFamily, window->txtInput, 1, 0, text);
  EnterCell(window->msfgFamily, window->txtInput, 1, 1, "after");
  EnterCell(window->msfgFamily, window->txtInput, 1, 3, text);
  EnterCell(window->msfgContact, window->txtInputCon, 1, 5, text);
  // What the window holds is what was typed.
  const QStringList typed{
      text, text, text, text, text + "|after||" + text + "||||", "|||||" + text + "||"};
  auto shown = [window] {
    return QStringList{window->txtCID->text(),
                       window->txtName->text(),
                       window->cmbJobtype->currentText(),
                       window->txtAddcompany->text(),
                       GridLines(window->msfgFamily).value(0),
                       GridLines(window->msfgContact).value(0)};
  };
  QCOMPARE(shown(), typed);
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});

  // Stored exactly, empty cells as Null, empty inputs as empty texts.
  const QMap<QString, Value> row = CustomerRow(text);
  QCOMPARE((QVector<Value>{row["CID"], row["Cust_name"], row["Cust_jobtype"], row["Cust_addoffice"],
                           row["Cust_email"]}),
           (QVector<Value>{text, text, text, text, ""}));
  const Value N;
  QCOMPARE(ChildRows("family", text),
           (QVector<QVector<Value>>{{text, "after", N, text, N, N, N, N}}));
  QCOMPARE(ChildRows("contact", text), (QVector<QVector<Value>>{{N, N, N, N, N, text, N, N}}));
  QMap<QString, QJsonObject> after = Everyone();
  QVERIFY(after.remove(text) == 1);
  QVERIFY2(after == others, "another customer's rows changed");

  // Shown again exactly, every cell in its own column (a tab shifts nothing).
  AwayAndBack(window, text);
  QCOMPARE(shown(), typed);
  QCOMPARE(window->msfgFamily->Rows(), 3);
}

// A rename takes the lists along and leaves no row under the old key; rows that lay under the
// new key without a customer are not taken over; the renamed customer is the one saved next.
void TestBadInput::renamedKey_takesItsListsAlong() {
  QFETCH(QString, text);
  TestEnv env;
  Neighbours(text);
  InsertChild("insurance", text, {"orphan"});
  QMap<QString, QJsonObject> others = Everyone();
  others.remove("A002");
  frmCust* window = OpenWindow();
  Press(window, "next");
  QCOMPARE(window->txtCID->text(), QStringLiteral("A002"));

  Press(window, "modify");
  Enter(window->txtCID, text);
  Press(window, "save");
  Press(window, "modify");
  Enter(window->txtName, "Bobby");
  Press(window, "save");
  QCOMPARE(env.messages, (QStringList{"Finish", "Finish"}));

  for (const QString table : {"customer", "family", "insurance", "compensate", "contact"})
    QCOMPARE(Count(QStringLiteral("select count(*) from %1 where CID='A002'").arg(table)), 0);
  QMap<QString, QJsonObject> after = Everyone();
  const QJsonObject renamed = after.take(text);
  QCOMPARE(renamed["row"]["Cust_name"].toString(), QStringLiteral("Bobby"));
  QCOMPARE(renamed["family"].toArray().at(0).toArray().at(0).toString(), "rel of Bob");
  QCOMPARE(renamed["contact"].toArray().at(0).toArray().at(0).toString(), QStringLiteral("2002"));
  QCOMPARE(renamed["insurance"].toArray().size(), 0);
  QVERIFY2(after == others, "another customer's rows changed");

  AwayAndBack(window, text);
  QCOMPARE(window->txtCID->text(), text);
  QCOMPARE(GridLine(window->msfgFamily, 1).mid(0, 2), (QStringList{"rel of Bob", "kin"}));
}

void TestBadInput::deleteOddKey_removesOnlyThatCustomer() {
  QFETCH(QString, text);
  TestEnv env;
  Neighbours(text);
  QMap<QString, QJsonObject> others = Everyone();
  InsertCustomer(FullCustomer(text, "Odd"));
  InsertChild("family", text, {"odd kin"});
  InsertChild("insurance", text, {"odd insurer"});
  frmCust* window = OpenWindow();
  AwayAndBack(window, text);
  QCOMPARE(window->txtName->text(), QStringLiteral("Odd"));
  QCOMPARE(GridLine(window->msfgFamily, 1).value(0), QStringLiteral("odd kin"));

  Press(window, "delete");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QVERIFY2(Everyone() == others, "another customer's rows changed or the odd one's stayed");
  QCOMPARE(ChildRows("family", text).size() + ChildRows("insurance", text).size(), 0);
}

// A key another customer holds is refused, for a new customer and for a rename: nothing written,
// the mode and the typing kept. A key that only resembles one (case, blanks, wildcards) is
// another key.
void TestBadInput::keyTakenOrOnlySimilar_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<bool>("taken");
  auto row = [](const char* name, const QString& key, bool taken) {
    QTest::newRow(name) << key << taken;
  };
  row("taken: plain", "A001", true);
  row("taken: quote", "O'Brien", true);
  row("taken: percent", "10%", true);
  row("taken: underscore", "a_b", true);
  row("taken: CJK", "王小明", true);
  row("taken: trailing blank", "K1 ", true);
  row("taken: tab", "K\t2", true);
  row("similar: other case", "a001", false);
  row("similar: trailing blank", "A001 ", false);
  row("similar: leading blank", " A001", false);
  row("similar: underscore for a character", "A00_", false);
  row("similar: percent for the rest", "A%", false);
}

void TestBadInput::keyTakenOrOnlySimilar() {
  QFETCH(QString, key);
  QFETCH(bool, taken);
  TestEnv env;
  Neighbours(taken ? key : "Q");
  if (taken && key != "A001") {
    InsertCustomer(FullCustomer(key, "Holder"));
    InsertChild("family", key, {"holder kin"});
  }
  const QMap<QString, QJsonObject> before = Everyone();
  const QByteArray bytes = FileBytes(kDatabaseFile);
  frmCust* window = OpenWindow();

  Press(window, "new");
  Enter(window->txtCID, key);
  Enter(window->txtName, "Intruder");
  EnterCell(window->msfgFamily, window->txtInput, 1, 0, "intruder kin");
  const QStringList typed = Snapshot(window);
  Press(window, "save");
  if (!taken) {
    QCOMPARE(env.messages, QStringList{"Finish"});
    QMap<QString, QJsonObject> after = Everyone();
    QVERIFY(after.remove(key) == 1);
    QCOMPARE(after, before);
    return;
  }
  QCOMPARE(env.messages, QStringList{"C_No already exists！"});
  QCOMPARE(Snapshot(window), typed);
  QCOMPARE(FileBytes(kDatabaseFile), bytes);

  // And as a rename.
  UnloadAllWindows();
  env.messages.clear();
  window = OpenWindow();
  Press(window, "next");
  QCOMPARE(window->txtCID->text(), QStringLiteral("A002"));
  Press(window, "modify");
  Enter(window->txtCID, key);
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"C_No already exists！"});
  QVERIFY(window->ModifyMode);
  QCOMPARE(Everyone(), before);
}

void TestBadInput::emptyKey_storedOnce() {
  TestEnv env;
  Neighbours("Q");
  frmCust* window = OpenWindow();
  Press(window, "new");
  Enter(window->txtName, "No key");
  EnterCell(window->msfgFamily, window->txtInput, 1, 0, "keyless kin");
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(CustomerRow("")["Cust_name"], Value("No key"));
  QCOMPARE(ChildRows("family", "").size(), 1);

  // A second customer without a key would share it.
  Press(window, "new");
  Enter(window->txtName, "No key either");
  Press(window, "save");
  QCOMPARE(env.messages.last(), QStringLiteral("C_No already exists！"));
  QCOMPARE(Count("select count(*) from customer where CID=''"), 1);

  // Shown again after paging away and back, with its list.
  UnloadAllWindows();
  window = OpenWindow();
  Press(window, "last");
  QCOMPARE(window->txtName->text(), QStringLiteral("No key"));
  QCOMPARE(GridLine(window->msfgFamily, 1).value(0), QStringLiteral("keyless kin"));
}

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
