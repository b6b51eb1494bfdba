// Export: the CSV files read back by the import give the same database, the address book read
// back by an independent vCard parser gives every customer's data, and the window's command
// group works on what is saved.

#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include "data/schema.h"
#include "tests/customer/custtest.h"
#include "transfer/export.h"
#include "transfer/import.h"
#include "ui/program/module1.h"
#include "ui/schedule/schedule.h"
#include "ui/toolkit/pathdialog.h"

using namespace custtest;

namespace {

// Values a spreadsheet or a careless writer gets wrong, and how each stands in a CSV field.
struct Awkward {
  const char* name;
  Value value;
  QByteArray field;
};
const QList<Awkward> kAwkward = {
    {"null", std::nullopt, ""},
    {"empty text", QString(), "\"\""},
    {"plain", "plain", "plain"},
    {"comma", "a,b", "\"a,b\""},
    {"quotes", "say \"hi\"", "\"say \"\"hi\"\"\""},
    {"CRLF", "two\r\nlines", "\"two\r\nlines\""},
    {"LF", "one\nbreak", "\"one\nbreak\""},
    {"tab", "tab\there", "tab\there"},
    {"blanks around", " padded ", "\" padded \""},
    {"trailing blank", "end ", "\"end \""},
    {"CJK", "王小明", "\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E"},
    {"full-width signs", "！／：", "\xEF\xBC\x81\xEF\xBC\x8F\xEF\xBC\x9A"},
};

// Reads the one card of customers.vcf with python3-vobject: each property[/TYPE] and its value;
// ADR gives its street part, ORG its units joined by "|".
const char* kReadCard = R"(
import json, sys, vobject
card = vobject.readOne(open(sys.argv[1], encoding='utf-8').read())
print(json.dumps({p.name + ''.join('/' + t for t in p.params.get('TYPE', [])):
    p.value.street if p.name == 'ADR' else '|'.join(p.value) if p.name == 'ORG' else p.value
    for p in card.getChildren()}))
)";

QString Python() {
  // The system's Python, where Debian installs python3-vobject.
  return QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

// Every row of every table, in rowid order, of the qel.db in `folder`.
QVector<QVector<Value>> Dump(const QString& folder) {
  const QString previous = QDir::currentPath();
  QDir::setCurrent(folder);
  QVector<QVector<Value>> rows;
  for (const TableLayout& table : Tables()) {
    rows << QVector<Value>{table.name};
    rows += Rows("select * from " + table.name + " order by rowid");
  }
  QDir::setCurrent(previous);
  return rows;
}

// The birthday as the schedule reads it, in the card's form: "YYYYMMDD" for a line with the
// age, "--MMDD" for one without, "unreadable" for a birthday it lists as unreadable, else empty.
// A leap year's 366 days: 29 February is a day of its own.
QString ScheduledBirthday() {
  Connection connection;
  OpenDatabase(connection, kDatabaseFile);
  const Schedule schedule = ReadSchedule(connection, QDate(2028, 1, 1), 366);
  for (const ScheduleLine& line : schedule.lines) {
    if (line.kind != ScheduleLine::Kind::Birthday) continue;
    const QString monthDay = line.date.toString("MMdd");
    return line.years ? QString::number(line.date.year() - line.years) + monthDay : "--" + monthDay;
  }
  return schedule.unreadable.empty() ? QString() : QStringLiteral("unreadable");
}

const QStringList kSet = {"customer.csv",   "customers.vcf", "family.csv", "insurance.csv",
                          "compensate.csv", "contact.csv",   "history.csv"};

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// What an export finds in `folder`: nothing (no folder), an empty folder, all six files of an
// older export, two of them, or a folder named family.csv; a file of the agent's own besides.
void Prepare(const QString& folder, const QString& older) {
  QDir(folder).removeRecursively();
  if (older == "missing") return;
  QVERIFY(QDir().mkpath(folder));
  WriteFile(folder + "/notes.txt", "mine");
  const QStringList names = older == "all"      ? kSet
                            : older == "some"   ? QStringList{"customer.csv", "contact.csv"}
                            : older == "folder" ? QStringList{"customer.csv"}
                                                : QStringList();
  for (const QString& name : names) WriteFile(folder + "/" + name, "older " + name.toUtf8());
  if (older == "folder") QVERIFY(QDir().mkdir(folder + "/family.csv"));
}

// Every file and folder under `folder`, hidden ones too: its bytes, with the mode where it is
// not 0600, or "<folder>".
QMap<QString, QByteArray> Entries(const QString& folder) {
  QMap<QString, QByteArray> entries;
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QFileInfo info = it.nextFileInfo();
    const QString name = QDir(folder).relativeFilePath(info.absoluteFilePath());
    if (info.isDir()) {
      entries[name] = "<folder>";
      continue;
    }
    entries[name] = FileBytes(info.filePath());
    if (info.permissions() !=
        (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser))
      entries[name] += " [mode " + QByteArray::number(int(info.permissions()), 16) + "]";
  }
  return entries;
}

}  // namespace

