// Export: the CSV files read back by the import give the same database, the address book read
// back by an independent vCard parser gives every customer's data, and the window's command
// group works on what is saved.

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include "app/module1.h"
#include "tests/customer/custtest.h"
#include "transfer/export.h"
#include "transfer/import.h"
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
    {"CJK", "王小明", "\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E"},
    {"full-width signs", "！／：", "\xEF\xBC\x81\xEF\xBC\x8F\xEF\xBC\x9A"},
};

// Reads customers.vcf with python3-vobject: per card (keyed by its NOTE) each property's
// TYPE (if any) and value; ADR gives its street part, ORG its units joined by ";".
const char* kReadCards = R"(
import json, sys, vobject
cards = {}
for card in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):
    props = {}
    for p in card.getChildren():
        v = p.value.street if p.name == 'ADR' else ';'.join(p.value) if p.name == 'ORG' else p.value
        props[p.name + ''.join('/' + t for t in p.params.get('TYPE', []))] = v
    cards[props.get('NOTE', '')] = props
print(json.dumps(cards))
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

}  // namespace

class TestExport : public QObject {
  Q_OBJECT
 private slots:
  void csvField_data();
  void csvField();
  void roundTrip();
  void vcard_data();
  void vcard();
  void commands_data();
  void commands();
};

void TestExport::csvField_data() {
  QTest::addColumn<int>("index");
  for (int i = 0; i < kAwkward.size(); ++i) QTest::newRow(kAwkward[i].name) << i;
}

// Each value stands in family.csv as the import reads it: Null empty, "" quoted, quoting only
// where needed, UTF-8 after a byte-order mark, CRLF after each record.
void TestExport::csvField() {
  QFETCH(int, index);
  TestEnv env;
  CreateDatabase();
  InsertChild("family", "K1", {"rel", kAwkward[index].value});
  ExportTo(kDatabaseFile, "out");
  QCOMPARE(FileBytes("out/family.csv"),
           "\xEF\xBB\xBFID,CID,fam_rel,fam_name,fam_sex,fam_id,fam_birth,fam_age,fam_job,"
           "fam_comment\r\n1,K1,rel," +
               kAwkward[index].field + ",,,,,,\r\n");
}

// Export, then import into an empty folder: every table, row and value comes back, Null and
// the empty text kept apart.
void TestExport::roundTrip() {
  TestEnv env;
  CreateDatabase();
  for (int i = 0; i < kAwkward.size(); ++i) {
    const QString key = QStringLiteral("K%1").arg(i);
    QMap<QString, Value> row;
    for (const QString& column : Tables()[0].columns.mid(2))
      row[column] = kAwkward[(i + row.size()) % kAwkward.size()].value;
    InsertCustomer(key, row);
    for (int t = 1; t < Tables().size(); ++t) {
      QVector<Value> data;
      for (int c = 0; c < DataColumns(Tables()[t].name).size(); ++c)
        data << kAwkward[(i + c + t) % kAwkward.size()].value;
      InsertChild(Tables()[t].name, key, data);
    }
  }
  const ExportSummary summary = ExportTo(kDatabaseFile, "out");
  QCOMPARE(summary.files.size(), 6);
  QVERIFY(QDir().mkdir("copy"));
  QVERIFY_THROWS_NO_EXCEPTION(ImportInto("copy/" + kDatabaseFile, "out"));
  QCOMPARE(Dump("copy"), Dump("."));
}

// Customers and the card an independent vCard reader makes of each.
struct CardCase {
  const char* name;
  QMap<QString, Value> columns;
  QMap<QString, QString> card;  // property[/type] -> value; missing means "not on the card"
};

const QList<CardCase>& CardCases() {
  static const QList<CardCase> cases = {
      {"every field",
       {{"Cust_name", "王小明"},
        {"Cust_telhome", "02-2345 6789"},
        {"Cust_cellphone", "0912"},
        {"Cust_teloffice", "02-8"},
        {"Cust_fax", "02-9"},
        {"Cust_email", "w@example.tw"},
        {"Cust_addhome", "台北市信義區, 7號"},
        {"Cust_addoffice", "Work St; 1"},
        {"Cust_company", "ACME; Ltd"},
        {"Cust_jobtitle", "經理"}},
       {{"FN", "王小明"},
        {"TEL/home", "02-2345 6789"},
        {"TEL/cell", "0912"},
        {"TEL/work", "02-8"},
        {"TEL/fax", "02-9"},
        {"EMAIL", "w@example.tw"},
        {"ADR/home", "台北市信義區, 7號"},
        {"ADR/work", "Work St; 1"},
        {"ORG", "ACME; Ltd"},
        {"TITLE", "經理"}}},
      {"escapes", {{"Cust_name", "a\\b,c;d\r\ne"}}, {{"FN", "a\\b,c;d\ne"}}},
      {"long folded",
       {{"Cust_addhome", QString(60, QChar(0x6771)) + "x"}},
       {{"ADR/home", QString(60, QChar(0x6771)) + "x"}}},
      {"empty and null", {{"Cust_name", ""}, {"Cust_email", ""}}, {{"FN", ""}}},
      {"birthday date",
       {{"Cust_birthyear", "1980"}, {"Cust_birthmonth", "2"}, {"Cust_birthday", "29"}},
       {{"BDAY", "19800229"}}},
      {"birthday no leap year",
       {{"Cust_birthyear", "1981"}, {"Cust_birthmonth", "2"}, {"Cust_birthday", "29"}},
       {{"BDAY", "--0229"}}},
      {"birthday without year",
       {{"Cust_birthmonth", "12"}, {"Cust_birthday", "5"}},
       {{"BDAY", "--1205"}}},
      {"birthday typed year",
       {{"Cust_birthyear", "民國69"}, {"Cust_birthmonth", "07"}, {"Cust_birthday", " 1 "}},
       {{"BDAY", "--0701"}}},
      {"birthday no such day", {{"Cust_birthmonth", "4"}, {"Cust_birthday", "31"}}, {}},
      {"birthday month only", {{"Cust_birthyear", "1990"}, {"Cust_birthmonth", "4"}}, {}},
  };
  return cases;
}

