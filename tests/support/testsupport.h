#pragma once

#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <QWidget>

#include "data/dataerror.h"

class ListGrid;
class QAbstractButton;

// Whether this run of the suite is the one on a PostgreSQL server (QEL_TEST_BACKEND=postgres)
// rather than on a database file.
bool OnServer();

// Whether a case must not be skipped for a tool this machine lacks (QEL_TEST_STRICT=1, as CI
// sets it): there every tool scripts/deps.sh installs is expected.
bool StrictRun();
// Skips the running case for a missing tool, naming it; in a strict run the case fails instead.
// (Cases that belong to one back end only skip with QSKIP: that is by design.)
#define QEL_SKIP_MISSING(reason)                                                              \
  do {                                                                                        \
    if (StrictRun()) QFAIL(qPrintable(QStringLiteral("missing in a strict run: ") + reason)); \
    QSKIP(qPrintable(QString(reason)));                                                       \
  } while (false)

// One test's surroundings: a fresh temporary working folder (so "qel.db" is the test's own),
// the message box and the program's end replaced by recorders. Destroying it unloads every
// window and returns to the previous folder.
class TestEnv {
 public:
  TestEnv();
  ~TestEnv();
  TestEnv(const TestEnv&) = delete;
  TestEnv& operator=(const TestEnv&) = delete;

  QString Dir() const { return m_dir.path(); }
  QString DbPath() const;
  QStringList messages;  // shown so far, oldest first
  int fatalStatus = 0;   // status of the last fatal end (0 when none)
  int ended = 0;         // how often the program would have ended normally

 private:
  QTemporaryDir m_dir;
  QString m_previous;
};

// Creates qel.db in the working folder with the five tables, as the program does.
void CreateDatabase();
// Runs one statement on the program's database (the working folder's qel.db, or the server
// database) through a connection of its own.
void Sql(const QString& statement, const QVariantList& bound = {});
// A statement that makes every `event` ("insert on contact") fail with `message`, as trouble
// with the database would, and the statement that ends it.
QString RefuseStatement(const QString& event, const QString& message);
QString AllowStatement(const QString& event);
// Adds a customer row; columns by name, the rest Null.
void InsertCustomer(const QMap<QString, Value>& columns);
inline void InsertCustomer(const QString& cid, QMap<QString, Value> columns) {
  columns[QStringLiteral("CID")] = cid;
  InsertCustomer(columns);
}
// Adds a customer with the given key and name and every other column "".
void InsertSimpleCustomer(const QString& cid, const QString& name);
QStringList AddNumberedCustomers(int count);
// Adds a list row: data columns from position 2 on, in table order, the rest Null.
void InsertChild(const QString& table, const QString& cid, const QVector<Value>& data);
// Reads rows with a connection of its own; every value as text or Null.
QVector<QVector<Value>> Rows(const QString& query, const QVariantList& bound = {});
// The data columns (position 2 on) of a customer's list rows, in rowid order.
QVector<QVector<Value>> ChildRows(const QString& table, const QString& cid);
// A customer's row by column name (empty map when there is none).
QMap<QString, Value> CustomerRow(const QString& cid);
int Count(const QString& query, const QVariantList& bound = {});
QByteArray FileBytes(const QString& path);

// A grid's data rows (heading row left out), each row's cells joined with "|".
QStringList GridLines(const ListGrid* grid);

// The keys the last search handed over (HandOverKeys hands keys over as a search does).
QStringList HandedOver();

void ClickButton(QAbstractButton* button);
// Types key by key; characters beyond ASCII arrive as an input method delivers them.
void TypeText(QWidget* widget, const QString& text);
// Replaces the text of a line edit or an editable combo box as the agent does: select all,
// delete, type.
void ReplaceText(QWidget* input, const QString& text);
void PickEntry(QWidget* combo, const QString& entry);
QString ShownText(const QWidget* input);

template <class T>
T* Control(QWidget* window, const QString& name) {
  T* control = window->findChild<T*>(name);
  if (!control) qFatal("no control %s", qPrintable(name));
  return control;
}
