#include "ui/history/frmhistory.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include "data/connection.h"
#include "ui/customer/frmcust.h"
#include "ui/listheadings.h"
#include "ui/program/module1.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/placement.h"
#include "ui/toolkit/readonlytable.h"

namespace {

// The window's controls: the customer and the buttons above, the two tabs below taking the
// room the window has.
using K = placement::Kind;
using placement::InLine;
using placement::Ming;
// clang-format off
const placement::Control kLayout[] = {
    {K::Label, "lblCustomer", nullptr, InLine(0, 1), "", Ming(11.25)},
    {K::Button, "cmdRestore", nullptr, InLine(0), QT_TRANSLATE_NOOP("frmHistory", "Restore"), Ming(12)},
    {K::Button, "cmdExit", nullptr, InLine(0), QT_TRANSLATE_NOOP("frmHistory", "Exit"), Ming(12)},
    {K::Tabs, "tabHistory", nullptr, InLine(1, 1), "", Ming(12)},
    {K::Table, "grdChanges", "tabHistory", {}, QT_TRANSLATE_NOOP("frmHistory", "Changes"), Ming(12)},
    {K::Table, "grdDeleted", "tabHistory", {}, QT_TRANSLATE_NOOP("frmHistory", "Deleted customers"), Ming(12)},
};
// clang-format on

QString LocalTime(const QString& utc) {
  return QDateTime::fromString(utc, Qt::ISODateWithMs)
      .toLocalTime()
      .toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

// How many lines' versions one read brings: more than a window shows.
constexpr int kStatesAtOnce = 64;

}  // namespace

frmHistory::frmHistory() {
  setObjectName(QStringLiteral("frmHistory"));
  setWindowTitle(tr("HISTORY"));
  setWindowIcon(SvgIcon(QStringLiteral("history")));
  // Over the customer window, which must not page or edit while a restore is chosen.
  setWindowModality(Qt::ApplicationModal);
  resize(1000, 520);

  FETCH_CONTROLS(placement::Place(this, kLayout), lblCustomer, cmdRestore, cmdExit, tabHistory,
                 grdChanges, grdDeleted);
  m_changes = new LazyTableModel(
      TranslatedHeadings(
          {QT_TR_NOOP("When"), QT_TR_NOOP("Who"), QT_TR_NOOP("What"), QT_TR_NOOP("Changes")},
          "frmHistory"),
      [this](int row, int column) -> QString {
        const HistoryEntry& entry = m_entries[row];
        switch (column) {
          case 0:
            return LocalTime(entry.at);
          case 1:
            return entry.who;
          case 2:
            return HistoryWhatLabel(entry.what);
          default:
            return ChangeText(Before(row), After(row));
        }
      },
      this);
  m_deletions = new LazyTableModel(
      TranslatedHeadings(
          {QT_TR_NOOP("Name"), QT_TR_NOOP("C_No"), QT_TR_NOOP("When"), QT_TR_NOOP("Who")},
          "frmHistory"),
      [this](int row, int column) -> QString {
        const HistoryEntry& entry = m_deleted[row];
        switch (column) {
          case 0:
            return ParseState(entry.state).Field(QStringLiteral("Cust_name")).value_or(QString());
          case 1:
            return entry.key.value_or(QString());
          case 2:
            return LocalTime(entry.at);
          default:
            return entry.who;
        }
      },
      this);
  ShowReadOnly(grdChanges, m_changes, {"2026/12/31 23:59:59", "chen.meiling", "restore", ""});
  ShowReadOnly(grdDeleted, m_deletions,
               {"Chen Mei-ling", "A0000001", "2026/12/31 23:59:59", "chen.meiling"});

  OnEvent(cmdRestore, &QPushButton::clicked, this, [this] { cmdRestore_Click(); });
  OnEvent(cmdExit, &QPushButton::clicked, this, [this] { Unload(); });
  OnEvent(grdChanges, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { grdChanges_DoubleClick(index.row()); });
}

frmHistory::~frmHistory() = default;

void frmHistory::Form_Load() {}

frmHistory* frmHistory::OpenFor(std::optional<qint64> row) {
  frmHistory* window = Show<frmHistory>();
  window->m_row = row;
  window->tabHistory->setCurrentIndex(row ? 0 : 1);
  window->Refresh();
  return window;
}

void frmHistory::Refresh() {
  StoredCustomer read;
  QList<HistoryEntry> entries;
  QList<HistoryEntry> deleted;
  CustomerState now;
  try {
    if (m_row) read = ReadStoredCustomer(*DbConnection, *m_row, HistoryListTables());
    if (read.key) entries = ReadHistory(*DbConnection, *read.key);
    deleted = ReadDeletions(*DbConnection);
    now = StateOf(*DbConnection, read);
  } catch (const DataError& error) {
    // The window keeps what it listed and says why.
    MsgBox(error.message());
    return;
  }
  m_read = std::move(read);
  m_entries = std::move(entries);
  m_deleted = std::move(deleted);
  m_now = std::move(now);
  m_parsed.clear();
  m_changes->Reset(int(m_entries.size()));
  m_deletions->Reset(int(m_deleted.size()));
  const QString customer =
      m_read.customer ? tr("C_No %1").arg(m_read.key.value_or(QString())) : tr("No customer shown");
  lblCustomer->setText(customer);
  lblCustomer->setAccessibleName(customer);
  tabHistory->setTabText(0, tr("Changes (%1)").arg(m_entries.size()));
  tabHistory->setTabText(1, tr("Deleted customers (%1)").arg(m_deleted.size()));
}

const CustomerState& frmHistory::Before(int line) const {
  if (const auto it = m_parsed.constFind(line); it != m_parsed.constEnd()) return *it;
  // The lines shown next are read with it, in one statement: a server answers a screenful in
  // one round trip. Trouble reading shows as empty versions; the restore reads its entry again.
  QList<qint64> ids;
  int end = line;
  for (; end < m_entries.size() && ids.size() < kStatesAtOnce; ++end)
    if (!m_parsed.contains(end)) ids << m_entries[end].id;
  QHash<qint64, QByteArray> states;
  try {
    states = ReadHistoryStates(*DbConnection, ids);
  } catch (const DataError&) {
  }
  for (int next = line; next < end; ++next)
    if (!m_parsed.contains(next))
      m_parsed.insert(next, ParseState(states.value(m_entries[next].id)));
  return m_parsed[line];
}

const CustomerState& frmHistory::After(int line) const {
  // Each change led to the state the next newer one started from; the newest, to the customer
  // as stored now.
  return line == 0 ? m_now : Before(line - 1);
}

void frmHistory::grdChanges_DoubleClick(int line) {
  if (line < 0 || line >= m_entries.size()) return;
  MsgBox(ChangedRows(Before(line), After(line)));
}

void frmHistory::cmdRestore_Click() {
  frmCust* customers = Loaded<frmCust>();
  if (!customers) return;
  const bool changes = tabHistory->currentIndex() == 0;
  const QTableView* table = changes ? grdChanges : grdDeleted;
  const int line = table->currentIndex().isValid() ? table->currentIndex().row() : -1;
  const QList<HistoryEntry>& entries = changes ? m_entries : m_deleted;
  if (line < 0 || line >= entries.size()) {
    MsgBox(tr("Select a line first."));
    return;
  }
  std::optional<HistoryEntry> entry;
  try {
    entry = ReadHistoryEntry(*DbConnection, entries[line].id);
  } catch (const DataError& error) {
    MsgBox(error.message());
    return;
  }
  if (!entry) return;
  if (changes) {
    customers->RestoreCustomer(entry->state, m_read, QString());
  } else {
    const QString key = frmCust::KeyForRestore(entry->key.value_or(QString()));
    if (key.isEmpty()) return;
    if (customers->RestoreCustomer(entry->state, StoredCustomer(), key)) {
      // The customer brought back is the one the window now shows.
      m_row = CustomerSet->Bookmark();
      tabHistory->setCurrentIndex(0);
    }
  }
  Refresh();
}