class TestExport : public QObject {
  Q_OBJECT
 private slots:
  void roundTrip();
  void vcard_data();
  void vcard();
  void replace_data();
  void replace();
  void commands_data();
  void commands();
};

// Every awkward value in every column of every table: family.csv holds each as the import reads
// it (Null empty, "" quoted, quoting only where needed, UTF-8 after a byte-order mark, CRLF after
// each record), and importing the files into an empty folder gives back every table, row and
// value, Null and the empty text kept apart.
void TestExport::roundTrip() {
  TestEnv env;
  CreateDatabase();
  QByteArray family = "\xEF\xBB\xBF" + Tables()[1].columns.join(',').toUtf8() + "\r\n";
  for (int i = 0; i < kAwkward.size(); ++i) {
    const QString key = QStringLiteral("K%1").arg(i);
    QMap<QString, Value> customer;
    for (const QString& column : Tables()[0].columns) customer[column] = kAwkward[i].value;
    InsertCustomer(key, customer);
    for (const TableLayout& table : Tables().mid(1)) {
      const QVector<Value> data(DataColumns(table.name).size(), kAwkward[i].value);
      InsertChild(table.name, key, data);
    }
    family += QByteArray::number(i + 1) + ",K" + QByteArray::number(i);
    for (int c = 0; c < 8; ++c) family += "," + kAwkward[i].field;
    family += "\r\n";
  }
  ExportTo(kDatabaseFile, "out");
  QCOMPARE(FileBytes("out/family.csv"), family);
  QCOMPARE(FileBytes("out/customers.vcf").count("BEGIN:VCARD"), kAwkward.size());
  QCOMPARE(FileBytes("out/customers.vcf").count("NOTE:C_No: K"), kAwkward.size());
  if (OnServer()) return;  // the import goes into a file
  QVERIFY(QDir().mkdir("copy"));
  QVERIFY_THROWS_NO_EXCEPTION(ImportInto("copy/" + kDatabaseFile, "out"));
  QCOMPARE(Dump("copy"), Dump("."));
}

// One customer with one value (a birthday as "year/month/day"), and the property an independent
// vCard reader finds on the card (none where `read` is null). A birthday reads the same in the
// schedule, or it lists it as unreadable.
void CardRow(const char* name, const char* column, const char* property, const QString& stored,
             const QString& read, const char* scheduled = nullptr) {
  QTest::newRow(name) << QString(column) << QString(property) << stored << read
                      << (scheduled       ? QString(scheduled)
                          : read.isNull() ? QStringLiteral("unreadable")
                                          : read);
}

