#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "data/schema.h"
#include "support/testsupport.h"
#include "ui/customer/customercard.h"
#include "ui/customer/frmcust.h"
#include "ui/listheadings.h"
#include "ui/toolkit/keyedtoolbar.h"

namespace {

// A poppler tool's output, without any blanks or line breaks (table cells may wrap).
QString Poppler(const QString& tool, const QStringList& arguments) {
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0)
    qFatal("%s failed (is poppler-utils installed?)", qPrintable(tool));
  return QString::fromUtf8(process.readAllStandardOutput()).remove(QRegularExpression("\\s"));
}

}  // namespace

// The card printed through the toolbar's "print" (to PDF here) holds every caption, field,
// heading and list cell of a customer with long lists and Chinese text, in an embedded font.
class PrintCardTest : public QObject {
  Q_OBJECT
 private slots:
  void card_data() {
    QTest::addColumn<QString>("command");  // pressed before "print"
    QTest::addColumn<int>("messages");
    QTest::newRow("browsing") << QString() << 0;
    QTest::newRow("modify mode prints what is saved") << "modify" << 1;
  }
  void card() {
    QFETCH(QString, command);
    QFETCH(int, messages);
    TestEnv env;
    CreateDatabase();
    QStringList expected = kFamilyHeadings + kInsuranceHeadings + kCompensateHeadings +
                           kContactHeadings +
                           QStringList{"Personal", "Company", "Contact", "Add(O)", "Job Grade"};
    QMap<QString, Value> fields;
    for (const QString& column : Tables()[0].columns) {
      const QString value = column == "CID" ? "K1" : column.mid(5) + "值";
      fields[column] = value;
      expected << value;
    }
    InsertCustomer(fields);
    for (int t = 1; t < 5; ++t) {
      for (int row = 0; row < 10 * t; ++row) {
        QVector<Value> cells;
        for (int c = 0; c < DataColumns(Tables()[t].name).size(); ++c)
          cells << QStringLiteral("%1%2-%3保").arg(t).arg(row, 2, 10, QChar(u'0')).arg(c);
        for (const Value& cell : cells) expected << *cell;
        InsertChild(Tables()[t].name, "K1", cells);
      }
    }

    const QString pdf = env.Dir() + "/card.pdf";
    SetPrintPreviewHook([&](QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(pdf);
      paint(&printer);
    });
    frmCust* cust = Show<frmCust>();
    if (!command.isEmpty()) {
      cust->Toolbar1->Press(command);
      ReplaceText(cust->txtName, "Unsaved");
    }
    cust->Toolbar1->Press("print");
    SetPrintPreviewHook({});
    QCOMPARE(env.messages.size(), messages);

    const QString text = Poppler("pdftotext", {pdf, "-"});
    for (const QString& shown : expected)
      QVERIFY2(text.contains(QString(shown).remove(' ')), qPrintable(shown));
    QVERIFY(!text.contains("Unsaved"));
    QVERIFY(QRegularExpression("Pages:([2-9]|\\d\\d)").match(Poppler("pdfinfo", {pdf})).hasMatch());
    // Every font travels inside the file, so the Chinese text shows on a machine without it: the
    // first of the yes/no columns "emb sub uni" before the object number says yes on every line.
    QProcess fonts;
    fonts.start("pdffonts", {pdf});
    QVERIFY(fonts.waitForFinished() && fonts.exitCode() == 0);
    const QString table = QString::fromUtf8(fonts.readAllStandardOutput());
    const QRegularExpression line(" (yes|no) +(yes|no) +(yes|no) +\\d+ +\\d+$",
                                  QRegularExpression::MultilineOption);
    QStringList embedded;
    for (const auto& match : line.globalMatch(table)) embedded << match.captured(1);
    QVERIFY2(!embedded.isEmpty() && !embedded.contains("no"), qPrintable(table));
  }
};

QTEST_MAIN(PrintCardTest)
#include "tst_printcard.moc"
