// Browsing by rowid over gaps and keys out of order, where writes leave the window, and older
// files without the CID indexes.

#include <sys/stat.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "tests/customer/custtest.h"

using namespace custtest;

namespace {

// Rowids 3, 10, 11, 40 hold K5, K1, K9, K2 (inserted in another order); rowid 20 was deleted.
void GappedCustomers() {
  CreateDatabase();
  const QList<QPair<int, QString>> rows{{40, "K2"}, {10, "K1"}, {20, "K0"}, {3, "K5"}, {11, "K9"}};
  for (const auto& [rowid, key] : rows)
    Sql("insert into customer (rowid, CID, Cust_name) values (?, ?, ?)", {rowid, key, "N" + key});
  Sql("delete from customer where rowid=20");
  // A server numbers the next row after the largest number it gave, not the largest there is.
  if (OnServer()) Sql("select setval(pg_get_serial_sequence('customer', 'rowid'), 40)");
}

}  // namespace

class TestLargeTable : public QObject {
  Q_OBJECT

 private slots:
  void navigation_data();
  void navigation();
  void writesKeepPosition_data();
  void writesKeepPosition();
  void olderFile_data();
  void olderFile();
};

void TestLargeTable::navigation_data() {
  QTest::addColumn<QStringList>("presses");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QString>("buttons");
  auto row = [](const char* name, const QStringList& presses, const QString& shown,
                const QString& buttons) { QTest::newRow(name) << presses << shown << buttons; };
  row("start on the smallest rowid", {}, "K5", "EEEE");
  row("next steps over the gap", {"next", "next"}, "K9", "EEEE");
  row("next after the gap", {"next", "next", "next"}, "K2", "EEEE");
  row("last", {"last"}, "K2", "EEEE");
  row("next past the end", {"last", "next"}, "K2", "EEDD");
  row("previous past the start", {"previous"}, "K5", "DDEE");
  row("back from the end", {"last", "next", "previous"}, "K9", "EEEE");
  row("first after last", {"last", "first"}, "K5", "EEEE");
}

void TestLargeTable::navigation() {
  QFETCH(QStringList, presses);
  QFETCH(QString, shown);
  QFETCH(QString, buttons);
  TestEnv env;
  GappedCustomers();
  frmCust* window = OpenWindow();
  for (const QString& key : presses) Press(window, key);
  QCOMPARE(window->txtCID->text(), shown);
  QCOMPARE(window->txtName->text(), "N" + shown);
  QCOMPARE(ButtonStates(window).left(4), buttons);
}

void TestLargeTable::writesKeepPosition_data() {
  QTest::addColumn<QStringList>("before");
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("shownAfter");
  QTest::addColumn<QStringList>("then");
  QTest::addColumn<QString>("shownThen");
  QTest::addColumn<QString>("keys");
  auto row = [](const char* name, const QStringList& before, const QString& command,
                const QString& shownAfter, const QStringList& then, const QString& shownThen,
                const QString& keys) {
    QTest::newRow(name) << before << command << shownAfter << then << shownThen << keys;
  };
  row("modify stays, next goes on", {"next", "next"}, "modify", "K9", {"next"}, "K2",
      "K5 K1 K9 K2");
  row("modify stays, previous goes back", {"next", "next"}, "modify", "K9", {"previous"}, "K1",
      "K5 K1 K9 K2");
  row("new customer is the last", {"next"}, "new", "K7", {"previous"}, "K2", "K5 K1 K9 K2 K7");
  row("delete shows the first", {"next", "next"}, "delete", "K5", {"next", "next"}, "K2",
      "K5 K1 K2");
  row("delete of the last", {"last"}, "delete", "K5", {"last"}, "K9", "K5 K1 K9");
}

void TestLargeTable::writesKeepPosition() {
  QFETCH(QStringList, before);
  QFETCH(QString, command);
  QFETCH(QString, shownAfter);
  QFETCH(QStringList, then);
  QFETCH(QString, shownThen);
  QFETCH(QString, keys);
  TestEnv env;
  GappedCustomers();
  frmCust* window = OpenWindow();
  for (const QString& key : before) Press(window, key);
  Press(window, command);
  if (command == "new") ReplaceText(window->txtCID, "K7");
  if (command != "delete") ReplaceText(window->txtName, "N" + shownAfter);
  if (command != "delete") Press(window, "save");
  QCOMPARE(env.messages, QStringList{"Finish"});
  QCOMPARE(window->txtCID->text(), shownAfter);
  for (const QString& key : then) Press(window, key);
  QCOMPARE(window->txtCID->text(), shownThen);
  QCOMPARE(window->txtName->text(), "N" + shownThen);
  QStringList stored;
  for (const auto& row : Rows("select CID from customer order by rowid")) stored << *row[0];
  QCOMPARE(stored.join(' '), keys);
}

void TestLargeTable::olderFile_data() {
  QTest::addColumn<QString>("state");
  QTest::addColumn<QString>("advice");
  QTest::addColumn<int>("indexes");
  auto row = [](const char* name, const QString& state, const QString& advice, int indexes) {
    QTest::newRow(name) << state << advice << indexes;
  };
  row("writable: indexes added, nothing said", "writable", "", 5);
  row("locked by another program", "locked", "Close the other program", 0);
  row("cannot be written", "read-only", "Make the file and its folder writable", 0);
}

void TestLargeTable::olderFile() {
  QFETCH(QString, state);
  QFETCH(QString, advice);
  QFETCH(int, indexes);
  if (OnServer()) QSKIP("a case of database files");
  TestEnv env;
  GappedCustomers();
  for (const char* table : {"customer", "family", "insurance", "compensate", "contact"})
    Sql(QStringLiteral("drop index %1_CID").arg(table));
  QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
  holder.setDatabaseName(env.DbPath());
  QVERIFY(holder.open());
  if (state == "locked") QVERIFY(QSqlQuery(holder).exec("begin immediate"));
  if (state == "read-only") {
    // Root may write a read-only file; a journal SQLite cannot create stops every writer.
    QVERIFY(QFile::link("/nonexistent-qel-folder/journal", env.DbPath() + "-journal"));
    QVERIFY(::chmod(qPrintable(env.DbPath()), 0444) == 0);
  }
  for (int load = 0; load < 2; ++load) {
    frmCust* window = OpenWindow();
    QVERIFY(window);
    QCOMPARE(window->txtCID->text(), "K5");
    window->Unload();
  }
  // Said once, however often the window loads, and with the way out.
  QCOMPARE(env.messages.size(), advice.isEmpty() ? 0 : 1);
  if (!advice.isEmpty()) QVERIFY2(env.messages[0].contains(advice), qPrintable(env.messages[0]));
  QSqlQuery(holder).exec("rollback");
  holder.close();
  holder = QSqlDatabase();
  QSqlDatabase::removeDatabase("holder");
  QCOMPARE(Count("select count(*) from sqlite_master where sql like '%(CID)%' and tbl_name "
                 "<> 'history'"),
           indexes);
}

QTEST_MAIN(TestLargeTable)
#include "tst_largetable.moc"
