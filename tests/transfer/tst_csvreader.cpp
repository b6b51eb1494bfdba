// The CSV reader on the files spreadsheets write: quoting, line breaks, byte-order mark, Null
// against the empty text, and broken files.
#include <QTemporaryDir>
#include <QTest>

#include "transfer/csvreader.h"

namespace {

// Records as «text» or ∅ (Null), fields joined by ",", records by " / ".
QString Render(const QString& file) {
  CsvReader reader(file);
  QStringList records;
  QList<Value> fields;
  while (reader.Next(fields)) {
    QStringList shown;
    for (const Value& field : fields)
      shown << (field ? QStringLiteral("«%1»").arg(*field) : QStringLiteral("∅"));
    records << shown.join(QLatin1Char(','));
  }
  return records.join(QStringLiteral(" / "));
}

}  // namespace

class tst_CsvReader : public QObject {
  Q_OBJECT
 private slots:
  void records_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QByteArray("a,b\n1,2\n") << "«a»,«b» / «1»,«2»";
    QTest::newRow("empty unquoted is Null, \"\" is empty text")
        << QByteArray("x,,\"\"\n") << "«x»,∅,«»";
    QTest::newRow("trailing comma gives a Null field") << QByteArray("x,\n") << "«x»,∅";
    QTest::newRow("comma inside quotes") << QByteArray("\"Wang, Da\",1\n") << "«Wang, Da»,«1»";
    QTest::newRow("doubled quote") << QByteArray("\"say \"\"hi\"\"\"\n") << "«say \"hi\"»";
    QTest::newRow("line break inside quotes")
        << QByteArray("\"road 1\r\nfloor 2\",z\r\nnext\r\n") << "«road 1\r\nfloor 2»,«z» / «next»";
    QTest::newRow("byte-order mark skipped") << QByteArray(
                                                    "\xEF\xBB\xBF"
                                                    "CID\nA1\n")
                                             << "«CID» / «A1»";
    QTest::newRow("UTF-8 text") << QByteArray("陳大文,台北\n") << "«陳大文»,«台北»";
    QTest::newRow("spaces kept") << QByteArray(" a , b \n") << "« a »,« b »";
    QTest::newRow("blank lines skipped, no final line break")
        << QByteArray("a\n\n\r\nb") << "«a» / «b»";
    QTest::newRow("a lone quote inside an unquoted field is text")
        << QByteArray("5\"2\n") << "«5\"2»";
  }
  void records() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("t.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QCOMPARE(Render(file.fileName()), expected);
  }

  // The file is read in pieces of a megabyte; a doubled quote or a line break split between two
  // pieces is still one.
  void pieceBoundaries_data() {
    QTest::addColumn<int>("shift");
    for (int shift : {-4, -3, -2, -1, 0}) QTest::addRow("split at %d", shift) << shift;
  }
  void pieceBoundaries() {
    QFETCH(int, shift);
    const QByteArray head(1 << 20, 'a');
    const QByteArray bytes = "\"" + head.left(head.size() + shift - 1) + "\"\"\"\r\nb\r\n";
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("t.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const QString expected =
        QStringLiteral("«%1\"» / «b»").arg(QString::fromLatin1(head.left(head.size() + shift - 1)));
    QVERIFY(Render(file.fileName()) == expected);
  }

  void brokenFilesNameTheLine_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("quote never closed")
        << QByteArray("a\n\"open\nmore\n") << "t.csv, line 2: a quoted field is not closed";
    QTest::newRow("text after closing quote")
        << QByteArray("a\nb\n\"x\"y,1\n") << "t.csv, line 3: text follows the closing quote";
    QTest::newRow("not UTF-8") << QByteArray("a,b\nok,\xb3\xaf\n")
                               << "t.csv, line 2: field 2 is not UTF-8 text";
  }
  void brokenFilesNameTheLine() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("t.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    try {
      Render(file.fileName());
      QFAIL("no error");
    } catch (const DataError& error) {
      QVERIFY2(error.message().startsWith(message), qPrintable(error.message()));
    }
  }
};

QTEST_GUILESS_MAIN(tst_CsvReader)
#include "tst_csvreader.moc"
