#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>
#include <memory>

#include "support/testsupport.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/twips.h"

namespace {

// Fills the grid as the windows do: headings, the given lines, an empty entry row.
void Fill(ListGrid* grid, const QStringList& headings, const QStringList& lines) {
  grid->SetCols(int(headings.size()));
  grid->SetRows(2);
  for (int col = 0; col < grid->Cols(); ++col) grid->SetTextMatrix(0, col, headings[col]);
  for (int col = 0; col < grid->Cols(); ++col) grid->SetTextMatrix(1, col, QString());
  for (const QString& line : lines) grid->AddItem(line, grid->Rows() - 1);
}

// The rectangle, in the container's pixels, that a window computes from the grid's twips to lay
// an editor over the current cell.
QRect EditorRect(const ListGrid* grid) {
  const int left = grid->Left() + grid->BorderLeft() + grid->ColPos(grid->Col());
  const int top = grid->Top() + grid->BorderTop() + grid->RowPos(grid->Row());
  return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, grid->CellWidth() / kTwipsPerPixel,
               grid->CellHeight() / kTwipsPerPixel);
}

// Where a data cell is drawn, in the container's pixels.
QRect DrawnRect(const ListGrid* grid, int row, int col) {
  const QRect cell = grid->visualRect(grid->model()->index(row - 1, col));
  return QRect(grid->viewport()->mapTo(grid->parentWidget(), cell.topLeft()), cell.size());
}

// Scrolls so that data row `row` is the first one shown.
void ScrollDownTo(ListGrid* grid, int row) {
  QApplication::processEvents();  // the scroll range follows the rows only once laid out
  grid->scrollTo(grid->model()->index(row - 1, 0), QAbstractItemView::PositionAtTop);
  QApplication::processEvents();
}

QPoint CellCenter(const ListGrid* grid, int row, int col) {
  return grid->visualRect(grid->model()->index(row - 1, col)).center();
}

// Records what a Click handler sees: row, col, row sel, col sel.
QList<QList<int>>* RecordClicks(ListGrid* grid) {
  auto* seen = new QList<QList<int>>;
  QObject::connect(grid, &ListGrid::Click, grid, [grid, seen] {
    *seen << QList<int>{grid->Row(), grid->Col(), grid->RowSel(), grid->ColSel()};
  });
  QObject::connect(grid, &QObject::destroyed, [seen] { delete seen; });
  return seen;
}

QStringList Lines(int count, const QString& pattern) {
  QStringList lines;
  for (int i = 1; i <= count; ++i) lines << pattern.arg(i);
  return lines;
}

}  // namespace

class TestListGrid : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void rowsCellsAndText();
  void addItem_data();
  void addItem();
  void editorRectCoversTheCell_data();
  void editorRectCoversTheCell();
  void clickSelectsTheCell_data();
  void clickSelectsTheCell();
  void clickOnAPartlyShownRow();
  void dragAndHeadingClicks();

 private:
  std::unique_ptr<TestEnv> m_env;
  std::unique_ptr<QWidget> m_window;
  ListGrid* m_grid = nullptr;
};

