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
void Enter(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  const bool typeable = text.size() <= 200 && std::none_of(text.begin(), text.end(), [](QChar c) {
                          return c.category() == QChar::Other_Control;
                        });
  if (typeable) {
    // Key by key; a character beyond ASCII arrives as the text of one key press, the way a
    // keyboard layout or an input method delivers it.
    for (const char32_t c : text.toUcs4()) {
      if (c < 0x7f) {
        QTest::keyClick(edit, char(c));
      } else {
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString::fromUcs4(&c, 1),
                            Qt::NoModifier);
      }
    }
  } else {
    QGuiApplication::clipboard()->setText(text);
    QTest::keySequence(edit, QKeySequence::Paste);
  }
}

void Enter(QWidget* input, const QString& text) {
  if (auto* combo = qobject_cast<QComboBox*>(input)) return Enter(combo->lineEdit(), text);
  Enter(qobject_cast<QLineEdit*>(input), text);
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
  CreateDatabase();
  InsertCustomer(FullCustomer(QStringLiteral("A001"), QStringLiteral("Alice")));
  InsertCustomer(FullCustomer(QStringLiteral("A002"), QStringLiteral("Bob")));
  InsertChild(QStringLiteral("family"), QStringLiteral("A001"),
              {QStringLiteral("wife"), QStringLiteral("Ann")});
  InsertChild(QStringLiteral("family"), QStringLiteral("A002"),
              {QStringLiteral("son"), QStringLiteral("Ben")});
  InsertChild(QStringLiteral("contact"), QStringLiteral("A002"), {QStringLiteral("2002")});
  QStringList lookalikes{text + QStringLiteral("1"), QStringLiteral("x") + text};
  if (text.toUpper() != text) lookalikes << text.toUpper();
  if (text.trimmed() != text && !text.trimmed().isEmpty()) lookalikes << text.trimmed();
  for (const QString& key : lookalikes) {
    InsertCustomer(FullCustomer(key, QStringLiteral("Lookalike")));
    InsertChild(QStringLiteral("family"), key, {QStringLiteral("kin"), key});
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
  void duplicateKey_refused_data();
  void duplicateKey_refused();
  void similarKey_accepted_data();
  void similarKey_accepted();
  void emptyKey_storedOnce();
};

void TestBadInput::newCustomer_roundTrips() {
  QFETCH(QString, text);
  TestEnv env;
  Neighbours(text);
  const QMap<QString, QJsonObject> before = Everyone();
  frmCust* window = OpenWindow();

  Press(window, "new");
  Enter(window->txtCID, text);
  Enter(window->txtName, text);
  Enter(window->cmbJobtype, text);
  Enter(window->txtAddcompany, text);
  EnterCell(window->msfgFamily, window->txtInput, 1, 0, text);
  EnterCell(window->msfgFamily, window->txtInput, 1, 1, QStringLiteral("after"));
  EnterCell(window->msfgFamily, window->txtInput, 1, 3, text);
  EnterCell(window->msfgContact, window->txtInputCon, 1, 5, text);
  // What the window holds is what was typed.
  QCOMPARE(window->txtCID->text(), text);
  QCOMPARE(window->txtName->text(), text);
  QCOMPARE(window->cmbJobtype->currentText(), text);
  QCOMPARE(window->msfgFamily->TextMatrix(1, 0), text);
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});
  QCOMPARE(env.fatalStatus, 0);

  const QMap<QString, Value> row = CustomerRow(text);
  QCOMPARE(row.value(QStringLiteral("CID")), Value(text));
  QCOMPARE(row.value(QStringLiteral("Cust_name")), Value(text));
  QCOMPARE(row.value(QStringLiteral("Cust_jobtype")), Value(text));
  QCOMPARE(row.value(QStringLiteral("Cust_addoffice")), Value(text));
  QCOMPARE(row.value(QStringLiteral("Cust_email")), Value(QStringLiteral("")));
  QCOMPARE(ChildRows(QStringLiteral("family"), text),
           (QVector<QVector<Value>>{{text, QStringLiteral("after"), Value(), text, Value(), Value(),
                                     Value(), Value()}}));
  QCOMPARE(ChildRows(QStringLiteral("contact"), text),
           (QVector<QVector<Value>>{
               {Value(), Value(), Value(), Value(), Value(), text, Value(), Value()}}));
  QMap<QString, QJsonObject> after = Everyone();
  QVERIFY(after.remove(text) == 1);
  QVERIFY2(after == before, "another customer's rows changed");

  // Shown again exactly, every cell in its own column.
  AwayAndBack(window, text);
  QCOMPARE(window->txtCID->text(), text);
  QCOMPARE(window->txtName->text(), text);
  QCOMPARE(window->cmbJobtype->currentText(), text);
  QCOMPARE(window->txtAddcompany->text(), text);
  QCOMPARE(GridLine(window->msfgFamily, 1), (QStringList{text, "after", "", text, "", "", "", ""}));
  QCOMPARE(GridLine(window->msfgContact, 1), (QStringList{"", "", "", "", "", text, "", ""}));
  QCOMPARE(window->msfgFamily->Rows(), 3);
}

