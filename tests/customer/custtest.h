#pragma once

// Helpers shared by the customer window's test programs: opening the window as the program
// does, pressing its buttons, clicking and typing into its inputs and grids, reading what it
// shows, and writing customers.

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

inline void Press(frmCust* window, const QString& key) {
  window->Toolbar1->Press(key);
}

inline void Press(frmCust* window, const QStringList& keys) {
  for (const QString& key : keys) Press(window, key);
}

// "EEDD"-style states of buttons: E enabled, D disabled.
inline QString States(frmCust* window, const QStringList& keys) {
  QString states;
  for (const QString& key : keys)
    states += window->Toolbar1->Buttons(key)->isEnabled() ? QLatin1Char('E') : QLatin1Char('D');
  return states;
}

inline QString NavigationStates(frmCust* window) {
  return States(window, {"first", "previous", "next", "last"});
}

inline QString EditStates(frmCust* window) {
  return States(window, {"new", "modify", "save", "delete", "exit"});
}

// One list tab: its key in ShowCellEditor, its table, its grid and the grid's editor.
struct List {
  QString key;
  QString table;
  ListGrid* grid;
  CellEditor* editor;
};

inline QList<List> Lists(frmCust* w) {
  return {{"fam", "family", w->msfgFamily, w->txtInput},
          {"insur", "insurance", w->msfgInsurlife, w->txtInputInsur},
          {"com", "compensate", w->msfgCompenlife, w->txtInputCom},
          {"con", "contact", w->msfgContact, w->txtInputCon}};
}

inline List ListOf(frmCust* w, const QString& key) {
  for (const List& list : Lists(w))
    if (list.key == key) return list;
  qFatal("no list %s", qPrintable(key));
}

// The 24 inputs of the first tab, found as controls (not through the window's own tables).
inline QList<QWidget*> Inputs(frmCust* w) {
  QList<QWidget*> inputs;
  for (QWidget* child : w->SSTab1->widget(0)->findChildren<QWidget*>()) {
    if (qobject_cast<QComboBox*>(child) ||
        (qobject_cast<QLineEdit*>(child) && !qobject_cast<QComboBox*>(child->parentWidget())))
      inputs << child;
  }
  return inputs;
}

inline QStringList GridLine(ListGrid* grid, int row) {
  QStringList cells;
  for (int col = 0; col < grid->Cols(); ++col) cells << grid->TextMatrix(row, col);
  return cells;
}

// The entries shown in a grid (rows 1 to Rows - 2), each as its cells joined by '|'.
inline QStringList GridEntries(ListGrid* grid) {
  QStringList entries = GridLines(grid);
  if (!entries.isEmpty()) entries.removeLast();
  return entries;
}

// Everything the agent sees of the window: mode, buttons, inputs (text and lock), the four
// grids and which editors are shown. Two equal snapshots mean nothing visible changed.
inline QStringList Snapshot(frmCust* w) {
  QStringList state{QStringLiteral("new=%1 modify=%2").arg(w->NewMode).arg(w->ModifyMode),
                    EditStates(w) + NavigationStates(w)};
  for (QWidget* input : Inputs(w))
    state << input->objectName() + (input->isEnabled() ? "=" : "#") + ShownText(input);
  for (const List& list : Lists(w)) {
    state << GridLines(list.grid);
    state << list.key + (list.editor->isVisible() ? " editor shown" : " editor hidden");
  }
  return state;
}

// Brings the widget's tab to the front, as the agent does before clicking into it.
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
  for (const char32_t c : text.toUcs4()) {
    if (c < 0x7f) {
      QTest::keyClick(widget, char(c));
    } else {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1),
                          Qt::NoModifier);
    }
  }
}

// Replaces the text of an enabled input (or an editor) by typing, as the agent does.
inline void TypeInto(QWidget* input, const QString& text) {
  QLineEdit* edit = qobject_cast<QLineEdit*>(input);
  if (auto* combo = qobject_cast<QComboBox*>(input)) edit = combo->lineEdit();
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  TypeText(edit, text);
}

// Clicks a cell and types the text into the editor that opens over it.
inline void TypeIntoCell(ListGrid* grid, CellEditor* editor, int row, int col,
                         const QString& text) {
  ClickCell(grid, row, col);
  TypeInto(editor, text);
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

// Customers with these keys and names (every other column from FullCustomer), each with one
// family row "rel of <name>" / "kin".
inline void CustomersWithKin(const QList<std::pair<QString, QString>>& customers) {
  CreateDatabase();
  for (const auto& [key, name] : customers) {
    InsertCustomer(FullCustomer(key, name));
    InsertChild("family", key, {"rel of " + name, "kin"});
  }
}

}  // namespace custtest
