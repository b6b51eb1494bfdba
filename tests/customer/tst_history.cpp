// Every change to a customer recorded and taken back: the history window and Ctrl+Z driven as
// the agent drives them, then what the file holds compared with the customer as it was.

#include <QPushButton>
#include <QTableView>

#include "custtest.h"
#include "data/history.h"
#include "ui/history/frmhistory.h"
#include "ui/program/language.h"
#include "ui/program/module1.h"

using namespace custtest;

namespace {

const QStringList kLists{"family", "insurance", "compensate", "contact"};

// Lin has Null and empty fields and list cells; a save from the window turns the customer's
// Null fields into "" and the lists' "" cells into Null, so only an exact restore brings her back.
void LinAndWu() {
  CreateDatabase();
  InsertCustomer("A1", {{"Cust_name", "Lin"}, {"Cust_fax", ""}, {"Cust_email", "lin@example.org"}});
  InsertChild("family", "A1", {"son", "", std::nullopt, "F"});
  InsertChild("family", "A1", {"wife", "Mei"});
  InsertChild("insurance", "A1", {"Greenleaf Mutual", ""});
  InsertChild("contact", "A1", {"2001", std::nullopt, ""});
  InsertSimpleCustomer("B1", "Wu");
}

// A customer's record and lists, exactly, under whatever key it has now.
QString Exact(const QString& key) {
  QMap<QString, Value> row = CustomerRow(key);
  if (row.isEmpty()) return QStringLiteral("none");
  row.remove("CID");
  QStringList parts;
  for (auto it = row.begin(); it != row.end(); ++it)
    parts << it.key() + '=' + it.value().value_or("~");
  for (const QString& table : kLists)
    for (const QVector<Value>& cells : ChildRows(table, key)) {
      QStringList texts;
      for (const Value& cell : cells) texts << cell.value_or("~");
      parts << table + ':' + texts.join('|');
    }
  return parts.join(',');
}

frmHistory* History() {
  frmHistory* window = Loaded<frmHistory>();
  if (!window) qFatal("no history window");
  return window;
}

}  // namespace

class TestHistory : public QObject {
  Q_OBJECT

 private slots:
  void stories_data();
  void stories();
  void whatChangedShown();
  void longHistoryInAnyOrder();
  void pruneKeepsTheYounger_data();
  void pruneKeepsTheYounger();
};

void TestHistory::stories_data() {
  QTest::addColumn<QStringList>("steps");
  QTest::addColumn<QString>("restored");  // the key Lin is stored under as she was; "" none
  QTest::addColumn<QString>("whats");     // the history, oldest first
  QTest::addColumn<QString>("messages");
  auto row = [](const char* name, const QStringList& steps, const QString& restored,
                const QString& whats, const QString& messages) {
    QTest::newRow(name) << steps << restored << whats << messages;
  };
  const char* changed =
      "Someone else changed this customer after this window showed it, so your changes were not "
      "saved. The window now shows the customer as stored: please make your changes again.";

  row("save, then restore from the window",
      {"modify", "txtName=Lim", "save", "history", "pick:0", "restore"}, "A1", "save,restore",
      "Finish/Finish");
  row("two saves, back to before the first",
      {"modify", "txtName=Lim", "save", "modify", "txtEmail=x", "save", "history", "pick:1",
       "restore"},
      "A1", "save,save,restore", "Finish/Finish/Finish");
  row("a new key restored to the old",
      {"modify", "txtCID=A9", "save", "history", "pick:0", "restore"}, "A1", "save,restore",
      "Finish/Finish");
  row("delete, then restore from the deleted tab",
      {"delete", "history", "tab:1", "pick:0", "restore"}, "A1", "delete,restore", "Finish/Finish");
  row("a key taken meanwhile comes back with (2)",
      {"delete", "history", "tab:1",
       "!insert into customer (CID, Cust_name) values ('A1', 'Other')", "pick:0", "restore"},
      "A1 (2)", "delete,restore",
      "Finish/Another customer now has the C_No A1. Restore this customer as A1 (2)?/Finish");
  row("someone else changed it since the window read it",
      {"modify", "txtName=Lim", "save", "history",
       "!update customer set Cust_name = 'Other' where CID = 'A1'", "pick:0", "restore"},
      "", "save", QString("Finish/") + changed);
  row("nothing selected", {"modify", "txtName=Lim", "save", "history", "restore"}, "", "save",
      "Finish/Select a line first.");
  row("undo of a save", {"modify", "txtName=Lim", "save", "^Ctrl+Z"}, "A1", "save,restore",
      "Finish/Finish");
  row("undo of a delete", {"delete", "^Ctrl+Z"}, "A1", "delete,restore", "Finish/Finish");
  row("undo only right after", {"modify", "txtName=Lim", "save", "next", "^Ctrl+Z"}, "", "save",
      "Finish");
  row("a new customer restored away",
      {"new", "txtCID=N1", "txtName=Nu", "save", "history", "pick:0", "restore", "?N1"}, "A1",
      "new,restore", "Finish/Finish");
}