void TestBadInput::renamedKey_takesItsListsAlong() {
  QFETCH(QString, text);
  TestEnv env;
  Neighbours(text);
  QMap<QString, QJsonObject> before = Everyone();
  frmCust* window = OpenWindow();
  Press(window, "next");
  QCOMPARE(window->txtCID->text(), QStringLiteral("A002"));

  Press(window, "modify");
  Enter(window->txtCID, text);
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});

  reliability::IndependentDb db(kDatabaseFile);
  for (const QString table : {"customer", "family", "insurance", "compensate", "contact"})
    QCOMPARE(db.Column(QStringLiteral("select count(*) from %1 where CID='A002'").arg(table)),
             QStringList{QStringLiteral("0")});
  QCOMPARE(ChildRows(QStringLiteral("family"), text).value(0).mid(0, 2),
           (QVector<Value>{QStringLiteral("son"), QStringLiteral("Ben")}));
  QCOMPARE(ChildRows(QStringLiteral("contact"), text).value(0).value(0),
           Value(QStringLiteral("2002")));
  QMap<QString, QJsonObject> after = Everyone();
  QVERIFY(after.remove(text) == 1);
  before.remove(QStringLiteral("A002"));
  QVERIFY2(after == before, "another customer's rows changed");

  AwayAndBack(window, text);
  QCOMPARE(window->txtCID->text(), text);
  QCOMPARE(window->txtName->text(), QStringLiteral("Bob"));
  QCOMPARE(GridLine(window->msfgFamily, 1).mid(0, 2), (QStringList{"son", "Ben"}));
}

void TestBadInput::deleteOddKey_removesOnlyThatCustomer() {
  QFETCH(QString, text);
  TestEnv env;
  Neighbours(text);
  InsertCustomer(FullCustomer(text, QStringLiteral("Odd")));
  InsertChild(QStringLiteral("family"), text, {QStringLiteral("odd kin")});
  InsertChild(QStringLiteral("insurance"), text, {QStringLiteral("odd insurer")});
  QMap<QString, QJsonObject> before = Everyone();
  frmCust* window = OpenWindow();
  AwayAndBack(window, text);
  QCOMPARE(window->txtName->text(), QStringLiteral("Odd"));
  QCOMPARE(GridLine(window->msfgFamily, 1).value(0), QStringLiteral("odd kin"));

  Press(window, "delete");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});
  QMap<QString, QJsonObject> after = Everyone();
  before.remove(text);
  QVERIFY2(after == before, "another customer's rows changed");
  QCOMPARE(ChildRows(QStringLiteral("family"), text).size(), 0);
  QCOMPARE(ChildRows(QStringLiteral("insurance"), text).size(), 0);
}