void TestExport::vcard_data() {
  QTest::addColumn<QString>("column");
  QTest::addColumn<QString>("property");
  QTest::addColumn<QString>("stored");
  QTest::addColumn<QString>("read");
  QTest::addColumn<QString>("scheduled");
  CardRow("name", "Cust_name", "FN", "王小明", "王小明");
  CardRow("escapes", "Cust_name", "FN", "a\\b,c;d\r\ne", "a\\b,c;d\ne");
  CardRow("home phone", "Cust_telhome", "TEL/home", "02-2345 6789", "02-2345 6789");
  CardRow("mobile", "Cust_cellphone", "TEL/cell", "0912", "0912");
  CardRow("office phone", "Cust_teloffice", "TEL/work", "02-8", "02-8");
  CardRow("fax", "Cust_fax", "TEL/fax", "02-9", "02-9");
  CardRow("e-mail", "Cust_email", "EMAIL", "w@example.tw", "w@example.tw");
  CardRow("empty e-mail", "Cust_email", "EMAIL", "", QString());
  CardRow("home address", "Cust_addhome", "ADR/home", "信義區, 7號", "信義區, 7號");
  CardRow("office address", "Cust_addoffice", "ADR/work", "St; 1", "St; 1");
  CardRow("long line folded", "Cust_addhome", "ADR/home", QString(60, QChar(0x6771)),
          QString(60, QChar(0x6771)));
  CardRow("company", "Cust_company", "ORG", "ACME; Ltd", "ACME; Ltd");
  CardRow("job title", "Cust_jobtitle", "TITLE", "經理", "經理");
  CardRow("birthday", "birth", "BDAY", "1980/2/29", "19800229");
  CardRow("no leap year", "birth", "BDAY", "1981/2/29", "--0229", "unreadable");
  CardRow("no year", "birth", "BDAY", "/12/5", "--1205");
  CardRow("era year, blanks", "birth", "BDAY", "民國69/07/ 1 ", "19800701");
  CardRow("ROC year", "birth", "BDAY", "69/5/12", "19800512");
  CardRow("ROC year, year mark", "birth", "BDAY", "69年/5/12", "19800512");
  CardRow("ROC year, era and mark", "birth", "BDAY", "民國69年/5/12", "19800512");
  CardRow("ROC year of 3 digits", "birth", "BDAY", "100/1/1", "20110101");
  CardRow("full-width digits", "birth", "BDAY", "１９８０/５/１２", "19800512");
  CardRow("month and day marks", "birth", "BDAY", "1980/5月/12日", "19800512");
  CardRow("unreadable year", "birth", "BDAY", "soon/5/12", "--0512");
  CardRow("era with common year", "birth", "BDAY", "民國1980/5/12", "--0512");
  CardRow("five-digit year", "birth", "BDAY", "19800/5/12", "--0512");
  CardRow("30 February", "birth", "BDAY", "1980/2/30", QString());
  CardRow("month 13", "birth", "BDAY", "1980/13/1", QString());
  CardRow("no such day", "birth", "BDAY", "1980/4/31", QString());
  CardRow("no day", "birth", "BDAY", "1980/4/", QString());
}

void TestExport::vcard() {
  // The cards are made from the rows the export reads, alike from either back end; roundTrip
  // reads the awkward values from a server and shows a card made for each customer there.
  if (OnServer()) QSKIP("a case of the export's files, made alike from either back end");
  QFETCH(QString, column);
  QFETCH(QString, property);
  QFETCH(QString, stored);
  QFETCH(QString, read);
  QFETCH(QString, scheduled);
  TestEnv env;
  CreateDatabase();
  const QStringList date = stored.split('/');
  if (column == "birth")
    InsertCustomer(
        "K1",
        {{"Cust_birthyear", date[0]}, {"Cust_birthmonth", date[1]}, {"Cust_birthday", date[2]}});
  else
    InsertCustomer("K1", {{column, stored}});
  ExportTo(kDatabaseFile, "out");
  for (const QByteArray& line : FileBytes("out/customers.vcf").split('\n')) {
    QVERIFY2(line.size() <= 76, line.constData());  // 75 octets and the CR
    QVERIFY2(QString::fromUtf8(line).toUtf8() == line, "a line ends inside a character");
  }
  QProcess python;
  python.start(Python(), {"-c", kReadCard, "out/customers.vcf"});
  QVERIFY(python.waitForFinished());
  QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
  QJsonObject expected{{"VERSION", "4.0"}, {"NOTE", "C_No: K1"}, {"FN", ""}};
  if (!read.isNull()) expected[property] = read;
  QCOMPARE(QJsonDocument::fromJson(python.readAllStandardOutput()).toJson(QJsonDocument::Compact),
           QJsonDocument(expected).toJson(QJsonDocument::Compact));
  if (column == "birth") QCOMPARE(ScheduledBirthday(), scheduled);
}