void TestExport::vcard_data() {
  QTest::addColumn<int>("index");
  for (int i = 0; i < CardCases().size(); ++i) QTest::newRow(CardCases()[i].name) << i;
}

void TestExport::vcard() {
  QFETCH(int, index);
  const CardCase& row = CardCases()[index];
  TestEnv env;
  CreateDatabase();
  InsertCustomer("K-" + QString::number(index), row.columns);
  ExportTo(kDatabaseFile, "out");
  const QByteArray file = FileBytes("out/customers.vcf");
  for (const QByteArray& line : file.split('\n')) {
    QVERIFY2(line.size() <= 76, line.constData());  // 75 octets and the CR
    QVERIFY2(QString::fromUtf8(line).toUtf8() == line, "a line ends inside a character");
  }
  QProcess python;
  python.start(Python(), {"-c", kReadCards, "out/customers.vcf"});
  QVERIFY(python.waitForFinished());
  QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
  const QJsonObject cards = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
  QCOMPARE(cards.keys(), QStringList{"C_No: K-" + QString::number(index)});
  QMap<QString, QString> card = row.card;
  card["VERSION"] = "4.0";
  card["NOTE"] = cards.keys().first();
  if (!card.contains("FN")) card["FN"] = "";
  QMap<QString, QString> read;
  const QJsonObject properties = cards.begin()->toObject();
  for (auto it = properties.begin(); it != properties.end(); ++it)
    read[it.key()] = it.value().toString();
  QCOMPARE(read, card);
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
  QDir().mkdir("source");
  QFile csv("source/customer.csv");
  QVERIFY(csv.open(QIODevice::WriteOnly));
  csv.write(
      "\xEF\xBB\xBF"
      "CID,Cust_name\r\nN1,Imported\r\n");
  csv.close();
  const QString target = command == "export"   ? env.Dir() + "/out"
                         : command == "backup" ? env.Dir() + "/copy.db"
                                               : env.Dir() + "/source/customer.csv";
  PathKind asked{};
  SetPathDialogHook([&](PathKind kind, const QString&) {
    asked = kind;
    return target;
  });
  const auto restore = qScopeGuard([] { SetPathDialogHook({}); });

  frmCust* window = OpenWindow();
  Press(window, modifying ? "modify" : "next");
  if (modifying) ReplaceText(window->txtName, "Typed");
  if (byShortcut)
    QTest::keyClick(window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
  else
    QTest::mouseClick(window->Toolbar1->widgetForAction(window->Toolbar1->Buttons(command)),
                      Qt::LeftButton);

  QCOMPARE(int(asked), int(command == "export"   ? PathKind::Folder
                           : command == "backup" ? PathKind::SaveFile
                                                 : PathKind::OpenFile));
  QCOMPARE(env.messages.size(), 1);
  QVERIFY2(env.messages[0].startsWith("Finish\n"), qPrintable(env.messages[0]));
  QCOMPARE(env.messages[0].contains("not saved"), modifying);
  if (command == "export") {
    QVERIFY(env.messages[0].contains("customer.csv: 2 rows"));
    QVERIFY(FileBytes("out/customer.csv").contains("Alice"));
    QVERIFY(!FileBytes("out/customer.csv").contains("Typed"));
  } else if (command == "backup") {
    QVERIFY(env.messages[0].contains(target));
    QVERIFY(QDir::setCurrent(env.Dir() + "/source"));
    QVERIFY(QFile::copy(target, kDatabaseFile));
    QCOMPARE(Rows("select Cust_name from customer order by rowid"),
             (QVector<QVector<Value>>{{"Alice"}, {"Bob"}}));
    QVERIFY(QDir::setCurrent(env.Dir()));
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
