#include "ui/customer/findbox.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
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
    QT_TRANSLATE_NOOP("frmCust", "Name"),     QT_TRANSLATE_NOOP("frmCust", "C_No"),
    QT_TRANSLATE_NOOP("frmCust", "Type"),     QT_TRANSLATE_NOOP("frmCust", "Birthday"),
    QT_TRANSLATE_NOOP("frmCust", "Birthday"), QT_TRANSLATE_NOOP("frmCust", "Birthday"),
    QT_TRANSLATE_NOOP("frmCust", "ID"),       QT_TRANSLATE_NOOP("frmCust", "Sex"),
    QT_TRANSLATE_NOOP("frmCust", "Blood"),    QT_TRANSLATE_NOOP("frmCust", "Birthplace"),
    QT_TRANSLATE_NOOP("frmCust", "Marriage"), QT_TRANSLATE_NOOP("frmCust", "E-Mail"),
    QT_TRANSLATE_NOOP("frmCust", "Tel(H)"),   QT_TRANSLATE_NOOP("frmCust", "Mobile"),
    QT_TRANSLATE_NOOP("frmCust", "Other"),    QT_TRANSLATE_NOOP("frmCust", "Add(H)"),
    QT_TRANSLATE_NOOP("frmCust", "Company"),  QT_TRANSLATE_NOOP("frmCust", "Business"),
    QT_TRANSLATE_NOOP("frmCust", "Title"),    QT_TRANSLATE_NOOP("frmCust", "Job Grade"),
    QT_TRANSLATE_NOOP("frmCust", "Income"),   QT_TRANSLATE_NOOP("frmCust", "Tel(O)"),
    QT_TRANSLATE_NOOP("frmCust", "Fax"),      QT_TRANSLATE_NOOP("frmCust", "Add(O)")};

struct ListNames {
  const char* table;
  const char* caption;
  const QStringList* headings;
};
const ListNames kLists[] = {
    {"family", QT_TRANSLATE_NOOP("frmCust", "Family"), &kFamilyHeadings},
    {"insurance", QT_TRANSLATE_NOOP("frmCust", "Insurance"), &kInsuranceHeadings},
    {"compensate", QT_TRANSLATE_NOOP("frmCust", "Compensation"), &kCompensateHeadings},
    {"contact", QT_TRANSLATE_NOOP("frmCust", "Contact"), &kContactHeadings}};

// A caption of the customer window in the language spoken.
QString Caption(const QString& text) {
  return QCoreApplication::translate("frmCust", text.toUtf8().constData());
}

}  // namespace

QString MatchedText(const FindHit& hit) {
  if (hit.table == QLatin1String("customer")) {
    const int at = Tables()[0].columns.indexOf(hit.column);
    return Caption(kCustomerLabels.value(at, hit.column)) + QLatin1Char(' ') + hit.value;
  }
  for (const ListNames& list : kLists) {
    if (hit.table != QLatin1String(list.table)) continue;
    const int at = DataColumns(hit.table).indexOf(hit.column);
    return QStringLiteral("%1 %2 (%3)")
        .arg(TranslatedHeadings(*list.headings).value(at, hit.column), hit.value,
             Caption(QLatin1String(list.caption)));
  }
  return hit.value;
}

QString HitText(const FindHit& hit) {
  return FindBox::tr("%1  C_No %2  %3").arg(hit.name, hit.cid, MatchedText(hit));
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
  setAccessibleName(tr("Find"));
  // The box is narrow at the toolbar's end: a short word, the shortcut in the tool tip.
  setPlaceholderText(tr("Find"));
  setToolTip(tr("Find a customer by any part of any field (Ctrl+F)"));
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
    auto* none = new QStandardItem(tr("No customer matches"));
    none->setFlags(Qt::NoItemFlags);
    m_model->appendRow(none);
  }
  // Wider than the box, and ending where it ends: it stands at the window's right edge.
  const int wide = std::max(width(), 460);
  m_completer->complete(QRect(width() - wide, 0, wide, height()));
}
