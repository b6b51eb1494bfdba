#pragma once

// The customer window as the tests drive it: opened as the program opens it, its buttons
// pressed, its inputs typed into, its grids clicked, and what it shows read back.

#include <QAction>
#include <QApplication>
#include <QComboBox>
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

// Shows the customer window the way start-up does (inside the error boundary), active.
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

// The states of the navigation and the editing buttons, "EEDD|EEDEE": E enabled, D disabled.
inline QString ButtonStates(frmCust* window) {
  QString states;
  for (const char* key :
       {"first", "previous", "next", "last", "|", "new", "modify", "save", "delete", "exit"})
    states += *key == '|' ? '|' : window->Toolbar1->Buttons(key)->isEnabled() ? 'E' : 'D';
  return states;
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

// The 24 inputs of the first tab, found as controls.
inline QList<QWidget*> Inputs(frmCust* w) {
  QList<QWidget*> inputs;
  for (QWidget* child : w->SSTab1->widget(0)->findChildren<QWidget*>())
    if (qobject_cast<QComboBox*>(child) ||
        (qobject_cast<QLineEdit*>(child) && !qobject_cast<QComboBox*>(child->parentWidget())))
      inputs << child;
  return inputs;
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
                    ButtonStates(w)};
  for (QWidget* input : Inputs(w))
    state << input->objectName() + (input->isEnabled() ? "=" : "#") + ShownText(input);
  for (const List& list : Lists(w))
    state << GridLines(list.grid) << list.key + (list.editor->isVisible() ? " shown" : " hidden");
  return state;
}

// Brings the widget's tab to the front, as the agent does before clicking into it.
inline void ShowTabOf(QWidget* widget) {
  auto* window = static_cast<frmCust*>(widget->window());
  for (int i = 0; i < window->SSTab1->count(); ++i)
    if (window->SSTab1->widget(i)->isAncestorOf(widget)) window->SSTab1->setCurrentIndex(i);
  QApplication::processEvents();
}

// A data cell's rectangle in the grid's viewport.
inline QRect CellRect(ListGrid* grid, int row, int col) {
  return grid->visualRect(grid->model()->index(row - 1, col));
}

inline void ClickCell(ListGrid* grid, int row, int col) {
  ShowTabOf(grid);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellRect(grid, row, col).center());
}

// Clicks a cell and types the text into the editor that opens over it.
inline void TypeIntoCell(ListGrid* grid, CellEditor* editor, int row, int col,
                         const QString& text) {
  ClickCell(grid, row, col);
  ReplaceText(editor, text);
}

// Every customer column "<key>-<column>" ("A001-email"), the name given.
inline QMap<QString, Value> FullCustomer(const QString& cid, const QString& name) {
  QMap<QString, Value> row;
  for (const QString& column : Tables().at(0).columns)
    row[column] = cid + QLatin1Char('-') + column.mid(5).toLower();
  row[QStringLiteral("CID")] = cid;
  row[QStringLiteral("Cust_name")] = name;
  return row;
}

// A new file with these customers, each with one family row "rel of <name>" / "kin".
inline void CustomersWithKin(const QList<std::pair<QString, QString>>& customers) {
  CreateDatabase();
  for (const auto& [key, name] : customers) {
    InsertCustomer(FullCustomer(key, name));
    InsertChild("family", key, {"rel of " + name, "kin"});
  }
}

}  // namespace custtest
