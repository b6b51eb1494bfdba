// Typing the lists into the grids: the floating cell editor, placed by real mouse clicks and
// fed by real key clicks, and the rule that opens a new entry row.

#include <QScrollBar>

#include "custtest.h"

using namespace custtest;

namespace {

struct Pair {
  ListGrid* grid;
  CellEditor* editor;
};

Pair PairOf(frmCust* window, const QString& listKey) {
  if (listKey == "fam") return {window->msfgFamily, window->txtInput};
  if (listKey == "insur") return {window->msfgInsurlife, window->txtInputInsur};
  if (listKey == "com") return {window->msfgCompenlife, window->txtInputCom};
  return {window->msfgContact, window->txtInputCon};
}

// One customer with many rows in every list, so that the grids can scroll: row i holds
// "<first>i" in its first column and "<last>i" in its last, "" in between.
void CustomerWithLongLists(int rows) {
  CreateDatabase();
  InsertSimpleCustomer("A001", "Alice");
  const QList<std::tuple<QString, QString, QString, int>> lists{{"family", "rel", "c", 8},
                                                                {"insurance", "co", "ann", 11},
                                                                {"compensate", "date", "state", 7},
                                                                {"contact", "day", "comm", 8}};
  for (const auto& [table, first, last, cols] : lists) {
    QStringList columns = Tables()[0].columns;
    for (const TableLayout& layout : Tables())
      if (layout.name == table) columns = layout.columns.mid(2);
    QStringList values{QStringLiteral("'%1'||i").arg(first)};
    for (int c = 1; c < cols - 1; ++c) values << "''";
    values << QStringLiteral("'%1'||i").arg(last);
    // The family's second column holds the name.
    if (table == "family") values[1] = "'name'||i";
    Sql(QStringLiteral("insert into %1 (CID,%2) with recursive n(i) as (select 1 union all "
                       "select i+1 from n where i<%3) select 'A001',%4 from n")
            .arg(table, columns.join(','), QString::number(rows), values.join(',')));
  }
}

// The editor lies exactly over the cell on screen and has its size.
void CheckEditorOverCell(ListGrid* grid, CellEditor* editor, int row, int col) {
  const QRect cell = grid->visualRect(grid->model()->index(row - 1, col));
  QVERIFY(!cell.isEmpty());
  const QPoint corner = grid->viewport()->mapTo(editor->parentWidget(), cell.topLeft());
  QCOMPARE(editor->pos(), corner);
  QCOMPARE(editor->size(), QSize(grid->columnWidth(col), grid->rowHeight(row - 1)));
  QVERIFY(editor->isVisible());
  // Nothing covers it: the widget under the cell's center is the editor (or its insides).
  const QPoint center =
      editor->parentWidget()->mapTo(editor->window(), editor->geometry().center());
  QWidget* top = editor->window()->childAt(center);
  QVERIFY(top == editor || editor->isAncestorOf(top));
}

}  // namespace

class TestGridEditing : public QObject {
  Q_OBJECT

 private slots:
  void browsingClickDoesNothing();
  void editorOverClickedCell_data();
  void editorOverClickedCell();
  void editorOverCellOfScrolledGrid_data();
  void editorOverCellOfScrolledGrid();
  void placingEditorLeavesCellText();
  void typingAndErasingChangeTheCell();
  void appendRule_data();
  void appendRule();
  void appendRule_secondClickAddsNothing();
  void unknownListKeyDoesNothing();
  void headingRowPlacesNothing();
  void dragServesPressedCell();
  void keyboardMoveDoesNotRedirectTyping();
  void gridPreparationPlacesHiddenEditors();
  void clearingDetachesEditors();
};

void TestGridEditing::browsingClickDoesNothing() {
  TestEnv env;
  CustomerWithLongLists(3);
  frmCust* window = OpenWindow();
  for (const char* key : {"fam", "insur", "com", "con"}) {
    auto [grid, editor] = PairOf(window, key);
    const int rows = grid->Rows();
    const QStringList line = GridLine(grid, 2);
    // Type a first field into the entry row by other means, then click its second field.
    grid->SetTextMatrix(rows - 1, 0, "typed");
    ClickCell(grid, rows - 1, 1);
    ClickCell(grid, 2, 0);
    QVERIFY2(!editor->isVisible(), key);
    QVERIFY2(!editor->IsAttached(), key);
    QCOMPARE(grid->Rows(), rows);
    QTest::keyClicks(editor, "x");
    QCOMPARE(GridLine(grid, 2), line);
  }
}