void TestListGrid::init() {
  m_env = std::make_unique<TestEnv>();
  m_window = std::make_unique<QWidget>();
  m_window->resize(640, 480);
  m_grid = new ListGrid(m_window.get());
  PlaceTwips(m_grid, 450, 300, 6000, 2400);
  m_window->show();
  QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestListGrid::cleanup() {
  m_window.reset();
  m_env.reset();
}

void TestListGrid::rowsCellsAndText() {
  Fill(m_grid, {"A", "B", "C"}, {});
  // Row 0 is the heading, not a data row of the view.
  QCOMPARE(m_grid->Rows(), 2);
  QCOMPARE(m_grid->rowCount(), 1);
  QCOMPARE(m_grid->horizontalHeaderItem(1)->text(), QStringLiteral("B"));
  for (const char* line : {"1\t2\t3", "4\t5\t6", "7\t8\t9", "x\ty\tz"})
    m_grid->AddItem(QString::fromLatin1(line), m_grid->Rows() - 1);
  QCOMPARE(m_grid->Rows(), 6);

  // The current cell's text, read and written.
  m_grid->SetRow(2);
  m_grid->SetCol(1);
  QCOMPARE(m_grid->Text(), QStringLiteral("5"));
  m_grid->SetText(QStringLiteral("E"));
  QCOMPARE(m_grid->TextMatrix(2, 1), QStringLiteral("E"));
  QCOMPARE(m_grid->RowSel(), 2);
  QCOMPARE(m_grid->ColSel(), 1);
  m_grid->SetRow(0);
  QCOMPARE(m_grid->Text(), QStringLiteral("B"));

  // Rows are cut and added at the bottom; headings and columns stay.
  m_grid->SetRows(3);
  QCOMPARE(GridLines(m_grid), QStringList({"1|2|3", "4|E|6"}));
  m_grid->SetRows(4);
  QCOMPARE(GridLines(m_grid), QStringList({"1|2|3", "4|E|6", "||"}));
  m_grid->SetRows(1);
  QCOMPARE(Headings(m_grid), QStringList({"A", "B", "C"}));
  m_grid->SetRows(2);
  QCOMPARE(GridLines(m_grid), QStringList{"||"});

  // Cells given one by one keep their tabs.
  m_grid->AddItem(QStringList{"a\tb", "", "c", "beyond"}, 1);
  QCOMPARE(GridLines(m_grid), QStringList({"a\tb||c", "||"}));
}

void TestListGrid::addItem_data() {
  QTest::addColumn<QString>("line");
  QTest::addColumn<int>("index");
  QTest::addColumn<QStringList>("lines");
  // The grid starts with headings, the entry "a|b|c" and the empty entry row.
  QTest::newRow("before the entry row") << "x\ty\tz" << 2 << QStringList{"a|b|c", "x|y|z", "||"};
  QTest::newRow("at the top") << "x\ty\tz" << 1 << QStringList{"x|y|z", "a|b|c", "||"};
  QTest::newRow("after the last row") << "x\ty\tz" << 3 << QStringList{"a|b|c", "||", "x|y|z"};
  QTest::newRow("fewer pieces than columns") << "x" << 2 << QStringList{"a|b|c", "x||", "||"};
  QTest::newRow("empty piece inside") << "x\t\tz" << 2 << QStringList{"a|b|c", "x||z", "||"};
  QTest::newRow("pieces beyond the columns")
      << "1\t2\t3\t4\t5" << 2 << QStringList{"a|b|c", "1|2|3", "||"};
  QTest::newRow("blanks kept") << " x \t y" << 2 << QStringList{"a|b|c", " x | y|", "||"};
}

void TestListGrid::addItem() {
  QFETCH(QString, line);
  QFETCH(int, index);
  QFETCH(QStringList, lines);
  Fill(m_grid, {"H1", "H2", "H3"}, {"a\tb\tc"});
  m_grid->AddItem(line, index);
  QCOMPARE(GridLines(m_grid), lines);
  QCOMPARE(Headings(m_grid), QStringList({"H1", "H2", "H3"}));
}

void TestListGrid::editorRectCoversTheCell_data() {
  QTest::addColumn<int>("scrollDown");
  QTest::addColumn<bool>("scrollRight");
  QTest::newRow("not scrolled") << 0 << false;
  QTest::newRow("scrolled down") << 12 << false;
  QTest::newRow("scrolled right") << 0 << true;
  QTest::newRow("scrolled both ways") << 20 << true;
}

void TestListGrid::editorRectCoversTheCell() {
  QFETCH(int, scrollDown);
  QFETCH(bool, scrollRight);
  Fill(m_grid, {"A", "B", "C", "D", "E"}, Lines(40, QStringLiteral("r%1\tx\ty\tz\tw")));
  for (int col = 0; col < m_grid->Cols(); ++col) m_grid->setColumnWidth(col, 90 + 7 * col);
  m_grid->setRowHeight(3, 31);  // rows of different heights
  if (scrollDown > 0) {
    ScrollDownTo(m_grid, scrollDown);
    QCOMPARE(m_grid->TopRow(), scrollDown);
    QCOMPARE(m_grid->TextMatrix(m_grid->TopRow(), 0), QStringLiteral("r%1").arg(scrollDown));
  }
  if (scrollRight) {
    QVERIFY(m_grid->horizontalScrollBar()->maximum() > 0);
    m_grid->horizontalScrollBar()->setValue(m_grid->horizontalScrollBar()->maximum());
  }
  QApplication::processEvents();

  // Every fully visible cell.
  const QRect viewport = m_grid->viewport()->rect();
  int checked = 0;
  for (int row = 1; row < m_grid->Rows(); ++row) {
    for (int col = 0; col < m_grid->Cols(); ++col) {
      if (!viewport.contains(m_grid->visualRect(m_grid->model()->index(row - 1, col)))) continue;
      m_grid->SetRow(row);
      m_grid->SetCol(col);
      const QRect editor = EditorRect(m_grid);
      const QRect cell = DrawnRect(m_grid, row, col);
      QCOMPARE(editor.topLeft(), cell.topLeft());
      // The cell's size includes the grid line that visualRect leaves out.
      QVERIFY2(editor.contains(cell) && editor.width() - cell.width() <= 1 &&
                   editor.height() - cell.height() <= 1,
               qPrintable(QStringLiteral("row %1 col %2").arg(row).arg(col)));
      ++checked;
    }
  }
  QVERIFY(checked >= 4);
}

void TestListGrid::clickSelectsTheCell_data() {
  QTest::addColumn<int>("row");
  QTest::addColumn<int>("col");
  QTest::addColumn<int>("scrollDown");
  QTest::newRow("first cell") << 1 << 0 << 0;
  QTest::newRow("middle cell") << 3 << 2 << 0;
  QTest::newRow("entry row") << 30 << 1 << 26;
  QTest::newRow("after scrolling") << 22 << 2 << 20;
}

void TestListGrid::clickSelectsTheCell() {
  QFETCH(int, row);
  QFETCH(int, col);
  QFETCH(int, scrollDown);
  Fill(m_grid, {"A", "B", "C"}, Lines(29, QStringLiteral("r%1\tb\tc")));
  m_grid->SetRow(1);
  m_grid->SetCol(0);
  if (scrollDown > 0) ScrollDownTo(m_grid, scrollDown);
  const auto* seen = RecordClicks(m_grid);
  QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, CellCenter(m_grid, row, col));
  QCOMPARE(*seen, (QList<QList<int>>{{row, col, row, col}}));
}

