#include "ui/customer/customercard.h"

#include <QDate>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include "data/recordset.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "ui/listheadings.h"
#include "ui/toolkit/look.h"

namespace {

PrintPreviewHook g_previewHook;

QString Text(Recordset& set, const char* column) {
  return set.Field(QLatin1String(column)).value_or(QString());
}

QString Joined(const QStringList& parts, const QString& separator) {
  QStringList given;
  for (const QString& part : parts)
    if (!part.isEmpty()) given << part;
  return given.join(separator);
}

void AddHeading(QTextCursor& cursor, const QString& text, double points) {
  QTextBlockFormat block;
  block.setTopMargin(points * 0.8);
  block.setBottomMargin(points * 0.3);
  QTextCharFormat chars;
  chars.setFont(MingLiU(points, true));
  cursor.insertBlock(block, chars);
  cursor.insertText(text);
}

QTextTableFormat TableFormat(int headerRows) {
  QTextTableFormat format;
  format.setBorder(0.5);
  format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
  format.setCellPadding(2);
  format.setCellSpacing(0);
  format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
  format.setHeaderRowCount(headerRows);
  return format;
}

// Caption and value pairs, two pairs to a row.
void AddFields(QTextCursor& cursor, const QList<QPair<QString, QString>>& fields,
               const QTextCharFormat& captionFormat, const QTextCharFormat& valueFormat) {
  const int rows = int((fields.size() + 1) / 2);
  QTextTableFormat format = TableFormat(0);
  format.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 12),
                                    QTextLength(QTextLength::PercentageLength, 38),
                                    QTextLength(QTextLength::PercentageLength, 12),
                                    QTextLength(QTextLength::PercentageLength, 38)});
  QTextTable* table = cursor.insertTable(rows, 4, format);
  for (int i = 0; i < fields.size(); ++i) {
    const int row = i / 2;
    const int column = (i % 2) * 2;
    table->cellAt(row, column).firstCursorPosition().insertText(fields[i].first, captionFormat);
    table->cellAt(row, column + 1).firstCursorPosition().insertText(fields[i].second, valueFormat);
  }
  cursor.movePosition(QTextCursor::End);
}

}  // namespace

std::optional<CustomerCard> ReadCustomerCard(Connection& connection, qint64 rowid) {
  Recordset customer;
  customer.Open(QStringLiteral("select * from customer where rowid=%1").arg(rowid), connection,
                Recordset::Cursor::Static);
  if (customer.Eof()) return std::nullopt;

  CustomerCard card;
  card.name = Text(customer, "Cust_name");
  card.cid = Text(customer, "CID");
  // The captions of the customer window, in its order.
  card.personal = {
      {"Name", card.name},
      {"C_No", card.cid},
      {"Type", Text(customer, "Cust_type")},
      {"Birthday", Joined({Text(customer, "Cust_birthyear"), Text(customer, "Cust_birthmonth"),
                           Text(customer, "Cust_birthday")},
                          QStringLiteral("/"))},
      {"Marriage", Text(customer, "Cust_marriage")},
      {"Sex", Text(customer, "cust_sex")},
      {"Blood", Text(customer, "Cust_blood")},
      {"Birthplace", Text(customer, "Cust_birthplace")},
      {"ID", Text(customer, "Cust_id")},
      {"E-Mail", Text(customer, "Cust_email")},
      {"Tel(H)", Text(customer, "Cust_telhome")},
      {"Mobile", Text(customer, "Cust_cellphone")},
      {"Other", Text(customer, "Cust_otherphone")},
      {"Add(H)", Text(customer, "Cust_addhome")},
  };
  card.company = {
      {"Company", Text(customer, "Cust_company")},
      {"Business", Text(customer, "Cust_jobtype")},
      {"Title", Text(customer, "Cust_jobtitle")},
      {"Income", Text(customer, "Cust_salary")},
      {"Job Grade", Text(customer, "Cust_jobgrade")},
      {"Tel(O)", Text(customer, "Cust_teloffice")},
      {"Fax", Text(customer, "Cust_fax")},
      {"Add(O)", Text(customer, "Cust_addoffice")},
  };

  const struct {
    const char* title;
    const char* table;
    const QStringList* headings;
  } lists[] = {{"Family", "family", &kFamilyHeadings},
               {"Insurance", "insurance", &kInsuranceHeadings},
               {"Compensation", "compensate", &kCompensateHeadings},
               {"Contact", "contact", &kContactHeadings}};
  for (const auto& list : lists) {
    CustomerCard::List printed{QLatin1String(list.title), *list.headings, {}};
    const QStringList columns = DataColumns(QLatin1String(list.table));
    Recordset rows;
    rows.Open(QStringLiteral("select * from %1 where CID=%2")
                  .arg(QLatin1String(list.table), SqlQuote(card.cid)),
              connection, Recordset::Cursor::Static);
    while (!rows.Eof()) {
      QStringList cells;
      for (const QString& column : columns) cells << rows.Field(column).value_or(QString());
      printed.rows << cells;
      rows.MoveNext();
    }
    card.lists << printed;
  }
  card.note = QStringLiteral("Printed %1").arg(QDate::currentDate().toString(u"yyyy/MM/dd"));
  return card;
}