void TestExport::replace_data() {
  QTest::addColumn<QString>("older");
  QTest::addColumn<QString>("failing");  // the steps (those beginning so) that fail, in turn
  QTest::addColumn<QString>("notBack");  // an older file that then cannot be put back
  auto row = [](const char* name, const QString& older, const QString& failing,
                const QString& notBack) { QTest::newRow(name) << older << failing << notBack; };
  row("no folder, each write", "missing", "write", "");
  row("no folder, its rename", "missing", "place folder", "");
  row("empty folder, each move", "empty", "place", "");
  row("older set, each write", "all", "write", "");
  row("older set, each move aside", "all", "aside", "");
  row("older set, each move in", "all", "place", "");
  row("two older files, each move in", "some", "place", "");
  row("a folder named family.csv", "folder", "", "");
  row("putting back fails", "all", "place family.csv", "customer.csv");
}

// An export that fails at any step of writing its files or moving them into place leaves the
// folder exactly as it was, byte for byte, with nothing beside it; one that does not fail leaves
// exactly the new set (mode 0600) and the agent's own file. Should even putting an older file
// back fail, the message says where it is and which new file the folder holds.
void TestExport::replace() {
  if (OnServer()) QSKIP("a case of the export's files, made alike from either back end");
  QFETCH(QString, older);
  QFETCH(QString, failing);
  QFETCH(QString, notBack);
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("K1", "Alice");
  QStringList steps;
  SetExportStepHook([&](const QString& step) { return steps << step, 0; });
  const auto restore = qScopeGuard([] { SetExportStepHook({}); });
  Prepare("probe", older);
  if (!failing.isEmpty()) {
    ExportTo(kDatabaseFile, "probe");
    QStringList expected = kSet;
    if (older != "missing") expected << "notes.txt";
    expected.sort();
    QCOMPARE(Entries("probe").keys(), expected);
  }
  const QMap<QString, QByteArray> done = Entries("probe");
  const QStringList failingSteps = steps.filter(QRegularExpression("^" + failing));
  QVERIFY(failing.isEmpty() || !failingSteps.isEmpty());

  QVERIFY(QDir().mkdir("work"));
  for (const QString& step : failing.isEmpty() ? QStringList{""} : failingSteps) {
    Prepare("work/out", older);
    const QMap<QString, QByteArray> before = Entries("work");
    SetExportStepHook(
        [&](const QString& now) { return now == step || now == "back " + notBack ? EIO : 0; });
    QString message;
    try {
      ExportTo(kDatabaseFile, "work/out");
    } catch (const DataError& error) {
      message = error.message();
    }
    if (notBack.isEmpty()) QCOMPARE(Entries("work"), before);
    QVERIFY2(message.contains(step.isEmpty() ? "family.csv is a folder" : "Input/output error"),
             qPrintable(step + ": " + message));
    if (notBack.isEmpty()) continue;
    const QStringList kept =
        QDir("work/out").entryList({".qel-export.*"}, QDir::Dirs | QDir::Hidden);
    QCOMPARE(kept.size(), 1);
    const QString aside = QDir("work/out/" + kept[0] + "/older").absolutePath();
    QVERIFY2(message.contains("the folder holds the new customer.csv in place of its older one, "
                              "which is in " +
                              aside),
             qPrintable(message));
    QCOMPARE(FileBytes(aside + "/customer.csv"), QByteArray("older customer.csv"));
    for (const QString& name : kSet) {
      QCOMPARE(Entries("work/out")[name], name == notBack ? done[name] : before["out/" + name]);
    }
  }
  if (failing.isEmpty()) return;
  SetExportStepHook({});
  Prepare("work/out", older);
  ExportTo(kDatabaseFile, "work/out");
  QCOMPARE(Entries("work/out"), done);
}