void TestListGrid::clickOnAPartlyShownRow() {
  // The grid shows four rows and the upper half of a fifth one; pressing that row scrolls it
  // into view, and the click must still end on the pressed cell.
  m_grid->verticalHeader()->setDefaultSectionSize(30);
  Fill(m_grid, {"A", "B", "C"}, Lines(9, QStringLiteral("r%1\tb\tc")));
  m_grid->resize(m_grid->width(), m_grid->height() - m_grid->viewport()->height() + 4 * 30 + 15);
  QApplication::processEvents();
  QCOMPARE(m_grid->rowAt(4 * 30 + 5), 4);
  const auto* seen = RecordClicks(m_grid);
  QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {},
                    QPoint(CellCenter(m_grid, 5, 1).x(), 4 * 30 + 5));
  // The same at the entry row, the last one.
  ScrollDownTo(m_grid, 6);
  QCOMPARE(m_grid->rowAt(4 * 30 + 5), 9);
  QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {},
                    QPoint(CellCenter(m_grid, 10, 1).x(), 4 * 30 + 5));
  QCOMPARE(*seen, (QList<QList<int>>{{5, 1, 5, 1}, {10, 1, 10, 1}}));
}

void TestListGrid::dragAndHeadingClicks() {
  Fill(m_grid, {"A", "B", "C"}, {"1\t2\t3", "4\t5\t6", "7\t8\t9"});
  const auto* seen = RecordClicks(m_grid);
  // A drag: the current cell is where the mouse was pressed, the selection ends where released.
  QTest::mousePress(m_grid->viewport(), Qt::LeftButton, {}, CellCenter(m_grid, 1, 0));
  QTest::mouseMove(m_grid->viewport(), CellCenter(m_grid, 3, 2));
  QTest::mouseRelease(m_grid->viewport(), Qt::LeftButton, {}, CellCenter(m_grid, 3, 2));
  QCOMPARE(m_grid->Text(), QStringLiteral("1"));
  // Released elsewhere without a move in between.
  QTest::mousePress(m_grid->viewport(), Qt::LeftButton, {}, CellCenter(m_grid, 3, 1));
  QTest::mouseRelease(m_grid->viewport(), Qt::LeftButton, {}, CellCenter(m_grid, 2, 0));
  QCOMPARE(m_grid->Text(), QStringLiteral("8"));
  QCOMPARE(*seen, (QList<QList<int>>{{1, 0, 3, 2}, {3, 1, 2, 0}}));

  // Clicks on a heading are no clicks on the grid and change nothing.
  QHeaderView* header = m_grid->horizontalHeader();
  const QPoint heading(header->sectionViewportPosition(2) + header->sectionSize(2) / 2,
                       header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, heading);
  QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, heading);
  QCOMPARE(seen->size(), 2);
  QCOMPARE(m_grid->Row(), 3);
  QCOMPARE(m_grid->Col(), 1);
  QCOMPARE(Headings(m_grid), QStringList({"A", "B", "C"}));
  QCOMPARE(GridLines(m_grid), QStringList({"1|2|3", "4|5|6", "7|8|9", "||"}));
}

QTEST_MAIN(TestListGrid)
#include "tst_listgrid.moc"
