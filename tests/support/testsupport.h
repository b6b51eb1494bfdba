#pragma once

#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <QWidget>
#include <functional>

#include "data/dataerror.h"

class ListGrid;
class QAbstractButton;

// One test's surroundings: a fresh temporary working folder (so "qel.db" is the test's own),
// the message box replaced by a recorder and the fatal end replaced by a recorder.
// Destroying it unloads every window and returns to the previous folder.
class TestEnv {
 public:
  TestEnv();
  ~TestEnv();
  TestEnv(const TestEnv&) = delete;
  TestEnv& operator=(const TestEnv&) = delete;

  QString Dir() const { return m_dir.path(); }
  QString DbPath() const;
  // Messages shown so far, oldest first.
  QStringList messages;
  // Status of the last fatal end (0 when none).
  int fatalStatus = 0;
  // How often the program would have ended normally (no window left after a handler).
  int ended = 0;
  // When set, the message box hook calls it after recording (e.g. to act while a box is open).
  std::function<void(const QString&)> onMessage;

 private:
  QTemporaryDir m_dir;
  QString m_previous;
};

// Creates qel.db in the working folder with the five tables, as the program does.
void CreateDatabase();
// Runs one statement on the working folder's qel.db through an independent connection.
void Sql(const QString& statement, const QVariantList& bound = {});
// Adds a customer row; columns by name, the rest Null.
void InsertCustomer(const QMap<QString, Value>& columns);
// Adds a customer row with the given key; other columns by name, the rest Null.
void InsertCustomer(const QString& cid, const QMap<QString, Value>& columns);
// Adds a customer with the given key and name and every other column "".
void InsertSimpleCustomer(const QString& cid, const QString& name);
// Adds customers K1 .. Kn named "Customer 1" .. "Customer n"; returns their keys.
QStringList AddNumberedCustomers(int count);
// Adds a child row: data columns from position 2 on, in table order.
void InsertChild(const QString& table, const QString& cid, const QVector<Value>& data);
// Reads rows with an independent connection; every value as text or Null.
QVector<QVector<Value>> Rows(const QString& query, const QVariantList& bound = {});
// The data columns (position 2 on) of a customer's child rows, in rowid order.
QVector<QVector<Value>> ChildRows(const QString& table, const QString& cid);
// A customer's row by column name (empty map when there is none).
QMap<QString, Value> CustomerRow(const QString& cid);
int Count(const QString& query, const QVariantList& bound = {});
// The bytes of a file (to prove it unchanged).
QByteArray FileBytes(const QString& path);

// A grid's data rows (heading row left out), each row's cells joined with "|".
QStringList GridLines(const ListGrid* grid);
// A grid's headings (row 0).
QStringList Headings(const ListGrid* grid);

// Destroys every loaded window at once (between tests).
void UnloadAllWindows();

// Hands these keys over as a search does, and the keys the last search handed over.
void HandOver(const QStringList& keys);
QStringList HandedOver();
// A left mouse click on a button.
void ClickButton(QAbstractButton* button);
// Replaces the text of a line edit or an editable combo box as the agent does: select all,
// delete, type (text beyond ASCII arrives through the input method).
void ReplaceText(QWidget* input, const QString& text);
// Picks an entry from a combo box's list (fails the run when there is no such entry).
void PickEntry(QWidget* combo, const QString& entry);
// The text a line edit or combo box shows.
QString ShownText(const QWidget* input);

template <class T>
T* Control(QWidget* window, const QString& name) {
  T* control = window->findChild<T*>(name);
  if (!control) qFatal("no control %s", qPrintable(name));
  return control;
}
