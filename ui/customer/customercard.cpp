#include "ui/customer/customercard.h"

#include <QCoreApplication>
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
#include "ui/toolkit/editablecombo.h"
#include "ui/toolkit/look.h"

namespace {

PrintPreviewHook g_previewHook;

QString Text(Recordset& set, const char* column) {
  return set.Field(QLatin1String(column)).value_or(QString());
}

// A text marked with QT_TRANSLATE_NOOP("CustomerCard", ...) in the language spoken.
QString Translated(const QString& text) {
  return QCoreApplication::translate("CustomerCard", text.toUtf8().constData());
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
      {QT_TRANSLATE_NOOP("CustomerCard", "Name"), card.name},
      {QT_TRANSLATE_NOOP("CustomerCard", "C_No"), card.cid},
      {QT_TRANSLATE_NOOP("CustomerCard", "Type"), StoredLabel(Text(customer, "Cust_type"))},
      {QT_TRANSLATE_NOOP("CustomerCard", "Birthday"),
       Joined({Text(customer, "Cust_birthyear"), Text(customer, "Cust_birthmonth"),
               Text(customer, "Cust_birthday")},
              QStringLiteral("/"))},
      {QT_TRANSLATE_NOOP("CustomerCard", "Marriage"), StoredLabel(Text(customer, "Cust_marriage"))},
      {QT_TRANSLATE_NOOP("CustomerCard", "Sex"), StoredLabel(Text(customer, "cust_sex"))},
      {QT_TRANSLATE_NOOP("CustomerCard", "Blood"), Text(customer, "Cust_blood")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Birthplace"), Text(customer, "Cust_birthplace")},
      {QT_TRANSLATE_NOOP("CustomerCard", "ID"), Text(customer, "Cust_id")},
      {QT_TRANSLATE_NOOP("CustomerCard", "E-Mail"), Text(customer, "Cust_email")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Tel(H)"), Text(customer, "Cust_telhome")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Mobile"), Text(customer, "Cust_cellphone")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Other"), Text(customer, "Cust_otherphone")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Add(H)"), Text(customer, "Cust_addhome")},
  };
  card.company = {
      {QT_TRANSLATE_NOOP("CustomerCard", "Company"), Text(customer, "Cust_company")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Business"), Text(customer, "Cust_jobtype")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Title"), Text(customer, "Cust_jobtitle")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Income"), StoredLabel(Text(customer, "Cust_salary"))},
      {QT_TRANSLATE_NOOP("CustomerCard", "Job Grade"), Text(customer, "Cust_jobgrade")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Tel(O)"), Text(customer, "Cust_teloffice")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Fax"), Text(customer, "Cust_fax")},
      {QT_TRANSLATE_NOOP("CustomerCard", "Add(O)"), Text(customer, "Cust_addoffice")},
  };

  // The captions were marked for translation above; the card reads in the language spoken.
  for (auto* fields : {&card.personal, &card.company})
    for (QPair<QString, QString>& field : *fields) field.first = Translated(field.first);

  const struct {
    const char* title;
    const char* table;
    const QStringList* headings;
  } lists[] = {
      {QT_TRANSLATE_NOOP("CustomerCard", "Family"), "family", &kFamilyHeadings},
      {QT_TRANSLATE_NOOP("CustomerCard", "Insurance"), "insurance", &kInsuranceHeadings},
      {QT_TRANSLATE_NOOP("CustomerCard", "Compensation"), "compensate", &kCompensateHeadings},
      {QT_TRANSLATE_NOOP("CustomerCard", "Contact"), "contact", &kContactHeadings}};
  for (const auto& list : lists) {
    CustomerCard::List printed{
        Translated(QLatin1String(list.title)), TranslatedHeadings(*list.headings), {}};
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
  card.note = QCoreApplication::translate("CustomerCard", "Printed %1")
                  .arg(QDate::currentDate().toString(u"yyyy/MM/dd"));
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
  cursor.insertText(
      card.cid.isEmpty()
          ? card.name
          : QCoreApplication::translate("CustomerCard", "%1  (C_No %2)").arg(card.name, card.cid),
      titleFormat);
  cursor.insertBlock(QTextBlockFormat(), valueFormat);
  cursor.insertText(card.note, valueFormat);

  AddHeading(cursor, QCoreApplication::translate("CustomerCard", "Personal"), 11);
  AddFields(cursor, card.personal, captionFormat, valueFormat);
  AddHeading(cursor, QCoreApplication::translate("CustomerCard", "Company"), 11);
  AddFields(cursor, card.company, captionFormat, valueFormat);

  for (const CustomerCard::List& list : card.lists) {
    AddHeading(cursor, QStringLiteral("%1 (%2)").arg(list.title).arg(list.rows.size()), 11);
    if (list.rows.isEmpty()) {
      cursor.insertBlock(QTextBlockFormat(), valueFormat);
      cursor.insertText(QCoreApplication::translate("CustomerCard", "none"), valueFormat);
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
  printer->setDocName(QCoreApplication::translate("CustomerCard", "Qel card %1").arg(card.cid));
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
  dialog.setWindowTitle(QCoreApplication::translate("CustomerCard", "Print card"));
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
  dialog.exec();
}
