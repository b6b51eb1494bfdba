#include "ui/customer/customerstate.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "data/connection.h"
#include "data/history.h"

namespace {

QJsonValue JsonOf(const Value& value) {
  return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

Value ValueOf(const QJsonValue& value) {
  if (value.isNull() || value.isUndefined()) return std::nullopt;
  // An empty text stays an empty text, never Null.
  const QString text = value.toString();
  return text.isNull() ? QStringLiteral("") : text;
}

// The words the history shows for what a change was, and for the lists, as the database
// keeps them: marked here for translation.
[[maybe_unused]] const char* const kStoredWords[] = {
    QT_TRANSLATE_NOOP("CustomerState", "new"),
    QT_TRANSLATE_NOOP("CustomerState", "save"),
    QT_TRANSLATE_NOOP("CustomerState", "delete"),
    QT_TRANSLATE_NOOP("CustomerState", "restore"),
    QT_TRANSLATE_NOOP("CustomerState", "import"),
    QT_TRANSLATE_NOOP("CustomerState", "family"),
    QT_TRANSLATE_NOOP("CustomerState", "insurance"),
    QT_TRANSLATE_NOOP("CustomerState", "compensate"),
    QT_TRANSLATE_NOOP("CustomerState", "contact")};

// The customer's columns in a change: their names in English, the window's captions otherwise.
[[maybe_unused]] const char* const kColumnWords[] = {
    QT_TRANSLATE_NOOP("CustomerState", "Cust_name"),
    QT_TRANSLATE_NOOP("CustomerState", "CID"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_type"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_birthyear"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_birthmonth"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_birthday"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_id"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_sex"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_blood"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_birthplace"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_marriage"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_email"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_telhome"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_cellphone"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_otherphone"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_addhome"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_company"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_jobtype"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_jobtitle"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_jobgrade"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_salary"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_teloffice"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_fax"),
    QT_TRANSLATE_NOOP("CustomerState", "Cust_addoffice"),
};

QString Word(const QString& stored) {
  return QCoreApplication::translate("CustomerState", stored.toUtf8().constData());
}

QString Shown(const Value& value) {
  return value ? QLatin1Char('"') + *value + QLatin1Char('"') : QStringLiteral("Null");
}

// The rows only one side has: (before only, after only), each row once per time it is missing.
QPair<QList<QVector<Value>>, QList<QVector<Value>>> Unmatched(QList<QVector<Value>> before,
                                                              QList<QVector<Value>> after) {
  for (qsizetype i = before.size() - 1; i >= 0; --i) {
    if (const qsizetype at = after.indexOf(before[i]); at >= 0) {
      after.removeAt(at);
      before.removeAt(i);
    }
  }
  return {before, after};
}

QString RowText(const QVector<Value>& row) {
  QStringList cells;
  for (const Value& cell : row) cells << (cell ? *cell : QStringLiteral("(Null)"));
  return cells.join(QStringLiteral(" | "));
}

}  // namespace

Value CustomerState::Field(const QString& column) const {
  for (const auto& [name, value] : fields)
    if (name.compare(column, Qt::CaseInsensitive) == 0) return value;
  return std::nullopt;
}

const QStringList& HistoryListTables() {
  static const QStringList tables{"family", "insurance", "compensate", "contact"};
  return tables;
}

CustomerState StateOf(Connection& connection, const StoredCustomer& stored) {
  CustomerState state;
  state.lists.resize(HistoryListTables().size());
  if (!stored.customer) return state;
  state.exists = true;
  const QStringList& columns = connection.Columns(QStringLiteral("customer"));
  for (int i = 0; i < columns.size(); ++i)
    state.fields << qMakePair(columns[i], stored.customer->cells.value(i));
  // The rows' own number and key are left out: a restore gives them anew.
  for (int list = 0; list < stored.lists.size() && list < state.lists.size(); ++list)
    for (const StoredRow& row : stored.lists[list]) state.lists[list] << row.cells.mid(2);
  return state;
}

QByteArray StateJson(const CustomerState& state) {
  QJsonObject object;
  if (state.imported >= 0) {
    object[QStringLiteral("import")] = state.importSource;
    object[QStringLiteral("added")] = state.imported;
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
  }
  if (state.exists) {
    QJsonObject customer;
    for (const auto& [column, value] : state.fields) customer[column] = JsonOf(value);
    object[QStringLiteral("customer")] = customer;
  } else {
    object[QStringLiteral("customer")] = QJsonValue(QJsonValue::Null);
  }
  for (int list = 0; list < HistoryListTables().size(); ++list) {
    QJsonArray rows;
    for (const QVector<Value>& row : state.lists.value(list)) {
      QJsonArray cells;
      for (const Value& cell : row) cells << JsonOf(cell);
      rows << cells;
    }
    object[HistoryListTables()[list]] = rows;
  }
  return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

CustomerState ParseState(const QByteArray& json) {
  CustomerState state;
  state.lists.resize(HistoryListTables().size());
  const QJsonObject object = QJsonDocument::fromJson(json).object();
  if (object.contains(QStringLiteral("import"))) {
    state.importSource = object[QStringLiteral("import")].toString();
    state.imported = object[QStringLiteral("added")].toInt();
    return state;
  }
  const QJsonValue customer = object[QStringLiteral("customer")];
  state.exists = customer.isObject();
  const QJsonObject fields = customer.toObject();
  for (auto it = fields.begin(); it != fields.end(); ++it)
    state.fields << qMakePair(it.key(), ValueOf(it.value()));
  for (int list = 0; list < HistoryListTables().size(); ++list) {
    for (const QJsonValue& row : object[HistoryListTables()[list]].toArray()) {
      QVector<Value> cells;
      for (const QJsonValue& cell : row.toArray()) cells << ValueOf(cell);
      state.lists[list] << cells;
    }
  }
  return state;
}

CustomerEdits RestoreEdits(const CustomerState& state, const QString& key, bool isNew) {
  CustomerEdits edits;
  edits.isNew = isNew;
  edits.exact = true;
  edits.what = "restore";
  edits.key = key;
  for (const auto& [column, value] : state.fields) {
    if (column.compare(QLatin1String("CID"), Qt::CaseInsensitive) == 0) continue;
    edits.fields << qMakePair(column, value ? *value : QString());
  }
  for (const QList<QVector<Value>>& rows : state.lists) {
    QList<QStringList>& entries = edits.lists.emplace_back();
    for (const QVector<Value>& row : rows) {
      QStringList& cells = entries.emplace_back();
      for (const Value& cell : row) cells << (cell ? *cell : QString());
    }
  }
  return edits;
}

QString ChangeText(const CustomerState& before, const CustomerState& after) {
  if (before.imported >= 0)
    return QCoreApplication::translate("CustomerState", "%1 customers imported from %2")
        .arg(before.imported)
        .arg(before.importSource);
  if (!before.exists) return QCoreApplication::translate("CustomerState", "customer added");
  if (!after.exists) return QCoreApplication::translate("CustomerState", "customer deleted");
  QStringList parts;
  for (const auto& [column, value] : before.fields) {
    const Value now = after.Field(column);
    if (now != value)
      parts << QStringLiteral("%1: %2 -> %3").arg(Word(column), Shown(value), Shown(now));
  }
  for (int list = 0; list < HistoryListTables().size(); ++list) {
    const auto [removed, added] = Unmatched(before.lists.value(list), after.lists.value(list));
    const qsizetype changed = qMin(removed.size(), added.size());
    QStringList counts;
    if (added.size() > changed)
      counts
          << QCoreApplication::translate("CustomerState", "%1 added").arg(added.size() - changed);
    if (removed.size() > changed)
      counts << QCoreApplication::translate("CustomerState", "%1 removed")
                    .arg(removed.size() - changed);
    if (changed) counts << QCoreApplication::translate("CustomerState", "%1 changed").arg(changed);
    if (!counts.isEmpty())
      parts << Word(HistoryListTables()[list]) + QStringLiteral(": ") +
                   counts.join(QStringLiteral(", "));
  }
  return parts.isEmpty() ? QCoreApplication::translate("CustomerState", "no change")
                         : parts.join(QStringLiteral("; "));
}

QString ChangedRows(const CustomerState& before, const CustomerState& after) {
  QStringList lines;
  for (int list = 0; list < HistoryListTables().size(); ++list) {
    const auto [removed, added] = Unmatched(before.lists.value(list), after.lists.value(list));
    for (const QVector<Value>& row : removed)
      lines << QCoreApplication::translate("CustomerState", "%1, before: %2")
                   .arg(Word(HistoryListTables()[list]), RowText(row));
    for (const QVector<Value>& row : added)
      lines << QCoreApplication::translate("CustomerState", "%1, after: %2")
                   .arg(Word(HistoryListTables()[list]), RowText(row));
  }
  return lines.isEmpty() ? QCoreApplication::translate("CustomerState", "No list rows changed.")
                         : lines.join(QLatin1Char('\n'));
}

qint64 RecordChange(Connection& connection, const char* what, const StoredCustomer& before,
                    const Value& newKey) {
  return AppendHistory(connection, QLatin1String(what), before.customer ? before.key : newKey,
                       newKey, StateJson(StateOf(connection, before)));
}

QString HistoryWhatLabel(const QString& what) {
  return Word(what);
}
