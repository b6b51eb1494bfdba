// Typing the lists into the grids: the floating cell editor, placed by real mouse clicks and
// fed by real key clicks, and the rule that opens a new entry row.

#include <QScrollBar>

#include "custtest.h"

using namespace custtest;

namespace {

// One customer with this many rows in every list, so that the grids can scroll: row i holds
// "<first>i" in its first column, "<last>i" in its last, "" in between; the family's second
// column holds "name<i>".
void CustomerWithLongLists(int rows) {
  CreateDatabase();
  InsertSimpleCustomer("A001", "Alice");
  const QList<std::tuple<QString, QString, QString>> lists{{"family", "rel", "c"},
                                                           {"insurance", "co", "ann"},
                                                           {"compensate", "date", "state"},
                                                           {"contact", "day", "comm"}};
  for (const auto& [table, first, last] : lists) {
    QStringList columns;
    for (const TableLayout& layout : Tables())
      if (layout.name == table) columns = layout.columns.mid(2);
    QStringList values(columns.size(), "''");
    values.first() = QStringLiteral("'%1'||i").arg(first);
    values.last() = QStringLiteral("'%1'||i").arg(last);
    if (table == "family") values[1] = "'name'||i";
    Sql(QStringLiteral("insert into %1 (CID,%2) with recursive n(i) as (select 1 union all "
                       "select i+1 from n where i<%3) select 'A001',%4 from n")
            .arg(table, columns.join(','), QString::number(rows), values.join(',')));
  }
}

frmCust* ModifyingLongLists(int rows) {
  CustomerWithLongLists(rows);
  frmCust* window = OpenWindow();
  Press(window, "modify");
  return window;
}

// The editor lies exactly over the cell on screen, has its size, and nothing covers it.
void CheckEditorOverCell(ListGrid* grid, CellEditor* editor, int row, int col) {
  const QRect cell = CellRect(grid, row, col);
  QVERIFY(!cell.isEmpty());
  QCOMPARE(editor->pos(), grid->viewport()->mapTo(editor->parentWidget(), cell.topLeft()));
  QCOMPARE(editor->size(), QSize(grid->columnWidth(col), grid->rowHeight(row - 1)));
  QVERIFY(editor->isVisible());
  const QPoint center =
      editor->parentWidget()->mapTo(editor->window(), editor->geometry().center());
  QWidget* top = editor->window()->childAt(center);
  QVERIFY(top == editor || editor->isAncestorOf(top));
  QCOMPARE(editor->ServedRow(), row);
  QCOMPARE(editor->ServedCol(), col);
}

}  // namespace

class TestGridEditing : public QObject {
  Q_OBJECT

 private slots:
  void browsingClickDoesNothing();
  void editorOverClickedCell_data();
  void editorOverClickedCell();
  void appendRule_data();
  void appendRule();
  void unknownListKeyDoesNothing();
  void headingRowPlacesNothing();
  void dragServesPressedCell();
  void keyboardMoveDoesNotRedirectTyping();
  void gridPreparationPlacesHiddenEditors();
};

void TestGridEditing::browsingClickDoesNothing() {
  TestEnv env;
  CustomerWithLongLists(3);
  frmCust* window = OpenWindow();
  for (const List& list : Lists(window)) {
    // A first field typed into the entry row by other means, then its second field clicked.
    list.grid->SetTextMatrix(list.grid->Rows() - 1, 0, "typed");
    const QStringList before = GridLines(list.grid);
    ClickCell(list.grid, list.grid->Rows() - 1, 1);
    ClickCell(list.grid, 2, 0);
    QVERIFY2(!list.editor->isVisible() && !list.editor->IsAttached(), qPrintable(list.key));
    QTest::keyClicks(list.editor, "x");
    QCOMPARE(GridLines(list.grid), before);
  }
}

// A click lays the editor over the cell with the cell's text, leaving the grid as it was; typing
// and erasing then change that cell alone. On a scrolled grid too, where the editor follows its
// cell when the grid scrolls on.
void TestGridEditing::editorOverClickedCell_data() {
  QTest::addColumn<QString>("listKey");
  QTest::addColumn<int>("row");  // 0: two rows below the top visible one
  QTest::addColumn<int>("col");  // -1: the last column
  QTest::addColumn<bool>("scrolled");
  QTest::newRow("family, first entry, first column") << "fam" << 1 << 0 << false;
  QTest::newRow("family, third entry, last column") << "fam" << 3 << 7 << false;
  QTest::newRow("insurance, second entry, column 3") << "insur" << 2 << 3 << false;
  QTest::newRow("compensation, third entry, column 6") << "com" << 3 << 6 << false;
  QTest::newRow("contact, first entry, column 4") << "con" << 1 << 4 << false;
  for (const char* key : {"fam", "insur", "com", "con"})
    QTest::addRow("%s, scrolled down and right", key) << key << 0 << -1 << true;
}