void TestGridEditing::editorOverClickedCell_data() {
  QTest::addColumn<QString>("listKey");
  QTest::addColumn<int>("row");
  QTest::addColumn<int>("col");
  QTest::newRow("family, first entry, first column") << "fam" << 1 << 0;
  QTest::newRow("family, entry row, last column") << "fam" << 4 << 7;
  QTest::newRow("insurance, second entry, column 3") << "insur" << 2 << 3;
  QTest::newRow("compensation, third entry, column 6") << "com" << 3 << 6;
  QTest::newRow("contact, entry row, column 1") << "con" << 4 << 1;
}

void TestGridEditing::editorOverClickedCell() {
  QFETCH(QString, listKey);
  QFETCH(int, row);
  QFETCH(int, col);
  TestEnv env;
  CustomerWithLongLists(3);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  auto [grid, editor] = PairOf(window, listKey);
  const QString text = grid->TextMatrix(row, col);
  ClickCell(grid, row, col);
  CheckEditorOverCell(grid, editor, row, col);
  QCOMPARE(editor->text(), text);
  QVERIFY(editor->hasFocus() || QApplication::focusWidget() == editor ||
          window->focusWidget() == editor);
  QCOMPARE(editor->ServedRow(), row);
  QCOMPARE(editor->ServedCol(), col);
}

void TestGridEditing::editorOverCellOfScrolledGrid_data() {
  QTest::addColumn<QString>("listKey");
  QTest::newRow("family") << "fam";
  QTest::newRow("insurance") << "insur";
  QTest::newRow("compensation") << "com";
  QTest::newRow("contact") << "con";
}

void TestGridEditing::editorOverCellOfScrolledGrid() {
  QFETCH(QString, listKey);
  TestEnv env;
  CustomerWithLongLists(40);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  auto [grid, editor] = PairOf(window, listKey);
  ShowTabOf(grid);
  grid->verticalScrollBar()->setValue(15);
  grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
  QApplication::processEvents();
  QVERIFY(grid->TopRow() > 10);
  const int row = grid->TopRow() + 2;
  const int col = grid->Cols() - 1;
  ClickCell(grid, row, col);
  CheckEditorOverCell(grid, editor, row, col);
  QCOMPARE(editor->text(), grid->TextMatrix(row, col));
  QVERIFY(!editor->text().isEmpty());
  QTest::keyClicks(editor, "+");
  QCOMPARE(grid->TextMatrix(row, col).right(1), QStringLiteral("+"));
  // Scrolling the grid further carries the editor along with its cell.
  grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->value() - 1);
  QApplication::processEvents();
  CheckEditorOverCell(grid, editor, row, col);
}

void TestGridEditing::placingEditorLeavesCellText() {
  TestEnv env;
  CustomerWithLongLists(2);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  const QStringList before = GridLine(window->msfgFamily, 2);
  for (int col : {0, 1, 2, 7}) {
    ClickCell(window->msfgFamily, 2, col);
    QCOMPARE(window->txtInput->text(), before[col]);
  }
  QCOMPARE(GridLine(window->msfgFamily, 2), before);
  // Placing it from another cell does not carry the previous cell's text over.
  QCOMPARE(GridLine(window->msfgFamily, 1)[7], QStringLiteral("c1"));
}

void TestGridEditing::typingAndErasingChangeTheCell() {
  TestEnv env;
  CustomerWithLongLists(1);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  ListGrid* grid = window->msfgContact;
  ClickCell(grid, 1, 4);
  QTest::keyClicks(window->txtInputCon, "T");
  QCOMPARE(grid->TextMatrix(1, 4), QStringLiteral("T"));
  QTest::keyClicks(window->txtInputCon, "om ");
  // A character that an input method delivers.
  QTest::sendKeyEvent(QTest::Click, window->txtInputCon, Qt::Key_A, QStringLiteral("陳"),
                      Qt::NoModifier);
  QCOMPARE(grid->TextMatrix(1, 4), QStringLiteral("Tom 陳"));
  for (int i = 0; i < 5; ++i) QTest::keyClick(window->txtInputCon, Qt::Key_Backspace);
  QCOMPARE(grid->TextMatrix(1, 4), QString());
  // Erasing a loaded value empties its cell.
  ClickCell(grid, 1, 0);
  QCOMPARE(window->txtInputCon->text(), QStringLiteral("day1"));
  window->txtInputCon->selectAll();
  QTest::keyClick(window->txtInputCon, Qt::Key_Delete);
  QCOMPARE(grid->TextMatrix(1, 0), QString());
  // The other cells of the row are untouched.
  QCOMPARE(grid->TextMatrix(1, 7), QStringLiteral("comm1"));
}

