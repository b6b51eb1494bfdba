#include "ui/history/frmhistory.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>

#include "data/connection.h"
#include "ui/customer/frmcust.h"
#include "ui/program/module1.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/placement.h"

namespace {

// The window's controls: the customer and the buttons above, the two tabs below taking the
// room the window has.
using K = placement::Kind;
using placement::InLine;
using placement::Ming;
// clang-format off
const placement::Control kLayout[] = {
    {K::Label, "lblCustomer", nullptr, InLine(0, 1), "", Ming(11.25)},
    {K::Button, "cmdRestore", nullptr, InLine(0), "Restore", Ming(12)},
    {K::Button, "cmdExit", nullptr, InLine(0), "Exit", Ming(12)},
    {K::Tabs, "tabHistory", nullptr, InLine(1, 1), "", Ming(12)},
    {K::Table, "grdChanges", "tabHistory", {}, "Changes", Ming(12)},
    {K::Table, "grdDeleted", "tabHistory", {}, "Deleted customers", Ming(12)},
};
// clang-format on

QString LocalTime(const QString& utc) {
  return QDateTime::fromString(utc, Qt::ISODateWithMs)
      .toLocalTime()
      .toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

// A read-only table, a line at a time, columns as wide as their heading or a typical value.
QStandardItemModel* ShowModel(QTableView* table, const QStringList& headings,
                              const QStringList& typical) {
  auto* model = new QStandardItemModel(0, int(headings.size()), table);
  model->setHorizontalHeaderLabels(headings);
  table->setModel(model);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setWordWrap(false);
  table->verticalHeader()->hide();
  const QFontMetrics metrics(table->font());
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
  for (int column = 0; column < typical.size(); ++column)
    table->setColumnWidth(column, qMax(metrics.horizontalAdvance(headings[column]),
                                       metrics.horizontalAdvance(typical[column])) +
                                      16);
  table->horizontalHeader()->setStretchLastSection(true);
  return model;
}

void Fill(QStandardItemModel* model, const QList<QStringList>& lines) {
  model->setRowCount(0);
  model->setRowCount(int(lines.size()));
  for (int row = 0; row < lines.size(); ++row)
    for (int column = 0; column < lines[row].size(); ++column) {
      auto* item = new QStandardItem(lines[row][column]);
      item->setToolTip(lines[row][column]);
      model->setItem(row, column, item);
    }
}

}  // namespace

frmHistory::frmHistory() {
  setObjectName(QStringLiteral("frmHistory"));
  setWindowTitle(QStringLiteral("HISTORY"));
  setWindowIcon(SvgIcon(QStringLiteral("history")));
  // Over the customer window, which must not page or edit while a restore is chosen.
  setWindowModality(Qt::ApplicationModal);
  resize(1000, 520);

  FETCH_CONTROLS(placement::Place(this, kLayout), lblCustomer, cmdRestore, cmdExit, tabHistory,
                 grdChanges, grdDeleted);
  m_changes = ShowModel(grdChanges, {"When", "Who", "What", "Changes"},
                        {"2026/12/31 23:59:59", "chen.meiling", "restore", ""});
  m_deletions = ShowModel(grdDeleted, {"Name", "C_No", "When", "Who"},
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
  m_before.clear();
  m_after.clear();
  // Each change led to the state the next newer one started from; the newest, to the
  // customer as stored now.
  QList<QStringList> lines;
  for (const HistoryEntry& entry : m_entries) {
    m_after << now;
    m_before << ParseState(entry.state);
    lines << QStringList{LocalTime(entry.at), entry.who, entry.what,
                         ChangeText(m_before.last(), m_after.last())};
    now = m_before.last();
  }
  Fill(m_changes, lines);
  lines.clear();
  for (const HistoryEntry& entry : m_deleted) {
    const CustomerState state = ParseState(entry.state);
    lines << QStringList{state.Field(QStringLiteral("Cust_name")).value_or(QString()),
                         entry.key.value_or(QString()), LocalTime(entry.at), entry.who};
  }
  Fill(m_deletions, lines);
  const QString customer = m_read.customer
                               ? QStringLiteral("C_No %1").arg(m_read.key.value_or(QString()))
                               : QStringLiteral("No customer shown");
  lblCustomer->setText(customer);
  lblCustomer->setAccessibleName(customer);
  tabHistory->setTabText(0, QStringLiteral("Changes (%1)").arg(m_entries.size()));
  tabHistory->setTabText(1, QStringLiteral("Deleted customers (%1)").arg(m_deleted.size()));
}

void frmHistory::grdChanges_DoubleClick(int line) {
  if (line < 0 || line >= m_entries.size()) return;
  MsgBox(ChangedRows(m_before[line], m_after[line]));
}

void frmHistory::cmdRestore_Click() {
  frmCust* customers = Loaded<frmCust>();
  if (!customers) return;
  const bool changes = tabHistory->currentIndex() == 0;
  const QTableView* table = changes ? grdChanges : grdDeleted;
  const int line = table->currentIndex().isValid() ? table->currentIndex().row() : -1;
  const QList<HistoryEntry>& entries = changes ? m_entries : m_deleted;
  if (line < 0 || line >= entries.size()) {
    MsgBox(QStringLiteral("Select a line first."));
    return;
  }
  const HistoryEntry entry = entries[line];
  if (changes) {
    customers->RestoreCustomer(entry.state, m_read, QString());
  } else {
    const QString key = frmCust::KeyForRestore(entry.key.value_or(QString()));
    if (key.isEmpty()) return;
    if (customers->RestoreCustomer(entry.state, StoredCustomer(), key)) {
      // The customer brought back is the one the window now shows.
      m_row = CustomerSet->Bookmark();
      tabHistory->setCurrentIndex(0);
    }
  }
  Refresh();
}