void TestBadInput::duplicateKey_refused_data() {
  QTest::addColumn<QString>("key");
  QTest::newRow("plain") << "A001";
  QTest::newRow("quote") << "O'Brien";
  QTest::newRow("percent") << "10%";
  QTest::newRow("underscore") << "a_b";
  QTest::newRow("CJK") << "王小明";
  QTest::newRow("trailing blank") << "K1 ";
  QTest::newRow("tab") << "K\t2";
}

void TestBadInput::duplicateKey_refused() {
  QFETCH(QString, key);
  TestEnv env;
  Neighbours(key);
  InsertCustomer(FullCustomer(key, QStringLiteral("Holder")));
  InsertChild(QStringLiteral("family"), key, {QStringLiteral("holder kin")});
  const QMap<QString, QJsonObject> before = Everyone();
  const QByteArray bytes = FileBytes(kDatabaseFile);
  frmCust* window = OpenWindow();

  // As a new customer.
  Press(window, "new");
  Enter(window->txtCID, key);
  Enter(window->txtName, QStringLiteral("Intruder"));
  EnterCell(window->msfgFamily, window->txtInput, 1, 0, QStringLiteral("intruder kin"));
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("C_No already exists！")});
  QVERIFY(window->NewMode);
  QCOMPARE(window->txtName->text(), QStringLiteral("Intruder"));
  QCOMPARE(window->msfgFamily->TextMatrix(1, 0), QStringLiteral("intruder kin"));
  QCOMPARE(FileBytes(kDatabaseFile), bytes);

  // And as a renamed one.
  UnloadAllWindows();
  env.messages.clear();
  window = OpenWindow();
  Press(window, "next");
  QCOMPARE(window->txtCID->text(), QStringLiteral("A002"));
  Press(window, "modify");
  Enter(window->txtCID, key);
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("C_No already exists！")});
  QVERIFY(window->ModifyMode);
  QCOMPARE(Everyone(), before);
}

void TestBadInput::similarKey_accepted_data() {
  QTest::addColumn<QString>("key");
  QTest::newRow("other case") << "a001";
  QTest::newRow("trailing blank") << "A001 ";
  QTest::newRow("leading blank") << " A001";
  QTest::newRow("underscore for a character") << "A00_";
  QTest::newRow("percent for the rest") << "A%";
}

void TestBadInput::similarKey_accepted() {
  QFETCH(QString, key);
  TestEnv env;
  Neighbours(QStringLiteral("Q"));
  const QMap<QString, QJsonObject> before = Everyone();
  frmCust* window = OpenWindow();
  Press(window, "new");
  Enter(window->txtCID, key);
  Enter(window->txtName, QStringLiteral("Similar"));
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});
  QMap<QString, QJsonObject> after = Everyone();
  QVERIFY(after.remove(key) == 1);
  QCOMPARE(after, before);
}

void TestBadInput::emptyKey_storedOnce() {
  TestEnv env;
  Neighbours(QStringLiteral("Q"));
  frmCust* window = OpenWindow();
  Press(window, "new");
  Enter(window->txtName, QStringLiteral("No key"));
  EnterCell(window->msfgFamily, window->txtInput, 1, 0, QStringLiteral("keyless kin"));
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});
  QCOMPARE(CustomerRow(QStringLiteral(""))[QStringLiteral("Cust_name")],
           Value(QStringLiteral("No key")));
  QCOMPARE(ChildRows(QStringLiteral("family"), QStringLiteral("")).size(), 1);

  // A second customer without a key would share it.
  env.messages.clear();
  Press(window, "new");
  Enter(window->txtName, QStringLiteral("No key either"));
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("C_No already exists！")});
  QCOMPARE(Count(QStringLiteral("select count(*) from customer where CID=''")), 1);

  // Shown again after paging away and back, with its list.
  UnloadAllWindows();
  window = OpenWindow();
  AwayAndBack(window, QString());
  Press(window, "last");
  QCOMPARE(window->txtName->text(), QStringLiteral("No key"));
  QCOMPARE(GridLine(window->msfgFamily, 1).value(0), QStringLiteral("keyless kin"));
}

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