void TestGridEditing::appendRule_data() {
  QTest::addColumn<QString>("firstField");  // typed into column 0 of the clicked row first
  QTest::addColumn<bool>("entryRow");       // the clicked row is the entry row (else an entry)
  QTest::addColumn<int>("col");
  QTest::addColumn<int>("added");
  QTest::newRow("entry row, column 1, first field typed") << "Ann" << true << 1 << 1;
  QTest::newRow("entry row, column 0") << "Ann" << true << 0 << 0;
  QTest::newRow("entry row, column 2") << "Ann" << true << 2 << 0;
  QTest::newRow("entry row, last column") << "Ann" << true << 7 << 0;
  QTest::newRow("entry row, column 1, first field empty") << "" << true << 1 << 0;
  QTest::newRow("entry above the entry row, column 1") << "Ann" << false << 1 << 0;
}

void TestGridEditing::appendRule() {
  QFETCH(QString, firstField);
  QFETCH(bool, entryRow);
  QFETCH(int, col);
  QFETCH(int, added);
  TestEnv env;
  CustomerWithLongLists(1);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  ListGrid* grid = window->msfgFamily;
  QCOMPARE(grid->Rows(), 3);
  const int row = entryRow ? 2 : 1;
  if (!firstField.isEmpty()) {
    TypeIntoCell(grid, window->txtInput, row, 0, firstField);
  } else {
    ClickCell(grid, row, 0);
  }
  QCOMPARE(grid->Rows(), 3);
  ClickCell(grid, row, col);
  QCOMPARE(grid->Rows(), 3 + added);
  if (added) {
    QCOMPARE(GridLine(grid, 3), QStringList(8, QString()));
    QCOMPARE(grid->TextMatrix(2, 0), firstField);
  }
}

void TestGridEditing::appendRule_secondClickAddsNothing() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "Alice");
  frmCust* window = OpenWindow();
  Press(window, "new");
  ListGrid* grid = window->msfgCompenlife;
  TypeIntoCell(grid, window->txtInputCom, 1, 0, "2004/1/1");
  ClickCell(grid, 1, 1);
  QCOMPARE(grid->Rows(), 3);
  ClickCell(grid, 1, 1);
  QCOMPARE(grid->Rows(), 3);
  // The next entry row works the same way.
  TypeIntoCell(grid, window->txtInputCom, 2, 0, "2004/2/2");
  ClickCell(grid, 2, 1);
  QCOMPARE(grid->Rows(), 4);
  QCOMPARE(GridEntries(grid), (QStringList{"2004/1/1||||||", "2004/2/2||||||"}));
}

void TestGridEditing::unknownListKeyDoesNothing() {
  TestEnv env;
  CustomerWithLongLists(2);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  ClickCell(window->msfgFamily, 1, 1);
  const QRect geometry = window->txtInput->geometry();
  for (const char* key : {"Fam", "family", "", "cons"}) {
    window->msfgFamily->SetRow(2);
    window->msfgFamily->SetCol(0);
    window->ShowCellEditor(2, 0, QLatin1String(key));
    QCOMPARE(window->txtInput->geometry(), geometry);
    QCOMPARE(window->txtInput->text(), QStringLiteral("name1"));
    QCOMPARE(window->txtInput->ServedRow(), 1);
    QCOMPARE(window->txtInput->ServedCol(), 1);
  }
  QCOMPARE(GridLine(window->msfgFamily, 2)[0], QStringLiteral("rel2"));
}

