// The Access reader against mdb-export (mdbtools' own command) on real Access files: every
// table, row and value; and text in the code pages of old (Jet 3) files.
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "transfer/accessreader.h"
#include "transfer/codepage.h"
#include "transfer/csvreader.h"
#include "transfer/source.h"

namespace {

const QString kFixtures = QStringLiteral(QEL_ACCESS_FIXTURES);

// What mdb-export prints for a table, read back as records (header first).
QList<QList<Value>> Exported(const QString& file, const QString& table) {
  QProcess tool;
  tool.start(QStringLiteral("mdb-export"),
             {"-D", "%Y-%m-%d", "-T", "%Y-%m-%d %H:%M:%S", "-b", "hex", file, table});
  if (!tool.waitForFinished(60000) || tool.exitCode() != 0) qFatal("mdb-export failed");
  QTemporaryDir dir;
  QFile out(dir.filePath(QStringLiteral("t.csv")));
  if (!out.open(QIODevice::WriteOnly)) qFatal("no temporary file");
  out.write(tool.readAllStandardOutput());
  out.close();
  CsvReader reader(out.fileName());
  QList<QList<Value>> records;
  QList<Value> record;
  while (reader.Next(record)) records.append(record);
  return records;
}

}  // namespace

class tst_AccessReader : public QObject {
  Q_OBJECT
 private slots:
  void everyValueAsMdbExportPrintsIt_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("bindSize");
    for (const QString file : {"nwind.mdb", "DateTestDatabase.mdb", "ASampleDatabase.accdb"}) {
      // mdb-export reads Jet 3 text as code page 1252.
      AccessFile access(kFixtures + QLatin1Char('/') + file, 1252);
      for (const QString& table : access.Tables()) {
        QTest::addRow("%s %s", qPrintable(file), qPrintable(table))
            << file << table << AccessFile::kBindSize;
        // Values longer than the room the library gets (memos of many pages) come whole.
        QTest::addRow("%s %s, 64-byte room", qPrintable(file), qPrintable(table))
            << file << table << 64;
      }
    }
  }
  void everyValueAsMdbExportPrintsIt() {
    QFETCH(QString, file);
    QFETCH(QString, table);
    QFETCH(int, bindSize);
    const QString path = kFixtures + QLatin1Char('/') + file;
    const QList<QList<Value>> expected = Exported(path, table);
    AccessFile access(path, 1252, bindSize);
    std::unique_ptr<AccessFile::Table> reader = access.Open(table);
    QCOMPARE(reader->RowCount(), expected.size() - 1);
    QStringList header;
    for (const Value& name : expected.first()) header << name.value_or(QString());
    QCOMPARE(reader->Columns(), header);
    QList<Value> row;
    for (qsizetype r = 1; r < expected.size(); ++r) {
      QVERIFY2(reader->Next(row), qPrintable(QStringLiteral("row %1 missing").arg(r)));
      QCOMPARE(row.size(), header.size());
      for (qsizetype c = 0; c < row.size(); ++c) {
        // mdb-export prints Null and the empty text alike.
        const Value got = row[c] && row[c]->isEmpty() ? Value() : row[c];
        if (got != expected[r][c])
          QFAIL(qPrintable(QStringLiteral("row %1, %2: \"%3\" instead of \"%4\"")
                               .arg(r)
                               .arg(header[c], got.value_or("<Null>").left(80),
                                    expected[r][c].value_or("<Null>"))));
      }
    }
    QVERIFY(!reader->Next(row));
  }

  // Old files hold text in the code page of the Windows that wrote them.
  void codePages_data() {
    QTest::addColumn<int>("codepage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    auto row = [](const char* name, int codepage, const QByteArray& bytes, const QString& text,
                  bool valid) { QTest::newRow(name) << codepage << bytes << text << valid; };
    row("950 Chinese name", 950, QByteArray("\xb3\xaf\xa4\x6a\xa4\xe5"), "陳大文", true);
    row("950 plain ASCII", 950, QByteArray("A001"), "A001", true);
    row("950 lead byte cut off", 950, QByteArray("\xb3\xaf\xa4"), "", false);
    row("950 invalid trail byte", 950, QByteArray("\xa4\x20"), "", false);
    row("1252 umlaut", 1252, QByteArray("Ums\xe4tze"), "Umsätze", true);
    row("1252 euro sign", 1252, QByteArray("\x80 5"), "€ 5", true);
  }
  void codePages() {
    QFETCH(int, codepage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    CodePage decoder(codepage);
    const std::optional<QString> decoded = decoder.Decode(bytes);
    QCOMPARE(decoded.has_value(), valid);
    if (valid) QCOMPARE(*decoded, text);
  }

  // The code-page table of nwind.mdb read as Traditional Chinese: the first byte sequence that
  // is no Chinese text stops the reading, naming where it stands.
  void wrongCodePageStopsAtTheValue() {
    AccessFile access(kFixtures + QStringLiteral("/nwind.mdb"), 950);
    QString message;
    try {
      std::unique_ptr<AccessFile::Table> table = access.Open(QStringLiteral("Customers"));
      QList<Value> row;
      while (table->Next(row)) {
      }
    } catch (const DataError& error) {
      message = error.message();
    }
    QVERIFY2(message.contains(QRegularExpression(
                 "table \"Customers\", row \\d+, column \"\\w+\" cannot be read in code page 950")),
             qPrintable(message));
  }

  // What the import takes from an Access file is what the reader reads, value for value: a Null
  // stays Null (not the empty text), every text stays as it is.
  void importSourceAsTheReaderReads() {
    const QString path = kFixtures + QStringLiteral("/nwind.mdb");
    AccessFile file(path, 1252);
    std::unique_ptr<AccessFile::Table> reader = file.Open("Customers");
    std::unique_ptr<ImportSource> access = OpenImportSource(path, 1252);
    std::unique_ptr<SourceTable> source = access->Open("customers");
    QVERIFY(source);
    QCOMPARE(source->Columns(), reader->Columns());
    QList<Value> row;
    QList<Utf8Value> imported;
    int nulls = 0;
    while (reader->Next(row)) {
      QVERIFY(source->Next(imported));
      QCOMPARE(imported.size(), row.size());
      for (qsizetype c = 0; c < row.size(); ++c) {
        QCOMPARE(imported[c].has_value(), row[c].has_value());
        if (row[c]) QCOMPARE(QString::fromUtf8(*imported[c]), *row[c]);
        nulls += !row[c];
      }
    }
    QVERIFY(!source->Next(imported));
    QVERIFY(nulls > 0);  // the table has Nulls to keep
  }
};

QTEST_GUILESS_MAIN(tst_AccessReader)
#include "tst_accessreader.moc"
