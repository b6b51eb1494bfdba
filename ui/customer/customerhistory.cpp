// The customer window's history: the history window, restoring a version of a customer and
// taking back the save or delete just done.
#include "data/history.h"
#include "data/recordset.h"
#include "ui/customer/customerstate.h"
#include "ui/customer/customerwriter.h"
#include "ui/customer/frmcust.h"
#include "ui/history/frmhistory.h"
#include "ui/program/module1.h"
#include "ui/toolkit/clearcontrols.h"
#include "ui/toolkit/msgbox.h"

void frmCust::HistoryCommand() {
  if (NewMode || ModifyMode) {
    MsgBox(tr("The history opens while browsing: save the customer first."));
    return;
  }
  const bool onRow = !CustomerSet->Bof() && !CustomerSet->Eof();
  frmHistory::OpenFor(onRow ? std::optional<qint64>(CustomerSet->Bookmark()) : std::nullopt);
}

void frmCust::UndoCommand() {
  if (NewMode || ModifyMode || !m_undoId) return;
  const qint64 id = std::exchange(m_undoId, 0);
  std::optional<HistoryEntry> entry;
  try {
    entry = ReadHistoryEntry(*DbConnection, id);
  } catch (const DataError& error) {
    MsgBox(error.message());
    return;
  }
  if (!entry) return;
  // After a delete the customer comes back as a new one; after a save, the one shown goes back.
  if (!entry->newKey) {
    const QString key = KeyForRestore(entry->key.value_or(QString()));
    if (!key.isEmpty()) RestoreCustomer(entry->state, StoredCustomer(), key);
  } else {
    RestoreCustomer(entry->state, m_shown, QString());
  }
}

QString frmCust::KeyForRestore(const QString& key) {
  QString free;
  try {
    free = FreeKey(*DbConnection, key);
  } catch (const DataError& error) {
    MsgBox(error.message());
    return QString();
  }
  if (free == key) return key;
  const bool agreed = AskYesNo(
      tr("Another customer now has the C_No %1. Restore this customer as %2?").arg(key, free));
  return agreed ? free : QString();
}

bool frmCust::RestoreCustomer(const QByteArray& json, const StoredCustomer& read,
                              const QString& key) {
  if (NewMode || ModifyMode) {
    MsgBox(tr("Save the customer being edited first."));
    return false;
  }
  const CustomerState state = ParseState(json);
  const bool bringBack = !read.customer;
  if (bringBack && !state.exists) return false;
  WriteOutcome outcome;
  if (!bringBack && !CustomerSet->MoveToBookmark(read.customer->id)) {
    outcome.result = WriteOutcome::Result::DeletedElsewhere;
  } else if (state.exists) {
    const QList<ListTarget> targets{{QStringLiteral("family"), FamilySet.get()},
                                    {QStringLiteral("insurance"), InsuranceSet.get()},
                                    {QStringLiteral("compensate"), CompensateSet.get()},
                                    {QStringLiteral("contact"), ContactSet.get()}};
    // A customer shown goes back to its key of then as well.
    const QString target = bringBack ? key : state.Field(QStringLiteral("CID")).value_or(QString());
    outcome = CustomerWriter(*DbConnection, *CustomerSet, targets)
                  .Save(read, RestoreEdits(state, target, bringBack));
  } else if (ReadStoredCustomer(*DbConnection, read.customer->id, HistoryListTables()) != read) {
    // Before the change there was no such customer: going back deletes it, unless someone
    // else changed it meanwhile.
    outcome.result = WriteOutcome::Result::ChangedElsewhere;
  } else {
    outcome = CustomerWriter(*DbConnection, *CustomerSet, {}).Delete("restore");
  }
  switch (outcome.result) {
    case WriteOutcome::Result::Failed:
      MsgBox(outcome.message);
      return false;
    case WriteOutcome::Result::ChangedElsewhere:
    case WriteOutcome::Result::DeletedElsewhere:
      ShowStoredInstead(outcome.result == WriteOutcome::Result::DeletedElsewhere);
      return false;
    case WriteOutcome::Result::Done:
      break;
  }
  m_undoId = outcome.historyId;
  // A deleted customer leaves the window at the first one, as a delete does.
  if (!state.exists) CustomerSet->Requery();
  UpdateNavigationButtons();
  ClearControls(this);
  ShowCustomer();
  UpdateEditButtons();
  if (!outcome.message.isEmpty()) MsgBox(outcome.message);
  MsgBox(tr("Finish"));
  return true;
}