void TestGridEditing::editorOverClickedCell() {
  QFETCH(QString, listKey);
  QFETCH(int, row);
  QFETCH(int, col);
  QFETCH(bool, scrolled);
  TestEnv env;
  frmCust* window = ModifyingLongLists(40);
  auto [key, table, grid, editor] = ListOf(window, listKey);
  ShowTabOf(grid);
  if (scrolled) {
    grid->verticalScrollBar()->setValue(15);
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    QApplication::processEvents();
    QVERIFY(grid->TopRow() > 10);
    row = grid->TopRow() + 2;
  }
  if (col < 0) col = grid->Cols() - 1;
  const QStringList before = GridLines(grid);
  // Placed from another cell first: that cell's text must not follow it.
  ClickCell(grid, row == grid->TopRow() ? row + 1 : row - 1, col == 0 ? 1 : col - 1);
  ClickCell(grid, row, col);
  CheckEditorOverCell(grid, editor, row, col);
  QCOMPARE(editor->text(), grid->TextMatrix(row, col));
  QVERIFY(window->focusWidget() == editor);
  QCOMPARE(GridLines(grid), before);

  const QString text = grid->TextMatrix(row, col);
  TypeText(editor, "T陳");
  QCOMPARE(grid->TextMatrix(row, col), text + "T陳");
  QTest::keyClick(editor, Qt::Key_Backspace);
  QTest::keyClick(editor, Qt::Key_Backspace);
  QCOMPARE(GridLines(grid), before);
  editor->selectAll();
  QTest::keyClick(editor, Qt::Key_Delete);
  QCOMPARE(grid->TextMatrix(row, col), QString());
  QStringList line = before[row - 1].split('|');
  line[col].clear();
  QCOMPARE(GridLine(grid, row), line);

  if (scrolled) {
    grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->value() - 1);
    QApplication::processEvents();
    CheckEditorOverCell(grid, editor, row, col);
  }
}

void TestGridEditing::appendRule_data() {
  QTest::addColumn<QString>("firstField");  // typed into column 0 of the clicked row first
  QTest::addColumn<bool>("entryRow");       // the clicked row is the entry row (else an entry)
  QTest::addColumn<int>("col");
  QTest::addColumn<int>("clicks");
  QTest::addColumn<int>("added");
  QTest::newRow("entry row, column 1, first field typed") << "Ann" << true << 1 << 1 << 1;
  QTest::newRow("entry row, column 1 clicked twice") << "Ann" << true << 1 << 2 << 1;
  QTest::newRow("entry row, column 0") << "Ann" << true << 0 << 1 << 0;
  QTest::newRow("entry row, column 2") << "Ann" << true << 2 << 1 << 0;
  QTest::newRow("entry row, last column") << "Ann" << true << 7 << 1 << 0;
  QTest::newRow("entry row, column 1, first field empty") << "" << true << 1 << 1 << 0;
  QTest::newRow("entry above the entry row, column 1") << "Ann" << false << 1 << 1 << 0;
}

void TestGridEditing::appendRule() {
  QFETCH(QString, firstField);
  QFETCH(bool, entryRow);
  QFETCH(int, col);
  QFETCH(int, clicks);
  QFETCH(int, added);
  TestEnv env;
  frmCust* window = ModifyingLongLists(1);
  ListGrid* grid = window->msfgFamily;
  QCOMPARE(grid->Rows(), 3);
  const int row = entryRow ? 2 : 1;
  if (!firstField.isEmpty()) {
    TypeIntoCell(grid, window->txtInput, row, 0, firstField);
  } else {
    ClickCell(grid, row, 0);
  }
  QCOMPARE(grid->Rows(), 3);
  for (int i = 0; i < clicks; ++i) ClickCell(grid, row, col);
  QCOMPARE(grid->Rows(), 3 + added);
  if (added) {
    QCOMPARE(GridLine(grid, 3), QStringList(8, QString()));
    QCOMPARE(grid->TextMatrix(2, 0), firstField);
  }
}

void TestGridEditing::unknownListKeyDoesNothing() {
  TestEnv env;
  frmCust* window = ModifyingLongLists(2);
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
  frmCust* window = ModifyingLongLists(1);
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
  frmCust* window = ModifyingLongLists(3);
  ListGrid* grid = window->msfgFamily;
  ShowTabOf(grid);
  QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, CellRect(grid, 1, 0).center());
  QTest::mouseMove(grid->viewport(), CellRect(grid, 2, 1).center());
  QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, CellRect(grid, 2, 1).center());
  CheckEditorOverCell(grid, window->txtInput, 1, 0);
  QCOMPARE(window->txtInput->text(), QStringLiteral("rel1"));
  QTest::keyClicks(window->txtInput, "X");
  QCOMPARE(grid->TextMatrix(1, 0), QStringLiteral("rel1X"));
  QCOMPARE(grid->TextMatrix(2, 1), QStringLiteral("name2"));
}

void TestGridEditing::keyboardMoveDoesNotRedirectTyping() {
  TestEnv env;
  frmCust* window = ModifyingLongLists(3);
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

// "modify" and "new" place each editor, hidden, on the first cell of its grid, loaded with it.
void TestGridEditing::gridPreparationPlacesHiddenEditors() {
  TestEnv env;
  frmCust* window = ModifyingLongLists(2);
  for (const QString mode : {"modify", "new"}) {
    for (const List& list : Lists(window)) {
      QVERIFY(!list.editor->isVisible());
      QCOMPARE(list.editor->ServedRow(), 1);
      QCOMPARE(list.editor->ServedCol(), 0);
      QCOMPARE(list.editor->text(), list.grid->TextMatrix(1, 0));
      QCOMPARE(list.grid->Rows(), mode == "new" ? 2 : 4);
    }
    QCOMPARE(window->msfgFamily->TextMatrix(1, 0), QString(mode == "new" ? "" : "rel1"));
    Press(window, "save");
    Press(window, "new");
  }
}

QTEST_MAIN(TestGridEditing)
#include "tst_gridediting.moc"
