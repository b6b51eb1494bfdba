// Two programs on one file, as when the agent starts Qel twice: this test's customer window and
// a second program (the driver, running the same customer window in a process of its own). A
// save in one shows in the other; a customer deleted by one gives the other an empty window or a
// clear message, never the end of the program and never "Finish" for a write that changed
// nothing; saves of both at the same time all arrive.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "app/module1.h"
#include "dbstate.h"
#include "tests/customer/custtest.h"

using namespace custtest;

namespace {

// The second program, answering one JSON line per command.
class OtherProgram {
 public:
  explicit OtherProgram(const QString& folder) {
    m_process.start(QStringLiteral(QEL_CRASHDRIVER), {QStringLiteral("serve"), folder});
    m_ready = m_process.waitForStarted() && ReadLine().startsWith("ready");
  }
  ~OtherProgram() {
    if (m_process.state() == QProcess::Running) {
      m_process.closeWriteChannel();
      if (!m_process.waitForFinished(10000)) m_process.kill();
      m_process.waitForFinished();
    }
  }
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;

  bool Ready() const { return m_ready; }
  void Send(const QJsonObject& command) {
    m_process.write(QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n');
    m_process.waitForBytesWritten();
  }
  QJsonObject Answer() { return QJsonDocument::fromJson(ReadLine()).object(); }
  QJsonObject Do(const QJsonObject& command) {
    Send(command);
    return Answer();
  }
  QString Errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

 private:
  QByteArray ReadLine() {
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
      m_process.waitForReadyRead(1000);
    return m_process.readLine();
  }
  QProcess m_process;
  bool m_ready = false;
};

QStringList Messages(const QJsonObject& answer) {
  QStringList messages;
  for (const QJsonValue& message : answer[QStringLiteral("messages")].toArray())
    messages << message.toString();
  return messages;
}

QString ShownName(const QJsonObject& answer) {
  return answer[QStringLiteral("state")][QStringLiteral("row")][QStringLiteral("Cust_name")]
      .toString();
}

void ThreeCustomers() {
  CustomersWithKin({{"A001", "Alice"}, {"A002", "Bob"}, {"A003", "Carol"}});
}

}  // namespace

class TestTwoPrograms : public QObject {
  Q_OBJECT

 private slots:
  void saveInOther_showsWhenNavigatedTo();
  void saveHere_showsInOther();
  void deletedByOther();
  void bothSaveAtOnce_nothingLost();
};

void TestTwoPrograms::saveInOther_showsWhenNavigatedTo() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  OtherProgram other(env.Dir());
  QVERIFY2(other.Ready(), qPrintable(other.Errors()));
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));

  const QJsonObject answer =
      other.Do({{"op", "modify"},
                {"key", "A002"},
                {"name", "Bobby"},
                {"family", QJsonArray{QJsonArray{"son", "Ben"}, QJsonArray{"wife", "Bea"}}}});
  QCOMPARE(Messages(answer), QStringList{QStringLiteral("Finish")});

  Press(window, "next");
  QCOMPARE(window->txtCID->text(), QStringLiteral("A002"));
  QCOMPARE(window->txtName->text(), QStringLiteral("Bobby"));
  QCOMPARE(window->txtEmail->text(), QStringLiteral("A002-email"));
  QCOMPARE(GridEntries(window->msfgFamily),
           (QStringList{QStringLiteral("son|Ben||||||"), QStringLiteral("wife|Bea||||||")}));
  // Going back shows Alice unchanged.
  Press(window, "previous");
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
  QCOMPARE(env.messages, QStringList());
  QCOMPARE(env.fatalStatus, 0);
}

