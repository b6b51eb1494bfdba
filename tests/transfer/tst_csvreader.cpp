// The CSV reader on the files spreadsheets write: quoting, line breaks, byte-order mark, Null
// against the empty text, and broken files.
#include <QTemporaryDir>
#include <QTest>

#include "transfer/csvreader.h"

class tst_CsvReader : public QObject {
  Q_OBJECT
 private slots:
  // Records as «text» or ∅ (Null), fields joined by ",", records by " / "; or the error.
  void records_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    auto row = [](const char* name, const QByteArray& bytes, const QString& expected) {
      QTest::newRow(name) << bytes << expected;
    };
    row("plain", QByteArray("a,b\n1,2\n"), "«a»,«b» / «1»,«2»");
    row("empty unquoted is Null, \"\" is empty text", QByteArray("x,,\"\"\n"), "«x»,∅,«»");
    row("trailing comma gives a Null field", QByteArray("x,\n"), "«x»,∅");
    row("comma inside quotes", QByteArray("\"Wang, Da\",1\n"), "«Wang, Da»,«1»");
    row("doubled quote", QByteArray("\"say \"\"hi\"\"\"\n"), "«say \"hi\"»");
    row("line break inside quotes", QByteArray("\"road 1\r\nfloor 2\",z\r\nnext\r\n"),
        "«road 1\r\nfloor 2»,«z» / «next»");
    row("byte-order mark skipped, one inside a field kept",
        QByteArray("\xEF\xBB\xBF"
                   "CID\n\xEF\xBB\xBF"
                   "A1\n"),
        "«CID» / «\uFEFFA1»");
    row("UTF-8 text", QByteArray("陳大文,台北\n"), "«陳大文»,«台北»");
    row("spaces kept", QByteArray(" a , b \n"), "« a »,« b »");
    row("blank lines skipped, no final line break", QByteArray("a\n\n\r\nb"), "«a» / «b»");
    row("a lone quote inside an unquoted field is text", QByteArray("5\"2\n"), "«5\"2»");
    row("quote never closed", QByteArray("a\n\"open\nmore\n"),
        "t.csv, line 2: a quoted field is not closed.");
    row("text after closing quote", QByteArray("a\nb\n\"x\"y,1\n"),
        "t.csv, line 3: text follows the closing quote of field 1.");
    row("not UTF-8", QByteArray("a,b\nok,\xb3\xaf\n"),
        "t.csv, line 2: field 2 is not UTF-8 text; if the file was "
        "saved in another code page, import it with --codepage N (950 "
        "for Traditional Chinese).");
    // The file is read in pieces of a megabyte: a doubled quote or a line break split between
    // two pieces is still one.
    for (int shift : {-4, -3, -2, -1, 0}) {
      const QByteArray head((1 << 20) + shift - 1, 'a');
      QTest::addRow("split at %d", shift)
          << "\"" + head + "\"\"\"\r\nb\r\n"
          << QStringLiteral("«%1\"» / «b»").arg(QLatin1String(head));
    }
  }
  void records() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("t.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    QStringList records;
    try {
      CsvReader reader(file.fileName());
      QList<Value> fields;
      while (reader.Next(fields)) {
        QStringList shown;
        for (const Value& field : fields)
          shown << (field ? QStringLiteral("«%1»").arg(*field) : QStringLiteral("∅"));
        records << shown.join(QLatin1Char(','));
      }
    } catch (const DataError& error) {
      records = {error.message()};
    }
    const QString got = records.join(QStringLiteral(" / "));
    QVERIFY2(got == expected, qPrintable(got.left(200)));
  }
};

QTEST_GUILESS_MAIN(tst_CsvReader)
#include "tst_csvreader.moc"
