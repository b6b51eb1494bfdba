#pragma once

#include <QHash>
#include <QList>
#include <optional>

#include "data/history.h"
#include "ui/customer/customerstate.h"
#include "ui/customer/storedcustomer.h"
#include "ui/toolkit/form.h"

class QLabel;
class QPushButton;
class LazyTableModel;
class QTabWidget;
class QTableView;

// The history window: the changes of the customer shown in the customer window, newest first
// (when, who, what, what changed), and the customers deleted whose key is free. "Restore" takes
// the customer back to the state before the selected change, or brings the selected deleted
// customer back with its lists; the customer window stores it, as a save.
class frmHistory : public Form {
  Q_OBJECT
 public:
  frmHistory();
  ~frmHistory() override;

  QLabel* lblCustomer;
  QPushButton* cmdRestore;
  QPushButton* cmdExit;
  QTabWidget* tabHistory;
  QTableView* grdChanges;
  QTableView* grdDeleted;

  // What the other windows ask of this one: shows the history of the customer row `row` (none:
  // only the deleted customers).
  static frmHistory* OpenFor(std::optional<qint64> row);

  // Reads the history again.
  void Refresh();
  void cmdRestore_Click();
  // Shows the list rows the change of a line added, removed or changed.
  void grdChanges_DoubleClick(int line);

 protected:
  void Form_Load() override;

 private:
  std::optional<qint64> m_row;
  // The customer as read with the history: a restore is compared with it.
  StoredCustomer m_read;
  QList<HistoryEntry> m_entries;
  // The customer before and after the change of a line, read with the next lines when first shown.
  const CustomerState& Before(int line) const;
  const CustomerState& After(int line) const;
  CustomerState m_now;
  mutable QHash<int, CustomerState> m_parsed;
  QList<HistoryEntry> m_deleted;
  LazyTableModel* m_changes;
  LazyTableModel* m_deletions;
};