void FillCardDocument(const CustomerCard& card, QTextDocument& document) {
  document.clear();
  document.setDefaultFont(MingLiU(9));
  // Long words (policy numbers, addresses without blanks) break rather than run off the page.
  QTextOption option = document.defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  document.setDefaultTextOption(option);

  QTextCharFormat captionFormat;
  captionFormat.setFont(MingLiU(9, true));
  QTextCharFormat valueFormat;
  valueFormat.setFont(MingLiU(9));

  QTextCursor cursor(&document);
  QTextCharFormat titleFormat;
  titleFormat.setFont(MingLiU(14, true));
  cursor.insertText(card.cid.isEmpty()
                        ? card.name
                        : card.name + QStringLiteral("  (C_No ") + card.cid + QLatin1Char(')'),
                    titleFormat);
  cursor.insertBlock(QTextBlockFormat(), valueFormat);
  cursor.insertText(card.note, valueFormat);

  AddHeading(cursor, QStringLiteral("Personal"), 11);
  AddFields(cursor, card.personal, captionFormat, valueFormat);
  AddHeading(cursor, QStringLiteral("Company"), 11);
  AddFields(cursor, card.company, captionFormat, valueFormat);

  for (const CustomerCard::List& list : card.lists) {
    AddHeading(cursor, QStringLiteral("%1 (%2)").arg(list.title).arg(list.rows.size()), 11);
    if (list.rows.isEmpty()) {
      cursor.insertBlock(QTextBlockFormat(), valueFormat);
      cursor.insertText(QStringLiteral("none"), valueFormat);
      continue;
    }
    QTextTable* table =
        cursor.insertTable(int(list.rows.size()) + 1, int(list.headings.size()), TableFormat(1));
    for (int column = 0; column < list.headings.size(); ++column) {
      table->cellAt(0, column).firstCursorPosition().insertText(list.headings[column],
                                                                captionFormat);
    }
    for (int row = 0; row < list.rows.size(); ++row) {
      const QStringList& cells = list.rows[row];
      for (int column = 0; column < cells.size() && column < list.headings.size(); ++column) {
        table->cellAt(row + 1, column).firstCursorPosition().insertText(cells[column], valueFormat);
      }
    }
    cursor.movePosition(QTextCursor::End);
  }
}

void PrintCard(const CustomerCard& card, QPrinter* printer) {
  // The insurance list has eleven columns: the pages lie across.
  printer->setPageOrientation(QPageLayout::Landscape);
  printer->setDocName(QStringLiteral("Qel card %1").arg(card.cid));
  QTextDocument document;
  FillCardDocument(card, document);
  document.print(printer);
}

void SetPrintPreviewHook(PrintPreviewHook hook) {
  g_previewHook = std::move(hook);
}

void ShowPrintPreview(QWidget* parent, const CustomerCard& card) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(QPageLayout::Landscape);
  const auto paint = [&card](QPrinter* target) { PrintCard(card, target); };
  if (g_previewHook) {
    g_previewHook(printer, paint);
    return;
  }
  QPrintPreviewDialog dialog(&printer, parent);
  dialog.setWindowTitle(QStringLiteral("Print card"));
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
  dialog.exec();
}
