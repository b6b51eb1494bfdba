// The customer window's command group (import, export, backup), the schedule and the printed
// card. They work on the database as it is saved; what the window holds unsaved stays as it is.
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>

#include "data/recordset.h"
#include "data/schema.h"
#include "transfer/backup.h"
#include "transfer/export.h"
#include "transfer/import.h"
#include "ui/customer/customercard.h"
#include "ui/customer/frmcust.h"
#include "ui/program/module1.h"
#include "ui/schedule/frmschedule.h"
#include "ui/toolkit/clearcontrols.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/pathdialog.h"

namespace {

// Runs a job under the busy cursor, which is back before any message is shown.
template <typename Job>
auto Busy(Job&& job) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
  return job();
}

}  // namespace

void frmCust::ReportJob(const QString& what) {
  QString text = tr("Finish\n\n") + what;
  if (NewMode || ModifyMode) {
    text += tr("\n\nOnly what is saved was used: the customer being edited is not saved yet.");
  }
  MsgBox(text);
}

void frmCust::ImportFiles() {
  const QString chosen = AskPath(this, PathKind::OpenFile, tr("Import"), QDir::currentPath(),
                                 tr("Access, CSV or Qel files (*.mdb *.accdb *.csv *.db)"));
  if (chosen.isEmpty()) return;
  // A CSV file stands for the folder of the five table files it belongs to.
  const QFileInfo info(chosen);
  const QString source = info.suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
                             ? info.absolutePath()
                             : chosen;
  ImportSummary summary;
  try {
    summary = Busy([&] { return ImportInto(kDatabaseFile, source); });
  } catch (const DataError& error) {
    MsgBox(error.message());
    return;
  }
  if (!NewMode && !ModifyMode) {
    // The imported customers join the ones browsed; the window starts over at the first. The
    // import is stored: a server connection lost meanwhile is met here and read again at once.
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        CustomerSet->Requery();
        break;
      } catch (const DataError& error) {
        if (attempt == 0 && error.cause() == DataError::Cause::Lost) continue;
        MsgBox(error.message());
        break;
      }
    }
    UpdateNavigationButtons();
    ClearControls(this);
    ShowCustomer();
  }
  ReportJob(summary.Text());
}

void frmCust::ExportFiles() {
  const QString folder =
      AskPath(this, PathKind::Folder, tr("Export to folder"), QDir::currentPath());
  if (folder.isEmpty()) return;
  try {
    ReportJob(Busy([&] { return ExportTo(kDatabaseFile, folder); }).Text());
  } catch (const DataError& error) {
    MsgBox(error.message());
  }
}

void frmCust::BackupDatabase() {
  const QString start = QDir::current().absoluteFilePath(
      QStringLiteral("qel-backup-%1.db").arg(QDate::currentDate().toString(Qt::ISODate)));
  const QString target =
      AskPath(this, PathKind::SaveFile, tr("Back up to file"), start, tr("Qel databases (*.db)"));
  if (target.isEmpty()) return;
  try {
    const qint64 bytes = Busy([&] { return BackupTo(kDatabaseFile, target); });
    ReportJob(tr("Backed up to %1 (%2 bytes).\nTo restore it, close Qel and put the "
                 "copy in place as qel.db.")
                  .arg(QFileInfo(target).absoluteFilePath())
                  .arg(bytes));
  } catch (const DataError& error) {
    MsgBox(error.message());
  }
}

// ---------------------------------------------------------------------------------------------
// Schedule and printed card

void frmCust::ScheduleCommand() {
  Show<frmSchedule>();
}

void frmCust::PrintCommand() {
  // The card shows what the file holds: the customer the window stands on, as saved.
  if (CustomerSet->Bof() || CustomerSet->Eof()) {
    MsgBox(tr("There is no saved customer to print."));
    return;
  }
  std::optional<CustomerCard> card;
  try {
    card = ReadCustomerCard(*DbConnection, CustomerSet->Bookmark());
  } catch (const DataError& error) {
    // A row another program deleted, or a file it keeps locked: nothing is printed.
    MsgBox(error.message());
    return;
  }
  if (!card) {
    MsgBox(tr("This customer is no longer in the file."));
    return;
  }
  CustomerCard printed = *card;
  if (NewMode || ModifyMode) {
    const QString note = NewMode
                             ? tr("The new customer is not saved yet: the card shows the customer "
                                  "shown before, as saved.")
                             : tr("The card shows the customer as saved: changes not saved yet "
                                  "are not printed.");
    MsgBox(note);
    printed.note += QStringLiteral(" — ") + note;
  }
  ShowPrintPreview(this, printed);
}