void TestHistory::stories() {
  QFETCH(QStringList, steps);
  QFETCH(QString, restored);
  QFETCH(QString, whats);
  QFETCH(QString, messages);
  TestEnv env;
  qputenv("USER", "mei.agent");
  const auto unset = qScopeGuard([] { qunsetenv("USER"); });
  LinAndWu();
  const QString lin = Exact("A1");
  frmCust* w = OpenWindow();
  for (const QString& step : steps) {
    if (step.startsWith('!')) {
      Sql(step.mid(1));
    } else if (step.startsWith('^')) {
      QTest::keySequence(w, QKeySequence(step.mid(1)));
    } else if (step.startsWith('?')) {
      QCOMPARE(Exact(step.mid(1)), QStringLiteral("none"));
    } else if (step.contains('=')) {
      ReplaceText(Control<QWidget>(w, step.section('=', 0, 0)), step.section('=', 1));
    } else if (step.startsWith("tab:")) {
      History()->tabHistory->setCurrentIndex(step.mid(4).toInt());
    } else if (step.startsWith("pick:")) {
      QTableView* table = History()->tabHistory->currentIndex() == 0 ? History()->grdChanges
                                                                     : History()->grdDeleted;
      table->setCurrentIndex(table->model()->index(step.mid(5).toInt(), 0));
    } else if (step == "restore") {
      ClickButton(History()->cmdRestore);
    } else {
      Press(w, step);
    }
  }
  if (!restored.isEmpty()) {
    QCOMPARE(Exact(restored), lin);
    // The window shows the customer it stored.
    QCOMPARE(w->txtCID->text(), restored);
  } else {
    QVERIFY(Exact("A1") != lin);
  }
  QStringList recorded;
  for (const auto& row : Rows("select what from history order by id")) recorded << *row[0];
  QCOMPARE(recorded.join(','), whats);
  QCOMPARE(env.messages.join('/'), messages);
  // Who: the login name on a file, the database role on a server.
  const QString who = OnServer() ? *Rows("select current_user")[0][0] : "mei.agent";
  QCOMPARE(Count("select count(*) from history where who = ?", {who}), int(recorded.size()));
  QCOMPARE(env.fatalStatus, 0);
}

// The window's lines: newest first, what changed field by field and list by list; a double
// click lists the rows.
void TestHistory::whatChangedShown() {
  TestEnv env;
  LinAndWu();
  frmCust* w = OpenWindow();
  Press(w, "modify");
  ReplaceText(w->txtName, "Lim");
  Press(w, "save");
  Press(w, "history");
  const QAbstractItemModel* lines = History()->grdChanges->model();
  QCOMPARE(lines->rowCount(), 1);
  QCOMPARE(lines->index(0, 2).data().toString(), QStringLiteral("save"));
  const QString what = lines->index(0, 3).data().toString();
  QVERIFY2(what.startsWith(R"(Cust_addhome: Null -> ""; )"), qPrintable(what));
  QVERIFY2(what.contains(R"(Cust_name: "Lin" -> "Lim")"), qPrintable(what));
  QVERIFY2(what.endsWith("family: 1 changed; insurance: 1 changed; contact: 1 changed"),
           qPrintable(what));
  History()->grdChanges_DoubleClick(0);
  QVERIFY2(env.messages.last().contains("family, before: son |  | (Null) | F"),
           qPrintable(env.messages.last()));
  QVERIFY2(env.messages.last().contains("family, after: son | (Null) | (Null) | F"),
           qPrintable(env.messages.last()));
  // In Traditional Chinese the columns read as the window's captions; the values stay.
  qputenv("QEL_LANGUAGE", "zh_TW");
  InstallTranslations();
  const auto backToEnglish = qScopeGuard([] { qunsetenv("QEL_LANGUAGE"), InstallTranslations(); });
  Press(w, "history");
  const QString shown = History()->grdChanges->model()->index(0, 3).data().toString();
  QVERIFY2(shown.contains(QString::fromUtf8(R"(姓名: "Lin" -> "Lim")")), qPrintable(shown));
}

// A long history, its lines first shown in any order (the window reads the versions a screenful
// at a time): each line shows its own change.
void TestHistory::longHistoryInAnyOrder() {
  TestEnv env;
  LinAndWu();
  frmCust* w = OpenWindow();
  const int saves = 150;
  for (int i = 0; i < saves; ++i)
    Sql("insert into history (what, cid, new_cid, state) values ('save', 'A1', 'A1', ?)",
        {QStringLiteral(R"({"customer": {"Cust_name": "%1"}})").arg(i)});
  Press(w, "history");
  const QAbstractItemModel* lines = History()->grdChanges->model();
  QCOMPARE(lines->rowCount(), saves);
  for (const int line : {140, 3, 77, 0, 149, 64, 63, 1, 130}) {
    const QString change = QStringLiteral(R"(Cust_name: "%1" -> "%2")")
                               .arg(saves - 1 - line)
                               .arg(line ? QString::number(saves - line) : "Lin");
    QVERIFY2(lines->index(line, 3).data().toString().contains(change), qPrintable(change));
  }
}

void TestHistory::pruneKeepsTheYounger_data() {
  QTest::addColumn<int>("days");
  QTest::addColumn<QString>("kept");
  auto row = [](const char* name, int days, const QString& kept) {
    QTest::newRow(name) << days << kept;
  };
  row("30 days keep all", 30, "20,9,1");
  row("10 days drop the 20 days old", 10, "9,1");
  row("0 days drop all", 0, "");
}

void TestHistory::pruneKeepsTheYounger() {
  QFETCH(int, days);
  QFETCH(QString, kept);
  TestEnv env;
  CreateDatabase();
  Connection connection;
  OpenDatabase(connection, kDatabaseFile);
  connection.BeginTrans();
  for (int age : {20, 9, 1}) AppendHistory(connection, "save", QString::number(age), {}, "{}");
  connection.CommitTrans();
  for (int age : {20, 9, 1})
    Sql("update history set changed_at = ? where cid = ?",
        {QDateTime::currentDateTimeUtc().addDays(-age).toString(Qt::ISODateWithMs),
         QString::number(age)});
  PruneHistory(connection, days);
  QStringList left;
  for (const auto& row : Rows("select cid from history order by id")) left << *row[0];
  QCOMPARE(left.join(','), kept);
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
