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

QString Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0)
    qFatal("%s failed (poppler-utils installed?)", qPrintable(program));
  return QString::fromUtf8(process.readAllStandardOutput());
}

QString Squeezed(QString text) {
  return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

}  // namespace

// The printed card, written to PDF through the toolbar's "print", holds every caption, field,
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
    QStringList expected;  // every text the card must show
    QMap<QString, Value> fields{{"Cust_name", "陳美玲"}, {"Cust_addhome", "台北市信義路五段7號"}};
    for (const QString& column : Tables()[0].columns) {
      if (!fields.contains(column) && column != QLatin1String("CID"))
        fields[column] = column.mid(5) + QStringLiteral("值");
      expected << *fields.value(column, QStringLiteral("K1"));
    }
    InsertCustomer(QStringLiteral("K1"), fields);
    const int rows[] = {30, 25, 20, 40};
    for (int t = 1; t < 5; ++t) {
      const TableLayout& table = Tables()[t];
      for (int r = 0; r < rows[t - 1]; ++r) {
        QVector<Value> cells;
        for (int c = 0; c < DataColumns(table.name).size(); ++c) {
          const QString cell =
              QStringLiteral("%1%2-%3保").arg(table.name.left(2)).arg(r, 2, 10, QChar(u'0')).arg(c);
          cells << cell;
          expected << cell;
        }
        InsertChild(table.name, QStringLiteral("K1"), cells);
      }
    }
    for (const QStringList* headings :
         {&kFamilyHeadings, &kInsuranceHeadings, &kCompensateHeadings, &kContactHeadings})
      expected << *headings;
    expected << QStringList{"Personal", "Company", "C_No", "Birthday", "E-Mail", "Add(O)"};

    const QString pdf = env.Dir() + QStringLiteral("/card.pdf");
    SetPrintPreviewHook([&](QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(pdf);
      paint(&printer);
    });
    frmCust* cust = Show<frmCust>();
    if (!command.isEmpty()) {
      cust->Toolbar1->Press(command);
      ReplaceText(cust->txtName, QStringLiteral("Unsaved"));
    }
    cust->Toolbar1->Press(QStringLiteral("print"));
    SetPrintPreviewHook({});
    QCOMPARE(env.messages.size(), messages);

    const QString text = Squeezed(Run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
    for (const QString& shown : expected)
      QVERIFY2(text.contains(Squeezed(shown)), qPrintable(shown));
    QVERIFY(!text.contains(QStringLiteral("Unsaved")));
    const QString info = Run(QStringLiteral("pdfinfo"), {pdf});
    QVERIFY(QRegularExpression(QStringLiteral("Pages:\\s+([2-9]|\\d\\d)")).match(info).hasMatch());
    // The Chinese font travels inside the file.
    QVERIFY(QRegularExpression(QStringLiteral("UMing\\S*\\s+CID TrueType\\s+\\S+\\s+yes"))
                .match(Run(QStringLiteral("pdffonts"), {pdf}))
                .hasMatch());
  }
};

QTEST_MAIN(PrintCardTest)
#include "tst_printcard.moc"
