#pragma once

// Helpers shared by the customer window's test programs: opening the window as the program
// does, pressing its buttons, clicking and reading its grids, and writing customers.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "data/schema.h"
#include "tests/support/testsupport.h"
#include "ui/customer/frmcust.h"
#include "ui/toolkit/celleditor.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"

namespace custtest {

// Shows the customer window the way start-up does (inside the error boundary) and waits until
// it is on screen and active.
inline frmCust* OpenWindow() {
  frmCust* window = nullptr;
  Guard([&] { window = Show<frmCust>(); });
  if (!window) return nullptr;
  QApplication::setActiveWindow(window);
  if (!QTest::qWaitForWindowActive(window)) qWarning("customer window not active");
  return window;
}

inline void Press(frmCust* window, const char* key) {
  window->Toolbar1->Press(QLatin1String(key));
}

inline bool Enabled(frmCust* window, const char* key) {
  return window->Toolbar1->Buttons(QLatin1String(key))->isEnabled();
}

// "EEDD"-style states of the four navigation buttons (first, previous, next, last).
inline QString NavigationStates(frmCust* window) {
  QString states;
  for (const char* key : {"first", "previous", "next", "last"})
    states += Enabled(window, key) ? QLatin1Char('E') : QLatin1Char('D');
  return states;
}

// The same for the editing buttons (new, modify, save, delete, exit).
inline QString EditStates(frmCust* window) {
  QString states;
  for (const char* key : {"new", "modify", "save", "delete", "exit"})
    states += Enabled(window, key) ? QLatin1Char('E') : QLatin1Char('D');
  return states;
}

inline QStringList GridLine(ListGrid* grid, int row) {
  QStringList cells;
  for (int col = 0; col < grid->Cols(); ++col) cells << grid->TextMatrix(row, col);
  return cells;
}

inline QStringList Headings(ListGrid* grid) {
  return GridLine(grid, 0);
}

// The entries shown in a grid (rows 1 to Rows - 2), each as its cells joined by '|'.
inline QStringList GridEntries(ListGrid* grid) {
  QStringList entries;
  for (int row = 1; row < grid->Rows() - 1; ++row) entries << GridLine(grid, row).join('|');
  return entries;
}

// Brings the grid's tab to the front, as the agent does before clicking into it.
inline void ShowTabOf(QWidget* widget) {
  auto* window = static_cast<frmCust*>(widget->window());
  for (int i = 0; i < window->SSTab1->count(); ++i) {
    if (window->SSTab1->widget(i)->isAncestorOf(widget)) window->SSTab1->setCurrentIndex(i);
  }
  QApplication::processEvents();
}

// The cell's rectangle in the grid's viewport.
inline QRect CellRect(ListGrid* grid, int row, int col) {
  return grid->visualRect(grid->model()->index(row - 1, col));
}

// A mouse click on a data cell of the grid.
inline void ClickCell(ListGrid* grid, int row, int col) {
  ShowTabOf(grid);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellRect(grid, row, col).center());
}

// Types the text key by key; characters beyond ASCII arrive as an input method delivers them.
inline void TypeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() < 128) {
      QTest::keyClicks(widget, QString(c));
    } else {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

// Clicks a cell and types the text into the editor that opens over it.
inline void TypeIntoCell(ListGrid* grid, CellEditor* editor, int row, int col,
                         const QString& text) {
  ClickCell(grid, row, col);
  editor->selectAll();
  QTest::keyClick(editor, Qt::Key_Delete);
  TypeText(editor, text);
}

// Replaces the text of an enabled input by typing, as the agent does.
inline void TypeInto(QWidget* input, const QString& text) {
  QLineEdit* edit = qobject_cast<QLineEdit*>(input);
  if (auto* combo = qobject_cast<QComboBox*>(input)) edit = combo->lineEdit();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  TypeText(edit, text);
}

inline QString TextOf(QWidget* input) {
  if (auto* combo = qobject_cast<QComboBox*>(input)) return combo->currentText();
  return qobject_cast<QLineEdit*>(input)->text();
}

// Every customer column with a distinct value derived from the key ("Cust_email" ->
// "<key>-email"), the name given.
inline QMap<QString, Value> FullCustomer(const QString& cid, const QString& name) {
  QMap<QString, Value> row;
  for (const QString& column : Tables().at(0).columns)
    row[column] = cid + QLatin1Char('-') + column.mid(5).toLower();
  row[QStringLiteral("CID")] = cid;
  row[QStringLiteral("Cust_name")] = name;
  return row;
}

}  // namespace custtest
