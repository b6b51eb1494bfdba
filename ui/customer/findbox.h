#pragma once

#include <QLineEdit>

#include "data/quickfind.h"

class QCompleter;
class QToolBar;
class QStandardItemModel;

// How a found customer is listed: name, key and what matched, e.g.
// "Mei-ling Lin  C_No A0001  Mobile 0912-345-678"; a list's column names its list.
QString HitText(const FindHit& hit);
// What matched alone: the column's label and the stored text ("Insur_No P-1 (Insurance)").
QString MatchedText(const FindHit& hit);

// The job "qel --find TEXT": prints what the find box would list for TEXT, one customer a line;
// status 0, or 1 with the reason when the database cannot be read.
int FindCommand(const QString& file, const QString& text);

// The quick find box of the customer window: as the agent types, a list drops down with the
// customers the text finds (see QuickFind); picking one with Up/Down and Enter, or a click,
// reports its row. Escape closes the list. Ctrl+F in the window puts the focus here.
class FindBox : public QLineEdit {
  Q_OBJECT
 public:
  explicit FindBox(QWidget* window);
  // Puts a find box at the right end of a window's toolbar, after a separator.
  static FindBox* AddTo(QToolBar* toolbar, QWidget* window);

  // The list shown under the box (for tests and the benchmark).
  QCompleter* Completer() const { return m_completer; }
  // Runs the find for the box's text and shows the list.
  void Refresh();

 signals:
  // The agent picked the customer with this row number.
  void Picked(qint64 rowid);

 private:
  QCompleter* m_completer;
  QStandardItemModel* m_model;
};