void TestExport::commands_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<bool>("modifying");
  QTest::addColumn<bool>("byShortcut");
  for (const char* command : {"export", "backup", "import"}) {
    QTest::addRow("%s browsing", command) << command << false << false;
    QTest::addRow("%s modifying", command) << command << true << false;
  }
  QTest::newRow("export by shortcut") << "export" << false << true;
}

// From the toolbar: the command asks for its target, writes what is saved (not what is being
// typed, and says so), reports "Finish" with what it wrote; an import shows the first customer.
void TestExport::commands() {
  QFETCH(QString, command);
  QFETCH(bool, modifying);
  QFETCH(bool, byShortcut);
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("K1", "Alice");
  InsertSimpleCustomer("K2", "Bob");
  QVERIFY(QDir().mkdir("in") && QDir().mkdir("bak"));
  QFile csv("in/customer.csv");
  QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write("CID,Cust_name\r\nN1,Imported\r\n") > 0);
  csv.close();
  const QString target = env.Dir() + (command == "export"   ? "/out"
                                      : command == "backup" ? "/bak/qel.db"
                                                            : "/in/customer.csv");
  SetPathDialogHook([&](PathKind, const QString&) { return target; });
  const auto restore = qScopeGuard([] { SetPathDialogHook({}); });

  frmCust* window = OpenWindow();
  Press(window, modifying ? "modify" : "next");
  if (modifying) ReplaceText(window->txtName, "Typed");
  if (byShortcut)
    QTest::keyClick(window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
  else
    QTest::mouseClick(window->Toolbar1->widgetForAction(window->Toolbar1->Buttons(command)),
                      Qt::LeftButton);

  QCOMPARE(env.messages.size(), 1);
  if (OnServer() && command == "backup") {
    // The backup works on files; the agent is told what to do instead.
    QVERIFY2(env.messages[0].contains("works on a database file"), qPrintable(env.messages[0]));
    QCOMPARE(window->txtName->text(), modifying ? QStringLiteral("Typed") : QStringLiteral("Bob"));
    return;
  }
  QVERIFY2(env.messages[0].startsWith("Finish\n"), qPrintable(env.messages[0]));
  QCOMPARE(env.messages[0].contains("not saved"), modifying);
  if (command == "export") {
    QVERIFY(env.messages[0].contains("customer.csv: 2 rows"));
    const QByteArray written = FileBytes("out/customer.csv");
    QVERIFY(written.contains("Alice") && !written.contains("Typed"));
  } else if (command == "backup") {
    QVERIFY(env.messages[0].contains(target));
    QCOMPARE(Dump("bak"), Dump("."));
  } else {
    QCOMPARE(Count("select count(*) from customer where Cust_name='Imported'"), 1);
    // Browsing starts over at the first customer, the imported ones among those paged.
    if (!modifying) {
      QCOMPARE(window->txtName->text(), QStringLiteral("Alice"));
      Press(window, "last");
    }
  }
  QCOMPARE(window->txtName->text(), modifying             ? QStringLiteral("Typed")
                                    : command == "import" ? QStringLiteral("Imported")
                                                          : QStringLiteral("Bob"));
  QCOMPARE(window->ModifyMode, modifying);
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