void TestTwoPrograms::saveHere_showsInOther() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  OtherProgram other(env.Dir());
  QVERIFY2(other.Ready(), qPrintable(other.Errors()));
  QCOMPARE(ShownName(other.Do({{"op", "show"}, {"key", "A003"}})), QStringLiteral("Carol"));

  Press(window, "last");
  Press(window, "modify");
  TypeInto(window->txtName, QStringLiteral("Caroline"));
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 1, QStringLiteral("kin changed"));
  Press(window, "save");
  QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});

  const QJsonObject shown = other.Do({{"op", "show"}, {"key", "A003"}});
  QCOMPARE(ShownName(shown), QStringLiteral("Caroline"));
  QCOMPARE(shown[QStringLiteral("state")][QStringLiteral("family")].toArray(),
           (QJsonArray{QJsonArray{"rel of Carol", "kin changed", QJsonValue::Null, QJsonValue::Null,
                                  QJsonValue::Null, QJsonValue::Null, QJsonValue::Null,
                                  QJsonValue::Null}}));
}

// A customer deleted by the other program: paging onto it shows an empty window; deleting it, or
// modifying and saving it, says that it is gone (never "Finish"), writes nothing and keeps the
// typing; the program goes on.
void TestTwoPrograms::deletedByOther() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  OtherProgram other(env.Dir());
  QVERIFY2(other.Ready(), qPrintable(other.Errors()));
  QCOMPARE(Messages(other.Do({{"op", "delete"}, {"key", "A002"}})),
           QStringList{QStringLiteral("Finish")});
  const QByteArray before = FileBytes(env.DbPath());

  Press(window, "next");
  QCOMPARE(env.messages, QStringList());
  for (QWidget* input : Inputs(window)) QCOMPARE(ShownText(input), QString());
  for (const List& list : Lists(window)) QCOMPARE(GridEntries(list.grid), QStringList());

  Press(window, "delete");
  Press(window, "modify");
  TypeInto(window->txtName, QStringLiteral("Ghost"));
  TypeIntoCell(window->msfgFamily, window->txtInput, 1, 0, QStringLiteral("daughter"));
  const QStringList typed = Snapshot(window);
  Press(window, "save");
  QCOMPARE(env.messages.size(), 2);
  for (const QString& message : env.messages)
    QVERIFY2(message.contains(QStringLiteral("deleted")), qPrintable(message));
  QCOMPARE(Snapshot(window), typed);
  QCOMPARE(FileBytes(env.DbPath()), before);

  // The neighbours are still there to page to.
  Press(window, "next");
  QCOMPARE(window->txtName->text(), QStringLiteral("Carol"));
  Press(window, "first");
  QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
  QCOMPARE(env.fatalStatus, 0);
}

void TestTwoPrograms::bothSaveAtOnce_nothingLost() {
  TestEnv env;
  ThreeCustomers();
  frmCust* window = OpenWindow();
  OtherProgram other(env.Dir());
  QVERIFY2(other.Ready(), qPrintable(other.Errors()));

  constexpr int kSaves = 40;
  other.Send({{"op", "burst"}, {"key", "A002"}, {"count", kSaves}});
  for (int i = 0; i < kSaves; ++i) {
    env.messages.clear();
    Press(window, "modify");
    TypeInto(window->txtName, QStringLiteral("mine %1").arg(i));
    Press(window, "save");
    QCOMPARE(env.messages, QStringList{QStringLiteral("Finish")});
  }
  const QStringList theirs = Messages(other.Answer());
  QCOMPARE(theirs, QStringList(kSaves, QStringLiteral("Finish")));

  reliability::IndependentDb db(env.DbPath());
  QCOMPARE(db.IntegrityCheck(), QStringLiteral("ok"));
  QCOMPARE(db.Column(QStringLiteral("select Cust_name from customer order by rowid")),
           (QStringList{QStringLiteral("mine %1").arg(kSaves - 1),
                        QStringLiteral("burst %1").arg(kSaves - 1), QStringLiteral("Carol")}));
  // Each kept its one family row through all the saves.
  QCOMPARE(db.Column(QStringLiteral("select CID from family order by CID")),
           (QStringList{"A001", "A002", "A003"}));
}

QTEST_MAIN(TestTwoPrograms)
#include "tst_twoprograms.moc"
