#include "ui/customer/findbox.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QShortcut>
#include <QStandardItemModel>
#include <QTextStream>
#include <QToolBar>
#include <algorithm>

#include "data/connection.h"
#include "ui/listheadings.h"
#include "ui/program/module1.h"
#include "ui/toolkit/guard.h"

namespace {

// The customer columns' labels, in table order, as the window captions them.
const QStringList kCustomerLabels = {
    "Name",    "C_No",       "Type",     "Birthday",  "Birthday", "Birthday", "ID",    "Sex",
    "Blood",   "Birthplace", "Marriage", "E-Mail",    "Tel(H)",   "Mobile",   "Other", "Add(H)",
    "Company", "Business",   "Title",    "Job Grade", "Income",   "Tel(O)",   "Fax",   "Add(O)"};

struct ListNames {
  const char* table;
  const char* caption;
  const QStringList* headings;
};
const ListNames kLists[] = {{"family", "Family", &kFamilyHeadings},
                            {"insurance", "Insurance", &kInsuranceHeadings},
                            {"compensate", "Compensation", &kCompensateHeadings},
                            {"contact", "Contact", &kContactHeadings}};

}  // namespace

QString MatchedText(const FindHit& hit) {
  if (hit.table == QLatin1String("customer")) {
    const int at = Tables()[0].columns.indexOf(hit.column);
    return kCustomerLabels.value(at, hit.column) + QLatin1Char(' ') + hit.value;
  }
  for (const ListNames& list : kLists) {
    if (hit.table != QLatin1String(list.table)) continue;
    const int at = DataColumns(hit.table).indexOf(hit.column);
    return QStringLiteral("%1 %2 (%3)")
        .arg(list.headings->value(at, hit.column), hit.value, QLatin1String(list.caption));
  }
  return hit.value;
}

QString HitText(const FindHit& hit) {
  return QStringLiteral("%1  C_No %2  %3").arg(hit.name, hit.cid, MatchedText(hit));
}

int FindCommand(const QString& file, const QString& text) {
  try {
    Connection connection;
    OpenDatabase(connection, file);
    QTextStream out(stdout);
    for (const FindHit& hit : QuickFind(connection, text)) out << HitText(hit) << Qt::endl;
    return 0;
  } catch (const DataError& error) {
    QTextStream(stderr) << error.message() << Qt::endl;
    return 1;
  }
}

FindBox::FindBox(QWidget* window)
    : QLineEdit(window), m_completer(new QCompleter(this)), m_model(new QStandardItemModel(this)) {
  setObjectName(QStringLiteral("txtFind"));
  setAccessibleName(QStringLiteral("Find"));
  // The box is narrow at the toolbar's end: a short word, the shortcut in the tool tip.
  setPlaceholderText(QStringLiteral("Find"));
  setToolTip(QStringLiteral("Find a customer by any part of any field (Ctrl+F)"));
  setClearButtonEnabled(true);
  setMaximumWidth(220);
  // Reached by Ctrl+F or a click, so that the window's first focus and Tab order stay as they
  // were.
  setFocusPolicy(Qt::ClickFocus);
  // The list shows every customer found, not only those whose text begins with the box's.
  m_completer->setModel(m_model);
  m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
  m_completer->setMaxVisibleItems(20);
  m_completer->setWidget(this);
  auto* focus = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), window);
  connect(focus, &QShortcut::activated, this, [this] {
    if (!isEnabled()) return;
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
  });
  OnEvent(this, &QLineEdit::textEdited, this, [this] { Refresh(); });
  OnEvent(m_completer, qOverload<const QModelIndex&>(&QCompleter::activated), this,
          [this](const QModelIndex& index) {
            const QVariant rowid = index.data(Qt::UserRole);
            if (rowid.isValid()) emit Picked(rowid.toLongLong());
          });
}

FindBox* FindBox::AddTo(QToolBar* toolbar, QWidget* window) {
  auto* box = new FindBox(window);
  toolbar->addSeparator();
  toolbar->addWidget(box);
  return box;
}

void FindBox::Refresh() {
  m_model->clear();
  if (text().trimmed().toUcs4().size() < 2) {
    m_completer->popup()->hide();
    return;
  }
  const QList<FindHit> hits = QuickFind(*DbConnection, text());
  for (const FindHit& hit : hits) {
    auto* item = new QStandardItem(HitText(hit));
    item->setData(hit.rowid, Qt::UserRole);
    item->setEditable(false);
    m_model->appendRow(item);
  }
  if (hits.isEmpty()) {
    auto* none = new QStandardItem(QStringLiteral("No customer matches"));
    none->setFlags(Qt::NoItemFlags);
    m_model->appendRow(none);
  }
  // Wider than the box, and ending where it ends: it stands at the window's right edge.
  const int wide = std::max(width(), 460);
  m_completer->complete(QRect(width() - wide, 0, wide, height()));
}
