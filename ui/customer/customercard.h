#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

class Connection;
class QPrinter;
class QTextDocument;
class QWidget;

// A customer as saved, laid out for paper: the personal and company data with their captions
// and the four lists with their headings.
struct CustomerCard {
  struct List {
    QString title;
    QStringList headings;
    QVector<QStringList> rows;
  };
  QString name, cid;
  QList<QPair<QString, QString>> personal, company;  // caption, value
  QList<List> lists;
  // A line above the data (what was printed and when; a note on unsaved changes).
  QString note;
};

// The customer row with this rowid and its lists, as the file holds them; nothing when the row
// is gone. Throws DataError.
std::optional<CustomerCard> ReadCustomerCard(Connection& connection, qint64 rowid);

// The card as a document to print: landscape pages, Chinese text in the UMing font, list
// headings repeated on every page a list runs over.
void FillCardDocument(const CustomerCard& card, QTextDocument& document);

// Prints the card on as many pages as needed.
void PrintCard(const CustomerCard& card, QPrinter* printer);

// Opens the print preview of a card (print from there through the print dialog, or to PDF).
// Tests replace the preview with a hook that prints straight to a file.
using PrintPreviewHook =
    std::function<void(QPrinter& printer, const std::function<void(QPrinter*)>& paint)>;
void SetPrintPreviewHook(PrintPreviewHook hook);
void ShowPrintPreview(QWidget* parent, const CustomerCard& card);