void TestGridEditing::headingRowPlacesNothing() {
  TestEnv env;
  CustomerWithLongLists(1);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  ListGrid* grid = window->msfgInsurlife;
  ShowTabOf(grid);
  QHeaderView* header = grid->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
  QVERIFY(!window->txtInputInsur->isVisible());
  grid->SetRow(0);
  grid->SetCol(2);
  window->ShowCellEditor(0, 2, "insur");
  QVERIFY(!window->txtInputInsur->isVisible());
  // Typing into the editor cannot reach the heading.
  QTest::keyClicks(window->txtInputInsur, "x");
  QCOMPARE(grid->TextMatrix(0, 2), QStringLiteral("Coverage"));
}

void TestGridEditing::dragServesPressedCell() {
  TestEnv env;
  CustomerWithLongLists(3);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  ListGrid* grid = window->msfgFamily;
  ShowTabOf(grid);
  QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, CellRect(grid, 1, 0).center());
  QTest::mouseMove(grid->viewport(), CellRect(grid, 2, 1).center());
  QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, CellRect(grid, 2, 1).center());
  QVERIFY(window->txtInput->isVisible());
  CheckEditorOverCell(grid, window->txtInput, 1, 0);
  QCOMPARE(window->txtInput->text(), QStringLiteral("rel1"));
  QTest::keyClicks(window->txtInput, "X");
  QCOMPARE(grid->TextMatrix(1, 0), QStringLiteral("rel1X"));
  QCOMPARE(grid->TextMatrix(2, 1), QStringLiteral("name2"));
}

void TestGridEditing::keyboardMoveDoesNotRedirectTyping() {
  TestEnv env;
  CustomerWithLongLists(3);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  ListGrid* grid = window->msfgContact;
  ClickCell(grid, 1, 0);
  QTest::keyClicks(window->txtInputCon, "a");
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_Down);
  QTest::keyClick(grid, Qt::Key_Right);
  QCOMPARE(grid->Row(), 2);
  QTest::keyClicks(window->txtInputCon, "b");
  QCOMPARE(grid->TextMatrix(1, 0), QStringLiteral("day1ab"));
  QCOMPARE(grid->TextMatrix(2, 1), QString());
  QCOMPARE(grid->TextMatrix(2, 0), QStringLiteral("day2"));
}

void TestGridEditing::gridPreparationPlacesHiddenEditors() {
  TestEnv env;
  CustomerWithLongLists(2);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  const QList<QPair<QString, QString>> firstCells{
      {"fam", "rel1"}, {"insur", "co1"}, {"com", "date1"}, {"con", "day1"}};
  for (const auto& [key, text] : firstCells) {
    auto [grid, editor] = PairOf(window, key);
    QVERIFY(!editor->isVisible());
    QCOMPARE(editor->ServedRow(), 1);
    QCOMPARE(editor->ServedCol(), 0);
    QCOMPARE(editor->text(), text);
    QCOMPARE(grid->TextMatrix(1, 0), text);
  }
  // After "new" the editors serve the empty entry row of the cleared grids.
  Press(window, "save");
  Press(window, "new");
  for (const char* key : {"fam", "insur", "com", "con"}) {
    auto [grid, editor] = PairOf(window, key);
    QVERIFY(!editor->isVisible());
    QCOMPARE(editor->ServedRow(), 1);
    QCOMPARE(editor->text(), QString());
    QCOMPARE(grid->Rows(), 2);
  }
}

void TestGridEditing::clearingDetachesEditors() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "Alice");
  InsertSimpleCustomer("A002", "Bob");
  InsertChild("family", "A001", {"wife", "Ann", "", "", "", "", "", ""});
  InsertChild("family", "A002", {"son", "Ben", "", "", "", "", "", ""});
  frmCust* window = OpenWindow();
  Press(window, "modify");
  ClickCell(window->msfgFamily, 1, 1);
  QCOMPARE(window->txtInput->text(), QStringLiteral("Ann"));
  Press(window, "next");
  QVERIFY(!window->txtInput->isVisible());
  QVERIFY(!window->txtInput->IsAttached());
  QCOMPARE(window->txtInput->text(), QString());
  QCOMPARE(window->msfgFamily->TextMatrix(1, 1), QStringLiteral("Ben"));
  // Text reaching the detached editor writes into no cell of the customer now shown.
  window->txtInput->setText("stale");
  QCOMPARE(GridLine(window->msfgFamily, 1), (QStringList{"son", "Ben", "", "", "", "", "", ""}));
}

QTEST_MAIN(TestGridEditing)
#include "tst_gridediting.moc"
